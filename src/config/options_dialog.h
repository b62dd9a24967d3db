#pragma once

#include <QDialog>

// The options dialog. Modeless: the program keeps working while it is open.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);
};
