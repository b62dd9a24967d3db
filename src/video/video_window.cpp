#include "video/video_window.h"

#include "playback/engine_dialogs.h"
#include "playback/idle_animation.h"
#include "playback/mpv_engine.h"

#include <QPlatformSurfaceEvent>
#include <QResizeEvent>
#include <QWindow>

namespace {

QWidget *blackPanel(QWidget *parent)
{
    auto *w = new QWidget(parent);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::black);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    return w;
}

} // namespace

TForm9::TForm9(QWidget *parent)
    : TForm9(parent, mpvEngine(true))
{
}

TForm9::TForm9(QWidget *parent, const EngineFactory &makeEngine)
    : QWidget(parent)
    , Panel1(blackPanel(this))
    , RxGIFAnimator1(new IdleAnimation(Panel1))
    , engineWindow_(blackPanel(Panel1))
{
    setObjectName(QStringLiteral("TForm9"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
    engineWindow_->setObjectName(QStringLiteral("m"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    // The engine draws into an X window of its own inside this one; only this child is native,
    // so the rest of the program keeps Qt's ordinary painting.
    engineWindow_->setAttribute(Qt::WA_DontCreateNativeAncestors);
    engineWindow_->setAttribute(Qt::WA_NativeWindow);
    engineWindow_->hide();

    m_ = makeEngine(quint64(engineWindow_->winId()), this);
    // Closing the top-level window destroys its X window and with it every child, the engine's
    // own window included; the engine must end before that or it dies on a vanished window.
    engineWindow_->windowHandle()->installEventFilter(this);
    connect(m_, &MediaEngine::OnPlayStateChange, this,
            [this](int, int state) { setIdle(state == MediaEngine::psClosed); });
    connectEngineDialogs(m_, this);
    setIdle(m_->PlayState() == MediaEngine::psClosed);
}

TForm9::~TForm9()
{
    // The engine's threads draw into engineWindow_: they must be gone before it is destroyed.
    delete m_;
    m_ = nullptr;
}

TForm9::EngineFactory TForm9::mpvEngine(bool withAudio)
{
    return [withAudio](quint64 windowId, QObject *parent) -> MediaEngine * {
        return new MpvEngine(windowId, withAudio, parent);
    };
}

void TForm9::setEngineRect(const QRect &rect)
{
    engineRectSet_ = true;
    engineWindow_->setGeometry(rect);
}

QRect TForm9::engineRect() const
{
    return engineWindow_->geometry();
}

void TForm9::fillEngineRect()
{
    engineRectSet_ = false;
    engineWindow_->setGeometry(Panel1->rect());
}

void TForm9::setIdle(bool idle)
{
    idle_ = idle;
    RxGIFAnimator1->setVisible(idle);
    engineWindow_->setVisible(!idle);
}

bool TForm9::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::PlatformSurface && m_ &&
        static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
        m_->shutdown();
    return QWidget::eventFilter(watched, event);
}

void TForm9::resizeEvent(QResizeEvent *event)
{
    Panel1->setGeometry(rect());
    RxGIFAnimator1->setGeometry(Panel1->rect());
    if (!engineRectSet_)
        engineWindow_->setGeometry(Panel1->rect());
    QWidget::resizeEvent(event);
    emit resized();
}
