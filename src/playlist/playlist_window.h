#pragma once

#include <QWidget>

// The playlist window.
class TForm6 : public QWidget {
    Q_OBJECT

public:
    explicit TForm6(QWidget *parent = nullptr);
};
