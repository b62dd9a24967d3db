// Kept apart because the X headers define macros (None, Bool, Status) that clash with Qt.
#include "app/global_keys.h"

#include "core/app/outside_keys.h"

#include <QtGlobal>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace zv {
namespace {

std::atomic<int> liveListeners{0};

keys::OutsideKeys::Key keyOf(KeySym sym)
{
    using K = keys::OutsideKeys;
    switch (sym) {
    case XK_Control_L: return K::CtrlL;
    case XK_Control_R: return K::CtrlR;
    case XK_Shift_L: return K::ShiftL;
    case XK_Shift_R: return K::ShiftR;
    case XK_z: case XK_Z: return K::Z;
    case XK_x: case XK_X: return K::X;
    case XK_c: case XK_C: return K::C;
    case XK_v: case XK_V: return K::V;
    case XK_b: case XK_B: return K::B;
    default: return K::Count;
    }
}

} // namespace

GlobalKeys::GlobalKeys(std::function<void(int)> onCommand) : onCommand_(std::move(onCommand)) {}

GlobalKeys::~GlobalKeys()
{
    stop();
}

int GlobalKeys::instances()
{
    return liveListeners.load();
}

bool GlobalKeys::start()
{
    if (running())
        return true;
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        qWarning("Klawisze globalne: brak serwera X, opcja nie działa.");
        return false;
    }
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(dpy, "XInputExtension", &opcode, &event, &error)
        || XIQueryVersion(dpy, &major, &minor) != Success || major < 2) {
        qWarning("Klawisze globalne: serwer X nie ma XInput 2, opcja nie działa.");
        XCloseDisplay(dpy);
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(dpy, DefaultRootWindow(dpy), &mask, 1);
    XSync(dpy, False);
    if (pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        XCloseDisplay(dpy);
        return false;
    }
    ++liveListeners;
    thread_ = std::thread([this, dpy, opcode] {
        keys::OutsideKeys state;
        pollfd fds[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        for (;;) {
            while (XPending(dpy)) {
                XEvent ev;
                XNextEvent(dpy, &ev);
                XGenericEventCookie *cookie = &ev.xcookie;
                if (cookie->type != GenericEvent || cookie->extension != opcode
                    || !XGetEventData(dpy, cookie))
                    continue;
                const auto *raw = static_cast<const XIRawEvent *>(cookie->data);
                const KeySym sym = XkbKeycodeToKeysym(dpy, KeyCode(raw->detail), 0, 0);
                const auto key = keyOf(sym);
                if (cookie->evtype == XI_RawKeyPress) {
                    if (const int command = state.press(key))
                        onCommand_(command);
                } else if (cookie->evtype == XI_RawKeyRelease) {
                    state.release(key);
                }
                XFreeEventData(dpy, cookie);
            }
            if (poll(fds, 2, -1) < 0 && errno != EINTR)
                break;
            if (fds[1].revents)
                break;
        }
        XCloseDisplay(dpy);
    });
    return true;
}

void GlobalKeys::stop()
{
    if (!thread_.joinable())
        return;
    const char wake = 1;
    (void)!write(wakeFds_[1], &wake, 1);
    thread_.join();
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
    wakeFds_[0] = wakeFds_[1] = -1;
    --liveListeners;
}

} // namespace zv
