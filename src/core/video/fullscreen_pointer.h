#pragma once

#include <QPoint>

namespace zv::video {

// What the full-screen pointer logic needs to know of the screen and the options.
struct FullScreenPointerGeometry {
    int screenHeight = 0;        // the screen's bottom edge + 1, in global coordinates
    int barHeight = 70;
    bool showControls = true;    // ShowFullScrCtrls
};
// What to do after a move or a hide-timer tick.
struct FullScreenPointerAnswer {
    bool showCursor = false;
    bool showBar = false;
    bool restartHideTimer = false;
    bool hideCursorAndBar = false;   // and stop the hide timer
};

// The cursor and the control bar in full screen. The window feeds it mouse moves (with their
// time) and the ticks of one single-shot hide timer; it answers what to show or hide. A move
// wakes the cursor only when it goes more than 20 px (either axis) from where the pointer was
// at least 10 ms earlier, so jitter does not keep the cursor on screen.
class FullScreenPointer {
public:
    using Geometry = FullScreenPointerGeometry;
    using Answer = FullScreenPointerAnswer;

    // Entering full screen: the pointer's place is the reference; the hide timer starts.
    void reset(QPoint pos, qint64 msecs);
    Answer moved(QPoint pos, qint64 msecs, const Geometry &g);
    // The hide timer ran out. ourWindowActive: the full-screen window or the bar is active.
    Answer hideTimerFired(QPoint pos, bool ourWindowActive, const Geometry &g) const;

    static constexpr int kWakeDistance = 20;
    static constexpr int kSampleMs = 10;
    static constexpr int kHideAfterMs = 2000;

private:
    static bool overBar(QPoint pos, const Geometry &g) { return pos.y() > g.screenHeight - g.barHeight; }
    QPoint last_;
    qint64 lastMs_ = 0;
};

} // namespace zv::video
