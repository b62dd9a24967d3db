#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace zv {

// The volume slider (Panel8, 52 x 20): the wedge picture Image1 and the thumb Panel7 (10 x 20,
// Left 0..42). Like the position slider it only reports the mouse on its thumb.
class VolumeSliderWidget : public QWidget {
    Q_OBJECT

public:
    explicit VolumeSliderWidget(QWidget *parent = nullptr);

    int thumbLeft() const;
    void setThumbLeft(int left);
    QWidget *thumb() const;
    // Draws the wedge (a diagonal from the lower left to the upper right corner in the
    // grey-text colour over the button face); done when the window is shown.
    void drawWedge();

signals:
    void pressed(int globalX);
    void moved(int globalX);
    void released();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *image_ = nullptr;
    QFrame *thumb_ = nullptr;
};

} // namespace zv
