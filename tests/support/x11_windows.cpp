#include "support/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <optional>

namespace zv::test {

namespace {

// One property of `w` as bytes; empty when it is not set, nullopt when the window has gone
// meanwhile (a program that is ending destroys its windows between two requests).
std::optional<QByteArray> property(Display *d, Window w, Atom name, Atom type)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, w, name, 0, 1024, False, type, &actualType, &format, &count, &after,
                           &data) != Success)
        return std::nullopt;
    if (!data)
        return QByteArray();
    // Xlib hands 32-bit items over as longs.
    const int itemSize = format == 32 ? int(sizeof(long)) : format / 8;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(count) * itemSize);
    XFree(data);
    return bytes;
}

} // namespace

QStringList shownWindowTitles(qint64 pid)
{
    QStringList titles;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return titles;
    const Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
    const Atom nameAtom = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes a {};
            if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable)
                continue;
            const std::optional<QByteArray> owner = property(d, children[i], pidAtom, XA_CARDINAL);
            if (!owner || owner->size() < int(sizeof(long)) || *reinterpret_cast<const long *>(owner->constData()) != pid)
                continue;
            // A window destroyed after the owner was read is not reported with an empty title.
            if (const std::optional<QByteArray> name = property(d, children[i], nameAtom, utf8))
                titles << QString::fromUtf8(*name);
        }
        if (children)
            XFree(children);
    }
    XCloseDisplay(d);
    return titles;
}

} // namespace zv::test
