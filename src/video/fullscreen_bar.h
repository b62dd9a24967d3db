#pragma once

#include <QWidget>

// The control bar shown over the picture in full screen: no caption, no border, no taskbar
// entry, 70 pixels high.
class TForm13 : public QWidget {
    Q_OBJECT

public:
    explicit TForm13(QWidget *parent = nullptr);
};
