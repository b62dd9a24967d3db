#include "playback/idle_animation.h"

#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {
constexpr int kHoleStep = 12;  // sprocket holes, pixels apart
constexpr int kFrameStep = 36; // picture frames, pixels apart
static_assert(IdleAnimation::kLoopPixels % kFrameStep == 0 && IdleAnimation::kLoopPixels % kHoleStep == 0
                  && IdleAnimation::kLoopPixels % IdleAnimation::kPixelsPerTick == 0,
              "the strip must join seamlessly where it starts over");

// The strip drawn once, long enough for every phase; a frame is a window onto it.
QImage drawStrip()
{
    const QSize motif = IdleAnimation::kMotifSize;
    QImage image(IdleAnimation::kLoopPixels + motif.width(), motif.height(), QImage::Format_RGB32);
    image.fill(QColor(28, 28, 28));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int bottom = motif.height() - 1;

    // One loop drawn, then its start repeated after it, so the join is exact.
    const int loop = IdleAnimation::kLoopPixels;
    // Sprocket holes along both edges.
    p.setBrush(QColor(0, 0, 0));
    for (int x = 0; x < loop; x += kHoleStep) {
        p.drawRoundedRect(QRectF(x + 3, 3, 6, 4), 1, 1);
        p.drawRoundedRect(QRectF(x + 3, bottom - 6, 6, 4), 1, 1);
    }
    // Frames between them, each its own colour.
    for (int i = 0, x = 0; x < loop; ++i, x += kFrameStep) {
        const int hue = i * 47 % 360;
        QLinearGradient g(x, 11, x, bottom - 11);
        g.setColorAt(0, QColor::fromHsv(hue, 120, 150));
        g.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 160, 70));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(x + 3, 11, kFrameStep - 6, motif.height() - 22), 2, 2);
    }
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(loop, 0), image, QRect(0, 0, motif.width(), motif.height()));
    return image;
}
} // namespace

IdleAnimation::IdleAnimation(QWidget *parent)
    : QWidget(parent)
    , timer_(new QTimer(this))
    , strip_(drawStrip())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents); // clicks belong to the panel beneath
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + kPixelsPerTick) % kLoopPixels;
        const bool onServer = copyOnServer();
        lastTickOnServer_ = onServer;
        if (!onServer)
            update(motifRect());
        // The clock thread is made here rather than at the first show: a player started with a
        // file hides the strip before its first tick and never needs the thread.
        else if (!clock_ && startServerClock())
            timer_->stop();
    });
}

bool IdleAnimation::isRunning() const
{
    return timer_->isActive() || clockRunning();
}

void IdleAnimation::run()
{
    if (clock_ && startServerClock()) {
        timer_->stop();
    } else {
        stopServerClock();
        timer_->start();
    }
}

void IdleAnimation::rest()
{
    timer_->stop();
    stopServerClock();
}

QRect IdleAnimation::motifRect() const
{
    return QRect(QPoint((width() - kMotifSize.width()) / 2, (height() - kMotifSize.height()) / 2),
                 kMotifSize);
}

void IdleAnimation::showEvent(QShowEvent *event)
{
    shown_ = true;
    rescale();
    if (QWindow *w = window()->windowHandle())
        connect(w, &QWindow::screenChanged, this, &IdleAnimation::rescale, Qt::UniqueConnection);
    // Runs until told otherwise: mapping the window brings a fresh report of what covers it.
    watchVisibility();
    run();
    QWidget::showEvent(event);
}

void IdleAnimation::hideEvent(QHideEvent *event)
{
    shown_ = false;
    rest();
    QWidget::hideEvent(event);
}

void IdleAnimation::setObscured(bool obscured)
{
    if (obscured)
        rest();
    else if (shown_ && !isRunning())
        run();
}

void IdleAnimation::rescale()
{
    scale_ = devicePixelRatioF();
    if (isRunning())
        run(); // the clock thread draws unscaled only
}

void IdleAnimation::resizeEvent(QResizeEvent *event)
{
    if (clockRunning())
        run(); // the motif moved
    QWidget::resizeEvent(event);
}

void IdleAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRect motif = motifRect();
    p.drawImage(motif.topLeft(), strip_, QRect(QPoint(phase_, 0), kMotifSize));
}
