#pragma once

#include <QDialog>

// The jump-to-subtitle dialog.
class TJumpToTextFrm : public QDialog {
    Q_OBJECT

public:
    explicit TJumpToTextFrm(QWidget *parent = nullptr);
};
