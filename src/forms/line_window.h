#pragma once

#include <QWidget>

// A window that carries one subtitle line over the picture: frameless, above the video, never
// taking the focus, no taskbar entry. TForm3, TForm4 and TForm5 are lines 1, 2 and 3.
class TLineWindow : public QWidget {
    Q_OBJECT

public:
    TLineWindow(int line, QWidget *parent);
    int line() const { return line_; }

private:
    int line_;
};
