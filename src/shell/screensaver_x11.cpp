// Kept apart because the X headers define macros (None, Bool, Status) that clash with Qt.
#include "shell/screensaver_inhibitor.h"

#include <X11/Xlib.h>

namespace zv {

void resetXScreenSaver()
{
    // A short-lived connection every half minute costs nothing and needs no shared state.
    if (Display *d = XOpenDisplay(nullptr)) {
        XResetScreenSaver(d);
        XCloseDisplay(d);
    }
}

} // namespace zv
