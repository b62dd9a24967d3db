#pragma once

#include "forms/line_window.h"

// Subtitle line 2.
class TForm4 : public TLineWindow {
    Q_OBJECT

public:
    explicit TForm4(QWidget *parent = nullptr);
};
