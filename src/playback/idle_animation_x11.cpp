// The idle strip held by the X server. Kept apart because the X headers define macros (None,
// Bool, Status) that clash with Qt.
#include "playback/idle_animation.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

struct IdleAnimation::ServerStrip {
    Display *display = nullptr;
    Window window = 0;  // the one the pixmap was made for (its screen and depth)
    Window refused = 0; // one whose pixels are not RGB32: not asked again
    Pixmap pixmap = 0;
    GC gc = nullptr;

    ~ServerStrip()
    {
        if (qGuiApp) // else the connection has already gone, and the server freed everything
            release();
    }

    void release()
    {
        if (gc)
            XFreeGC(display, gc);
        if (pixmap)
            XFreePixmap(display, pixmap);
        gc = nullptr;
        pixmap = 0;
        window = 0;
    }

    // Uploads the strip for drawing into window; only 24- and 32-bit true colour windows,
    // whose pixels are QImage's RGB32 as they are.
    bool upload(Display *d, Window w, const QImage &strip)
    {
        release();
        display = d;
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(d, w, &attrs) || (attrs.depth != 24 && attrs.depth != 32)
            || attrs.visual->red_mask != 0xff0000 || attrs.visual->green_mask != 0xff00
            || attrs.visual->blue_mask != 0xff) {
            refused = w;
            return false;
        }
        pixmap = XCreatePixmap(d, w, unsigned(strip.width()), unsigned(strip.height()),
                               unsigned(attrs.depth));
        XGCValues values{};
        values.graphics_exposures = False; // a copy sends no event back
        gc = XCreateGC(d, pixmap, GCGraphicsExposures, &values);
        QImage pixels = strip.convertToFormat(QImage::Format_RGB32);
        XImage *image = XCreateImage(d, attrs.visual, unsigned(attrs.depth), ZPixmap, 0,
                                     reinterpret_cast<char *>(pixels.bits()),
                                     unsigned(pixels.width()), unsigned(pixels.height()), 32,
                                     int(pixels.bytesPerLine()));
        if (!image) {
            release();
            return false;
        }
        image->byte_order = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? LSBFirst : MSBFirst;
        XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, unsigned(pixels.width()),
                  unsigned(pixels.height()));
        image->data = nullptr; // the pixels belong to the QImage
        XDestroyImage(image);
        window = w;
        return true;
    }
};

// Pauses the strip while the X server reports its window wholly covered: no frame would show,
// so a tick would only wake the program for nothing.
struct IdleAnimation::VisibilityWatch : QAbstractNativeEventFilter {
    IdleAnimation *owner;
    xcb_window_t window = 0;

    explicit VisibilityWatch(IdleAnimation *o)
        : owner(o)
    {
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_VISIBILITY_NOTIFY)
            return false;
        const auto *visibility = reinterpret_cast<const xcb_visibility_notify_event_t *>(event);
        if (visibility->window == window)
            owner->setObscured(visibility->state == XCB_VISIBILITY_FULLY_OBSCURED);
        return false; // Qt sees it as well
    }
};

IdleAnimation::~IdleAnimation()
{
    delete watch_; // leaves the application's filters as it goes
    delete server_;
}

namespace {

QNativeInterface::QX11Application *x11()
{
    return qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
}

} // namespace

QWidget *IdleAnimation::host()
{
    // Native itself when a native sibling made it so (the engine's window does), else drawn in
    // the nearest native ancestor, whose covering covers it too.
    return internalWinId() ? this : nativeParentWidget();
}

void IdleAnimation::watchVisibility()
{
    xcb_connection_t *c = x11() ? x11()->connection() : nullptr;
    QWidget *host = this->host();
    if (!c || !host)
        return;
    const auto window = xcb_window_t(host->internalWinId());
    if (!watch_) {
        watch_ = new VisibilityWatch(this);
        qGuiApp->installNativeEventFilter(watch_);
    }
    watch_->window = window;
    // Added to the events Qt chose for the window, not put in their place. Asked on every show:
    // the window may be a new one by then.
    xcb_get_window_attributes_reply_t *attrs
        = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    if (!attrs)
        return;
    const uint32_t mask = attrs->your_event_mask;
    std::free(attrs);
    if (mask & XCB_EVENT_MASK_VISIBILITY_CHANGE)
        return;
    const uint32_t wanted = mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &wanted);
    xcb_flush(c);
}

bool IdleAnimation::copyOnServer()
{
    // A tick is the only work of an idle player, so it asks Qt nothing it can keep: the
    // display and window are those of the strip uploaded last, and the scale is kept from the
    // last show or change of screen.
    if (scale_ != 1.0)
        return false;
    QWidget *host = this->host();
    if (!host)
        return false;
    const QRect motif = motifRect();
    // A window of its own is clipped by the X server to what shows of it. Drawn in an
    // ancestor's window, it must not paint over the siblings that cover it.
    if (host != this && !(QRegion(motif) - visibleRegion()).isEmpty())
        return false;
    const Window window = host->winId();
    if (!server_ || server_->window != window) {
        Display *d = x11() ? x11()->display() : nullptr;
        if (!d)
            return false;
        if (!server_)
            server_ = new ServerStrip;
        if (server_->refused == window || !server_->upload(d, window, strip_))
            return false;
    }
    const QPoint at = host == this ? motif.topLeft() : mapTo(host, motif.topLeft());
    XCopyArea(server_->display, server_->pixmap, window, server_->gc, phase_, 0, unsigned(kMotifSize.width()),
              unsigned(kMotifSize.height()), at.x(), at.y());
    XFlush(server_->display);
    return true;
}
