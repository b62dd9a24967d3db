#include "subtitles/overlay_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

SubtitleOverlayWindow::SubtitleOverlayWindow(int line, QWidget *parent)
    // Owned by the player's window, not kept above everything: the window manager keeps a
    // tool window over its owner (in full screen too), while a dialog or another program
    // raised over the player covers the subtitles as it covers the player.
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                          | Qt::NoDropShadowWindowHint),
      line_(line)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The visual is chosen when the native window is created, so the alpha channel is asked
    // for once here: opaque and shaped pictures paint fully opaque pixels into it anyway.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::SplitVCursor);
    resize(104, 35);
}

void SubtitleOverlayWindow::setLineImage(const QImage &image)
{
    image_ = image;
    update();
}

QWidget *SubtitleOverlayWindow::focusReturnTarget() const
{
    if (focusTarget_)
        return focusTarget_;
    return parentWidget() ? parentWidget()->window() : nullptr;
}

void SubtitleOverlayWindow::returnFocus()
{
    QWidget *target = focusReturnTarget();
    if (target && target->isVisible()) {
        target->activateWindow();
        target->setFocus(Qt::OtherFocusReason);
    }
}

bool SubtitleOverlayWindow::event(QEvent *e)
{
    // Clicking a subtitle must never keep the keys away from the player; during a press the
    // drag is under way and the focus goes back on release.
    if (e->type() == QEvent::WindowActivate
        && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        returnFocus();
    return QWidget::event(e);
}

void SubtitleOverlayWindow::paintEvent(QPaintEvent *)
{
    if (busy_ && *busy_)
        return;
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (image_.isNull())
        p.fillRect(rect(), Qt::transparent);
    else
        p.drawImage(0, 0, image_);
}

void SubtitleOverlayWindow::mousePressEvent(QMouseEvent *e)
{
    emit dragStarted(e->globalPosition().toPoint());
    e->accept();
}

void SubtitleOverlayWindow::mouseMoveEvent(QMouseEvent *e)
{
    emit dragMoved(e->globalPosition().toPoint());
    e->accept();
}

void SubtitleOverlayWindow::mouseReleaseEvent(QMouseEvent *e)
{
    emit dragFinished();
    e->accept();
    returnFocus();
}
