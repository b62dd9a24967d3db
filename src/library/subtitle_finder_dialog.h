#pragma once

#include <QDialog>

// The subtitle-file finder.
class TForm11 : public QDialog {
    Q_OBJECT

public:
    explicit TForm11(QWidget *parent = nullptr);
};
