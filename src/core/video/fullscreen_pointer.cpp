#include "core/video/fullscreen_pointer.h"

#include <cstdlib>

namespace zv::video {

void FullScreenPointer::reset(QPoint pos, qint64 msecs)
{
    last_ = pos;
    lastMs_ = msecs;
}

FullScreenPointer::Answer FullScreenPointer::moved(QPoint pos, qint64 msecs, const Geometry &g)
{
    Answer a;
    if (std::abs(pos.x() - last_.x()) > kWakeDistance || std::abs(pos.y() - last_.y()) > kWakeDistance) {
        a.showCursor = true;
        a.showBar = g.showControls && overBar(pos, g);
        a.restartHideTimer = true;
    }
    // The reference follows the pointer at most once per sample period, as a poll would see it.
    if (a.showCursor || msecs - lastMs_ >= kSampleMs) {
        last_ = pos;
        lastMs_ = msecs;
    }
    return a;
}

FullScreenPointer::Answer FullScreenPointer::hideTimerFired(QPoint pos, bool ourWindowActive,
                                                            const Geometry &g) const
{
    Answer a;
    if ((!overBar(pos, g) || !g.showControls) && ourWindowActive)
        a.hideCursorAndBar = true;
    else
        a.restartHideTimer = true;
    return a;
}

} // namespace zv::video
