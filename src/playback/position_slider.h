#pragma once

#include <QWidget>

class QFrame;

namespace zv {

// The position slider's strip (Panel4): a sunken track (Panel5) inset by the border and a raised
// thumb (Panel6, 15 x 16) whose Left is in the strip's coordinates. It only reports the mouse;
// the main window computes, seeks and moves the thumb, so a copy of the slider elsewhere can
// forward the same events. Mouse positions are global X (for drags) and track X (for clicks).
class PositionSliderWidget : public QWidget {
    Q_OBJECT

public:
    explicit PositionSliderWidget(QWidget *parent = nullptr);

    int thumbLeft() const;
    void setThumbLeft(int left);
    QWidget *thumb() const;
    // The track's rectangle in the strip (the client area inside the border).
    QRect trackRect() const;

signals:
    // onThumb: the press was on the thumb (trackX then means nothing).
    void pressed(bool onThumb, int trackX, int globalX, Qt::MouseButtons buttons);
    void moved(bool onThumb, int trackX, int globalX);
    void released(Qt::MouseButtons buttons);
    void resized();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int trackX(const QPointF &stripPos) const;
    QFrame *thumb_ = nullptr;
    bool pressOnTrack_ = false;
};

} // namespace zv
