#pragma once

namespace zv::keys {

// The global playback keys Ctrl+Shift+Z/X/C/V/B, from raw key presses and releases of the
// whole desktop. A combination fires once per press of its letter: holding it (auto-repeat
// included) fires nothing more, and it fires again only after all five letters are up.
class OutsideKeys {
public:
    enum Key { CtrlL, CtrlR, ShiftL, ShiftR, Z, X, C, V, B, Count };
    // The command codes: 1 Prev, 2 Play, 3 Play/Pause, 4 Stop, 5 Next.
    static constexpr int kPrev = 1, kPlay = 2, kPlayPause = 3, kStop = 4, kNext = 5;

    // A key went down; the command to run, or 0.
    int press(Key key);
    void release(Key key);

private:
    bool down_[Count] = {};
    int last_ = 0;   // the combination that fired while its letter is still down
};

} // namespace zv::keys
