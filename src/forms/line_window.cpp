#include "forms/line_window.h"

TLineWindow::TLineWindow(int line, QWidget *parent) : SubtitleOverlayWindow(line, parent) {}
