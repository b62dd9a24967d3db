#include "subtitles/subtitle_compositor.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

// Xlib last: its macros (None, Bool, Status) collide with names in Qt's headers.
#include <X11/Xlib.h>

namespace zv {

bool compositingManagerRunning()
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return false;
    Display *display = x11->display();
    if (!display)
        return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    return selection != None && XGetSelectionOwner(display, selection) != None;
}

CompositorWatch::CompositorWatch(std::function<void()> gone, QObject *parent)
    : QObject(parent), gone_(std::move(gone))
{
    QCoreApplication::instance()->installNativeEventFilter(this);
    watch();
}

CompositorWatch::~CompositorWatch()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void CompositorWatch::watch()
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return;
    const int screen = x11->display() ? DefaultScreen(x11->display()) : 0;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    free(atom);
    const quint32 window = owner ? owner->owner : 0;
    free(owner);
    if (window == watched_)
        return;
    watched_ = window;
    if (window) {
        // Its destruction is reported to every client that asked for the window's structure.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
}

bool CompositorWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!watched_ || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY)
        return false;
    if (reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window != watched_)
        return false;
    watched_ = 0;
    QMetaObject::invokeMethod(this, [this] { gone_(); }, Qt::QueuedConnection);
    return false;
}

} // namespace zv
