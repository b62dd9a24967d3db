#include "playback/position_slider.h"

#include "core/playback/slider_math.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionFrame>

namespace zv {

using playback::PositionSlider;

PositionSliderWidget::PositionSliderWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel5"));
    thumb_ = new QFrame(this);
    thumb_->setObjectName(QStringLiteral("Panel6"));
    thumb_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    thumb_->setFixedSize(PositionSlider::kThumbWidth, PositionSlider::kThumbHeight);
    thumb_->setAutoFillBackground(true);
    // Panel13 with its mark: part of the thumb, sharing its mouse handling.
    auto *inner = new QFrame(thumb_);
    inner->setObjectName(QStringLiteral("Panel13"));
    inner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    inner->setGeometry(3, 4, 9, 8);
    auto *mark = new QFrame(inner);
    mark->setObjectName(QStringLiteral("Shape4"));
    mark->setGeometry(4, 3, 1, 2);
    mark->setAutoFillBackground(true);
    mark->setBackgroundRole(QPalette::WindowText);
    for (QWidget *w : {static_cast<QWidget *>(thumb_), static_cast<QWidget *>(inner),
                       static_cast<QWidget *>(mark)}) {
        w->installEventFilter(this);
        if (w != thumb_)
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setThumbLeft(PositionSlider::kMinLeft);
}

int PositionSliderWidget::thumbLeft() const
{
    return thumb_->x();
}

void PositionSliderWidget::setThumbLeft(int left)
{
    const int top = qMax(0, (height() - thumb_->height()) / 2);
    if (thumb_->pos() != QPoint(left, top))
        thumb_->move(left, top);
}

QWidget *PositionSliderWidget::thumb() const
{
    return thumb_;
}

QRect PositionSliderWidget::trackRect() const
{
    const int b = PositionSlider::kBorderWidth;
    return rect().adjusted(b, b, -b, -b);
}

int PositionSliderWidget::trackX(const QPointF &stripPos) const
{
    return int(stripPos.x()) - PositionSlider::kBorderWidth;
}

void PositionSliderWidget::mousePressEvent(QMouseEvent *event)
{
    // Only the track reacts; the border around it is the strip's.
    pressOnTrack_ = trackRect().contains(event->position().toPoint());
    if (pressOnTrack_)
        emit pressed(false, trackX(event->position()), int(event->globalPosition().x()),
                     event->buttons());
}

void PositionSliderWidget::mouseMoveEvent(QMouseEvent *event)
{
    // A press keeps the mouse until release, so moves outside the window still arrive here.
    if (pressOnTrack_)
        emit moved(false, trackX(event->position()), int(event->globalPosition().x()));
}

void PositionSliderWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (pressOnTrack_ && !event->buttons().testFlag(Qt::LeftButton))
        pressOnTrack_ = false;
    emit released(event->buttons());
}

bool PositionSliderWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != thumb_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        emit pressed(true, 0, int(e->globalPosition().x()), e->buttons());
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        emit moved(true, 0, int(e->globalPosition().x()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        emit released(static_cast<QMouseEvent *>(event)->buttons());
        return true;
    default:
        return false;
    }
}

void PositionSliderWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

void PositionSliderWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOptionFrame opt;
    opt.initFrom(this);
    opt.rect = trackRect();
    opt.lineWidth = 1;
    opt.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &opt, &p, this);
}

} // namespace zv
