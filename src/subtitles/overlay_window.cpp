#include "subtitles/overlay_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return atom;
}

// Before the window is mapped (Qt adds its own states to these, it does not replace them): a
// line is no task of its own for task bars, pagers and Alt+Tab, and compositors draw no shadow
// box around it (picom and compton read _COMPTON_SHADOW; Qt's no-shadow hint does nothing on X11).
void markForWindowManager(WId id)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c || !id)
        return;
    const auto window = xcb_window_t(id);
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    xcb_atom_t states[2] = {internAtom(c, "_NET_WM_STATE_SKIP_TASKBAR"), internAtom(c, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_get_property_reply_t *old = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    std::vector<xcb_atom_t> atoms;
    if (old && old->format == 32) {
        const auto *data = static_cast<const xcb_atom_t *>(xcb_get_property_value(old));
        atoms.assign(data, data + xcb_get_property_value_length(old) / 4);
    }
    free(old);
    for (xcb_atom_t a : states)
        if (a != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), a) == atoms.end())
            atoms.push_back(a);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32, uint32_t(atoms.size()),
                        atoms.data());
    const uint32_t noShadow = 0;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, internAtom(c, "_COMPTON_SHADOW"), XCB_ATOM_CARDINAL, 32,
                        1, &noShadow);
    xcb_flush(c);
}

} // namespace

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

void SubtitleOverlayWindow::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    markForWindowManager(winId());
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
