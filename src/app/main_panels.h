#pragma once

class QFrame;
class QLabel;
class QToolBar;
class QToolButton;
class QWidget;

// The main window's client area, top to bottom: what the features may show their state in.
// The window builds the panels; the transport feature fills its bars.
struct MainPanels {
    QWidget *Panel10 = nullptr;          // toolbar strip, 25 px
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr, *ToolButton2 = nullptr, *ToolButton3 = nullptr,
                *ToolButton23 = nullptr, *ToolButton12 = nullptr, *ToolButton22 = nullptr,
                *ToolButton4 = nullptr, *ToolButton7 = nullptr;
    QFrame *Panel12 = nullptr;           // black video area, fills the rest
    QWidget *Panel11 = nullptr;          // bottom block, 68 px
    QWidget *Panel4 = nullptr;           // position slider strip, 18 px
    QWidget *Panel2 = nullptr;           // transport bar, 27 px
    QToolBar *ToolBar2 = nullptr, *ToolBar4 = nullptr;
    QToolButton *ToolButton13 = nullptr, *ToolButton14 = nullptr, *ToolButton15 = nullptr,
                *ToolButton16 = nullptr, *ToolButton17 = nullptr, *ToolButton20 = nullptr,
                *ToolButton21 = nullptr, *ToolButton19 = nullptr;
    QWidget *Panel3 = nullptr;           // mute button and volume slider, right-aligned
    QWidget *Panel1 = nullptr;           // black status bar, 22 px
    QLabel *Label1 = nullptr, *Label3 = nullptr, *Label2 = nullptr;
    QWidget *Panel9 = nullptr;           // holds Label2, right-aligned
};
