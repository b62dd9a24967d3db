#pragma once

#include "subtitles/overlay_window.h"

// A window that carries one subtitle line over the picture: frameless, above the video, never
// taking the focus, no taskbar entry. TForm3, TForm4 and TForm5 are lines 1, 2 and 3; the
// subtitle display paints and moves them.
class TLineWindow : public SubtitleOverlayWindow {
    Q_OBJECT

public:
    TLineWindow(int line, QWidget *parent);
};

// Subtitle line 1.
class TForm3 : public TLineWindow {
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);
};

// Subtitle line 2.
class TForm4 : public TLineWindow {
    Q_OBJECT

public:
    explicit TForm4(QWidget *parent = nullptr);
};

// Subtitle line 3.
class TForm5 : public TLineWindow {
    Q_OBJECT

public:
    explicit TForm5(QWidget *parent = nullptr);
};
