// Kept apart because the X headers define macros (None, Bool, Status) that clash with Qt.
#include "video/xrandr_display_modes.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>
#include <memory>

namespace zv::video {
namespace {

// Xlib's default error handler ends the process; a refused request must only fail the call.
int lastXError = 0;
int recordXError(Display *, XErrorEvent *e)
{
    lastXError = e->error_code;
    return 0;
}

struct DisplayCloser {
    void operator()(Display *d) const { XCloseDisplay(d); }
};
struct ResourcesFree {
    void operator()(XRRScreenResources *r) const { XRRFreeScreenResources(r); }
};
struct OutputFree {
    void operator()(XRROutputInfo *o) const { XRRFreeOutputInfo(o); }
};
struct CrtcFree {
    void operator()(XRRCrtcInfo *c) const { XRRFreeCrtcInfo(c); }
};

using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;
using ResourcesPtr = std::unique_ptr<XRRScreenResources, ResourcesFree>;
using OutputPtr = std::unique_ptr<XRROutputInfo, OutputFree>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, CrtcFree>;

int refreshOf(const XRRModeInfo &m)
{
    if (m.hTotal == 0 || m.vTotal == 0)
        return 0;
    return int(std::lround(double(m.dotClock) / (double(m.hTotal) * m.vTotal)));
}

// The RandR state the calls share: the connection, the resources and the chosen output.
struct Randr {
    DisplayPtr dpy;
    int screen = 0;
    ResourcesPtr res;
    RROutput output = 0;
    OutputPtr outputInfo;

    explicit Randr(const QString &name)
    {
        dpy.reset(XOpenDisplay(nullptr));
        if (!dpy)
            return;
        screen = DefaultScreen(dpy.get());
        int eventBase = 0, errorBase = 0;
        if (!XRRQueryExtension(dpy.get(), &eventBase, &errorBase))
            return;
        // The current resources: no re-probe of the outputs, so this stays fast.
        res.reset(XRRGetScreenResourcesCurrent(dpy.get(), RootWindow(dpy.get(), screen)));
        if (!res)
            return;
        for (int i = 0; i < res->noutput; ++i) {
            OutputPtr info(XRRGetOutputInfo(dpy.get(), res.get(), res->outputs[i]));
            if (!info || info->connection != RR_Connected || !info->crtc)
                continue;
            const bool named = !name.isEmpty() && QString::fromUtf8(info->name, info->nameLen) == name;
            if (named || !outputInfo) {
                output = res->outputs[i];
                outputInfo = std::move(info);
                if (named)
                    break;
            }
        }
    }

    int depth() const { return DefaultDepth(dpy.get(), screen); }
    const XRRModeInfo *mode(RRMode id) const
    {
        for (int i = 0; i < res->nmode; ++i)
            if (res->modes[i].id == id)
                return &res->modes[i];
        return nullptr;
    }
};

} // namespace

QStringList XrandrDisplayModes::modes() const
{
    QStringList list;
    Randr r(output_);
    if (!r.dpy)
        return list;
    if (r.res) {
        // The output's own modes when one is known, else every mode the screen has.
        const auto add = [&](const XRRModeInfo &m) {
            const QString text = displayModeText({int(m.width), int(m.height), r.depth(), 0});
            if (!list.contains(text))
                list.append(text);
        };
        if (r.outputInfo) {
            for (int i = 0; i < r.outputInfo->nmode; ++i)
                if (const XRRModeInfo *m = r.mode(r.outputInfo->modes[i]))
                    add(*m);
        } else {
            for (int i = 0; i < r.res->nmode; ++i)
                add(r.res->modes[i]);
        }
    }
    if (list.isEmpty()) // no RandR: the screen's own size is the one mode there is
        list.append(displayModeText({DisplayWidth(r.dpy.get(), r.screen),
                                     DisplayHeight(r.dpy.get(), r.screen), r.depth(), 0}));
    return list;
}

std::optional<DisplayMode> XrandrDisplayModes::current() const
{
    Randr r(output_);
    if (!r.dpy || !r.res || !r.outputInfo)
        return std::nullopt;
    CrtcPtr crtc(XRRGetCrtcInfo(r.dpy.get(), r.res.get(), r.outputInfo->crtc));
    if (!crtc)
        return std::nullopt;
    const XRRModeInfo *m = r.mode(crtc->mode);
    if (!m)
        return std::nullopt;
    return DisplayMode{int(m->width), int(m->height), r.depth(), refreshOf(*m)};
}

bool XrandrDisplayModes::apply(const DisplayMode &wanted)
{
    Randr r(output_);
    if (!r.dpy || !r.res || !r.outputInfo)
        return false;
    // X cannot change the depth of a running screen: a mode asking for another one is refused
    // rather than half applied.
    if (wanted.bits != 0 && wanted.bits != r.depth())
        return false;
    // The output's mode of that size, the wanted refresh rate when given, else the fastest.
    const XRRModeInfo *best = nullptr;
    for (int i = 0; i < r.outputInfo->nmode; ++i) {
        const XRRModeInfo *m = r.mode(r.outputInfo->modes[i]);
        if (!m || int(m->width) != wanted.width || int(m->height) != wanted.height)
            continue;
        if (wanted.refresh > 0 && refreshOf(*m) != wanted.refresh)
            continue;
        if (!best || refreshOf(*m) > refreshOf(*best))
            best = m;
    }
    if (!best)
        return false;
    CrtcPtr crtc(XRRGetCrtcInfo(r.dpy.get(), r.res.get(), r.outputInfo->crtc));
    if (!crtc)
        return false;
    if (crtc->mode == best->id)
        return true;

    Display *d = r.dpy.get();
    lastXError = 0;
    XErrorHandler previous = XSetErrorHandler(recordXError);
    XGrabServer(d);
    // A larger mode needs a larger screen first; a smaller one leaves the screen as it is.
    const Window root = RootWindow(d, r.screen);
    const int screenW = DisplayWidth(d, r.screen), screenH = DisplayHeight(d, r.screen);
    const int needW = std::max<int>(screenW, crtc->x + int(best->width));
    const int needH = std::max<int>(screenH, crtc->y + int(best->height));
    if (needW != screenW || needH != screenH) {
        const double dpi = 25.4 * DisplayHeight(d, r.screen) / std::max(1, DisplayHeightMM(d, r.screen));
        XRRSetScreenSize(d, root, needW, needH, int(25.4 * needW / dpi), int(25.4 * needH / dpi));
    }
    const Status st = XRRSetCrtcConfig(d, r.res.get(), r.outputInfo->crtc, CurrentTime, crtc->x,
                                       crtc->y, best->id, crtc->rotation, crtc->outputs,
                                       crtc->noutput);
    const bool ok = st == RRSetConfigSuccess && lastXError == 0;
    if (!ok && (needW != screenW || needH != screenH)) // no half-done switch
        XRRSetScreenSize(d, root, screenW, screenH, DisplayWidthMM(d, r.screen),
                         DisplayHeightMM(d, r.screen));
    XUngrabServer(d);
    XSync(d, False);
    XSetErrorHandler(previous);
    return ok;
}

} // namespace zv::video
