#pragma once

#include "forms/line_window.h"

// Subtitle line 1.
class TForm3 : public TLineWindow {
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);
};
