#include "video/fullscreen_bar.h"

TForm13::TForm13(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form13"));
    resize(640, 70);
}
