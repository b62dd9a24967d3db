#pragma once

#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/time_shift.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace zv {

// LastShownTime after a new file is loaded: the next tick clears whatever is on screen.
inline constexpr int32_t kLastShownAfterLoad = 100000000;

// What the timer remembers between ticks.
struct SubtitleDisplayState {
    QString DisplayedText;   // the text on screen; empty when none
    int32_t LastShownTime = kLastShownAfterLoad; // second at which the shown line last matched
};

struct SubtitleTimerInput {
    double CurrentPosition = -1; // engine position in seconds
    double MediaFrameRate = 0;   // below 1 (nothing open, clip opening) counts as 25
    int TextDelay = 4;           // seconds a line may stay
    bool OverlayDragging = false;
    bool OffsetEnabled = false;
    double ShiftFactor = 1.0;
    double ShiftOffset = 0.0;
    const PiecewiseShift *Pieces = nullptr; // used instead of the pair when it holds pieces
};

// One tick of the subtitle timer: picks the line for the position (the first match in table
// order), updates `state`, and returns the text to hand to the renderer when the text on screen
// changes (an empty text clears it); nullopt when nothing is to be drawn. The cost of a tick
// does not grow with the table (the table's index answers in O(log n)).
std::optional<QString> Timer1Timer(const SubtitleTable &table, const SubtitleTimerInput &in,
                                   SubtitleDisplayState &state);

} // namespace zv
