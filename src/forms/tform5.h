#pragma once

#include "forms/line_window.h"

// Subtitle line 3.
class TForm5 : public TLineWindow {
    Q_OBJECT

public:
    explicit TForm5(QWidget *parent = nullptr);
};
