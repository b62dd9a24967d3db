#pragma once

#include <QDialog>

// The jump-to-file dialog.
class TForm8 : public QDialog {
    Q_OBJECT

public:
    explicit TForm8(QWidget *parent = nullptr);
};
