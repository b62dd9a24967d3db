// The display modes offered for full screen, from XRandR. Kept apart because the X headers
// define macros (None, Bool, Status) that clash with Qt.
#include "app/main_window.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

QStringList TZentavistaApp::DisplayModeList()
{
    QStringList modes;
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return modes;
    const int screen = DefaultScreen(dpy);
    const int depth = DefaultDepth(dpy, screen);
    int eventBase = 0, errorBase = 0;
    if (XRRQueryExtension(dpy, &eventBase, &errorBase)) {
        // The current resources: no re-probe of the outputs, so this stays fast.
        if (XRRScreenResources *res = XRRGetScreenResourcesCurrent(dpy, RootWindow(dpy, screen))) {
            for (int i = 0; i < res->nmode; ++i) {
                const QString text = QStringLiteral("%1 x %2 x %3")
                                         .arg(res->modes[i].width)
                                         .arg(res->modes[i].height)
                                         .arg(depth);
                if (!modes.contains(text))
                    modes.append(text);
            }
            XRRFreeScreenResources(res);
        }
    }
    if (modes.isEmpty()) // no RandR: the screen's own size is the one mode there is
        modes.append(QStringLiteral("%1 x %2 x %3")
                         .arg(DisplayWidth(dpy, screen))
                         .arg(DisplayHeight(dpy, screen))
                         .arg(depth));
    XCloseDisplay(dpy);
    return modes;
}
