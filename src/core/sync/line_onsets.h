#pragma once

#include "core/subtitles/subtitle_table.h"

#include <vector>

namespace zv::sync {

// The subtitle side of the match: when each line STARTS, in subtitle seconds. Starts, not the
// spans a line stays up, because lines stay up after their speech for reading and a span would
// pull the match early.
struct LineOnsets {
    std::vector<double> seconds; // one per shown line, in table order
    std::vector<qsizetype> rows; // the table row (TimeTable / cue index) of each
    bool coarse = false;         // whole seconds only: a true start lies anywhere in [s, s + 1)
};

// Line starts of a loaded table, the end marker left out. Cue files give milliseconds; time,
// bracket and frame lines give the whole seconds their time table holds.
LineOnsets lineOnsets(const SubtitleTable &table);

} // namespace zv::sync
