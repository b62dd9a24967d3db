#pragma once

#include <QWidget>

// The control bar shown over the picture in full screen: no caption, no border, no taskbar
// entry, 70 pixels high. It holds the main window's own lower panel (sliders, transport
// buttons, status) while full screen lasts, so every button and slider is the very one of the
// main window, running the same commands and showing the same state.
class TForm13 : public QWidget {
    Q_OBJECT

public:
    explicit TForm13(QWidget *parent = nullptr);

    static constexpr int kHeight = 70;

    // Takes panel into the bar, filling it; releasePanel() gives it back unparented from the
    // bar (the caller puts it in its place) and returns it.
    void holdPanel(QWidget *panel);
    QWidget *releasePanel();
    QWidget *heldPanel() const { return panel_; }

private:
    QWidget *panel_ = nullptr;
};
