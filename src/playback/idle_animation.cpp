#include "playback/idle_animation.h"

#include <QPainter>
#include <QTimer>

namespace {
// Four frames a second, three pixels each: slow enough to keep an idle player's wake-ups few,
// fast enough to look alive.
constexpr int kTickMs = 250;
constexpr int kPixelsPerTick = 3;
constexpr int kHoleStep = 12;  // sprocket holes, pixels apart
constexpr int kFrameStep = 36; // picture frames, pixels apart
} // namespace

IdleAnimation::IdleAnimation(QWidget *parent)
    : QWidget(parent)
    , timer_(new QTimer(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents); // clicks belong to the panel beneath
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + kPixelsPerTick) % (kFrameStep * 10);
        update(QRect(QPoint(), kMotifSize).translated((width() - kMotifSize.width()) / 2,
                                                      (height() - kMotifSize.height()) / 2));
    });
}

bool IdleAnimation::isRunning() const
{
    return timer_->isActive();
}

void IdleAnimation::showEvent(QShowEvent *event)
{
    timer_->start();
    QWidget::showEvent(event);
}

void IdleAnimation::hideEvent(QHideEvent *event)
{
    timer_->stop();
    QWidget::hideEvent(event);
}

void IdleAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRect strip(QPoint((width() - kMotifSize.width()) / 2, (height() - kMotifSize.height()) / 2),
                      kMotifSize);
    p.setClipRect(strip);
    p.fillRect(strip, QColor(28, 28, 28));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // Sprocket holes along both edges, running left.
    p.setBrush(QColor(0, 0, 0));
    const int holeShift = phase_ % kHoleStep;
    for (int x = strip.left() - holeShift; x < strip.right(); x += kHoleStep) {
        p.drawRoundedRect(QRectF(x + 3, strip.top() + 3, 6, 4), 1, 1);
        p.drawRoundedRect(QRectF(x + 3, strip.bottom() - 6, 6, 4), 1, 1);
    }

    // Frames between them, each a slowly changing colour.
    const int frameShift = phase_ % kFrameStep;
    const int firstFrame = phase_ / kFrameStep;
    for (int i = 0, x = strip.left() - frameShift; x < strip.right(); ++i, x += kFrameStep) {
        const int hue = ((firstFrame + i) * 47 + phase_) % 360;
        QLinearGradient g(x, strip.top() + 11, x, strip.bottom() - 11);
        g.setColorAt(0, QColor::fromHsv(hue, 120, 150));
        g.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 160, 70));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(x + 3, strip.top() + 11, kFrameStep - 6, strip.height() - 22), 2, 2);
    }
}
