#include "playback/volume_slider.h"

#include "core/playback/slider_math.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace zv {

using playback::VolumeSlider;

VolumeSliderWidget::VolumeSliderWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel8"));
    setFixedSize(VolumeSlider::kPanelWidth, VolumeSlider::kPanelHeight);
    image_ = new QLabel(this);
    image_->setObjectName(QStringLiteral("Image1"));
    image_->setGeometry(rect());
    thumb_ = new QFrame(this);
    thumb_->setObjectName(QStringLiteral("Panel7"));
    thumb_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    thumb_->setAutoFillBackground(true);
    thumb_->setFixedSize(VolumeSlider::kThumbWidth, VolumeSlider::kPanelHeight);
    thumb_->setToolTip(QStringLiteral("Głośność"));
    thumb_->installEventFilter(this);
    drawWedge();
}

int VolumeSliderWidget::thumbLeft() const
{
    return thumb_->x();
}

void VolumeSliderWidget::setThumbLeft(int left)
{
    if (thumb_->x() != left)
        thumb_->move(left, 0);
}

QWidget *VolumeSliderWidget::thumb() const
{
    return thumb_;
}

void VolumeSliderWidget::drawWedge()
{
    QPixmap pm(size());
    pm.fill(palette().color(QPalette::Button));
    QPainter p(&pm);
    p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    p.drawLine(0, height() - 1, width() - 1, 0);
    p.end();
    image_->setPixmap(pm);
}

bool VolumeSliderWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != thumb_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        emit pressed(int(static_cast<QMouseEvent *>(event)->globalPosition().x()));
        return true;
    case QEvent::MouseMove:
        emit moved(int(static_cast<QMouseEvent *>(event)->globalPosition().x()));
        return true;
    case QEvent::MouseButtonRelease:
        emit released();
        return true;
    default:
        return false;
    }
}

} // namespace zv
