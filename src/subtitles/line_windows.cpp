#include "subtitles/line_windows.h"

TLineWindow::TLineWindow(int line, QWidget *parent) : SubtitleOverlayWindow(line, parent) {}

TForm3::TForm3(QWidget *parent) : TLineWindow(1, parent)
{
    setObjectName(QStringLiteral("Form3"));
}

TForm4::TForm4(QWidget *parent) : TLineWindow(2, parent)
{
    setObjectName(QStringLiteral("Form4"));
}

TForm5::TForm5(QWidget *parent) : TLineWindow(3, parent)
{
    setObjectName(QStringLiteral("Form5"));
}
