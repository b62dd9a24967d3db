// The idle strip held by the X server. Kept apart because the X headers define macros (None,
// Bool, Status) that clash with Qt.
#include "playback/idle_animation.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

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

// Ticks the strip from a thread of its own, over a connection of its own: a tick is one copy
// request and no work for the GUI. It sleeps in poll() on an eventfd, so a tick costs the
// sleep and the request and nothing more, and the GUI thread can wake it at once. While resting
// it sleeps without a deadline, so a minimised or covered player does not wake at all.
struct IdleAnimation::ServerClock {
    xcb_connection_t *const c;
    const int wake; // eventfd: written when the state below changed
    std::atomic<int> &phase;
    std::atomic<bool> &drew;
    std::mutex m;
    // What to draw where, under m: set by the GUI thread.
    bool running = false;
    bool quit = false;
    xcb_window_t window = 0;
    xcb_pixmap_t pixmap = 0;
    int16_t x = 0;
    int16_t y = 0;
    std::thread thread;

    ServerClock(xcb_connection_t *conn, int wakeFd, std::atomic<int> &p, std::atomic<bool> &d)
        : c(conn)
        , wake(wakeFd)
        , phase(p)
        , drew(d)
        , thread([this] { loop(); })
    {
    }
    ~ServerClock()
    {
        {
            const std::lock_guard lock(m);
            quit = true;
        }
        poke();
        thread.join();
        ::close(wake);
        xcb_disconnect(c);
    }

    static ServerClock *open(const char *display, std::atomic<int> &phase, std::atomic<bool> &drew)
    {
        xcb_connection_t *conn = xcb_connect(display, nullptr);
        const int fd = xcb_connection_has_error(conn) ? -1 : ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd < 0) {
            xcb_disconnect(conn);
            return nullptr;
        }
        return new ServerClock(conn, fd, phase, drew);
    }

    void poke()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake, &one, sizeof one);
    }
    void start(xcb_window_t w, xcb_pixmap_t p, QPoint at)
    {
        {
            const std::lock_guard lock(m);
            window = w;
            pixmap = p;
            x = int16_t(at.x());
            y = int16_t(at.y());
            running = true;
        }
        poke();
    }
    // Once this returns, no copy is sent until the next start. The thread finds out at its next
    // tick and then sleeps without a deadline.
    void stop()
    {
        const std::lock_guard lock(m);
        running = false;
    }
    bool isRunning()
    {
        const std::lock_guard lock(m);
        return running;
    }

    void loop()
    {
        using Clock = std::chrono::steady_clock;
        const auto tick = std::chrono::milliseconds(kTickMs);
        xcb_gcontext_t gc = 0; // made on this connection for gcPixmap
        xcb_pixmap_t gcPixmap = 0;
        unsigned ticks = 0;
        bool wasRunning = false;
        auto next = Clock::now() + tick;
        for (;;) {
            int timeout = -1;
            {
                const std::lock_guard lock(m);
                if (quit)
                    break;
                if (running && !wasRunning)
                    next = Clock::now() + tick;
                wasRunning = running;
                if (running) {
                    const auto now = Clock::now();
                    if (now >= next) {
                        next = std::max(next + tick, now);
                        const int p = (phase.load() + kPixelsPerTick) % kLoopPixels;
                        if (gcPixmap != pixmap) {
                            if (gc)
                                xcb_free_gc(c, gc);
                            gc = xcb_generate_id(c);
                            const uint32_t noExposures = 0; // a copy sends no event back
                            xcb_create_gc(c, gc, pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
                            gcPixmap = pixmap;
                        }
                        xcb_copy_area(c, pixmap, window, gc, int16_t(p), 0, x, y,
                                      uint16_t(kMotifSize.width()), uint16_t(kMotifSize.height()));
                        xcb_flush(c);
                        phase = p; // once the frame is on its way, so a reader never runs ahead
                        drew = true;
                    }
                    timeout = int(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
                }
            }
            // What comes back is only errors, of copies into a window destroyed a moment ago:
            // read now and then so they never pile up.
            if (++ticks % 32 == 0)
                while (xcb_generic_event_t *e = xcb_poll_for_event(c))
                    std::free(e);
            pollfd fd{wake, POLLIN, 0};
            if (::poll(&fd, 1, timeout) > 0) {
                uint64_t count;
                [[maybe_unused]] const ssize_t n = ::read(wake, &count, sizeof count);
            }
        }
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
    delete clock_; // first: it draws from the pixmap that server_ holds
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
    if (!uploadFor(window))
        return false;
    const QPoint at = host == this ? motif.topLeft() : mapTo(host, motif.topLeft());
    XCopyArea(server_->display, server_->pixmap, window, server_->gc, phase_.load(), 0, unsigned(kMotifSize.width()),
              unsigned(kMotifSize.height()), at.x(), at.y());
    XFlush(server_->display);
    return true;
}

bool IdleAnimation::uploadFor(unsigned long window)
{
    if (server_ && server_->window == window)
        return true;
    Display *d = x11() ? x11()->display() : nullptr;
    if (!d)
        return false;
    if (!server_)
        server_ = new ServerStrip;
    if (clock_)
        clock_->stop(); // it may be drawing from the pixmap about to be replaced
    if (server_->refused == window || !server_->upload(d, window, strip_))
        return false;
    // The pixmap is made on Qt's connection: the server must know it before the clock's own
    // connection names it.
    XSync(d, False);
    return true;
}

bool IdleAnimation::startServerClock()
{
    // Only a window of its own: the X server then clips every copy to what shows of it, which
    // an ancestor's window would not do for the siblings covering the strip.
    if (clockRefused_ || scale_ != 1.0 || !internalWinId())
        return false;
    const Window window = winId();
    if (!uploadFor(window))
        return false;
    if (!clock_) {
        clock_ = ServerClock::open(DisplayString(server_->display), phase_, lastTickOnServer_);
        clockRefused_ = !clock_;
        if (!clock_)
            return false;
    }
    clock_->start(xcb_window_t(window), xcb_pixmap_t(server_->pixmap), motifRect().topLeft());
    return true;
}

void IdleAnimation::stopServerClock()
{
    if (clock_)
        clock_->stop();
}

bool IdleAnimation::clockRunning() const
{
    return clock_ && clock_->isRunning();
}
