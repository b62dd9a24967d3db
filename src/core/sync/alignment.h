#pragma once

#include "core/sync/line_onsets.h"
#include "core/sync/subtitle_sync.h"

#include <functional>
#include <vector>

namespace zv::sync {

// Where speech starts in the film: per 10 ms frame, the mean speech score of the next 0.3 s
// minus that of the last 0.3 s, divided by its own spread over the film, so the same numbers
// mean the same on a clean film and under loud noise.
struct OnsetTrack {
    std::vector<float> z;
    double origin = 0; // film time of frame 0
    double seconds() const { return origin + double(z.size()) * 0.01; }
    // Largest value in [from, to] seconds of film; a large negative number outside the film.
    float maxIn(double from, double to) const;
    // Film time of that largest value (from when none).
    double argmaxIn(double from, double to) const;
};
OnsetTrack onsetTrack(const std::vector<float> &speechScore, double origin = 0);

// Where a line's start may fall in the film, given the map: a point for files timed to the
// millisecond, [t, t + 1 s) for whole-second files.
struct LineWindow {
    double from;
    double to;
};
LineWindow lineWindow(const LineOnsets &lines, size_t i, double factor, double offset, double slack);

// Frame-rate ratios a user meets: film time = subtitle time * factor + offset.
const std::vector<double> &commonFactors();

// Best offsets for each factor by FFT cross-correlation of the speech onsets with the line
// starts at 50 ms steps; the winning factor with its strongest distinct offsets, best first.
struct RateOffset {
    double factor = 1.0;
    std::vector<double> offsets; // seconds; at most `candidates`, at least 1.5 s apart
    std::vector<double> strengths;
};
// `keepGoing`, when given, is asked between factors; false stops with no offsets.
RateOffset searchRateOffset(const OnsetTrack &track, const LineOnsets &lines,
                            const std::vector<double> &factors, int candidates,
                            const std::function<bool()> &keepGoing = {});

// Sum of the onset values at the starts of lines [first, last) under the map.
double mapScore(const OnsetTrack &track, const LineOnsets &lines, size_t first, size_t last,
                double factor, double offset);
// The offset within `range` seconds of `offset` (10 ms steps, then to the millisecond) where the
// starts of lines [first, last) land best on speech onsets.
double refineOffset(const OnsetTrack &track, const LineOnsets &lines, size_t first, size_t last,
                    double factor, double offset, double range);

// A piecewise offset over the lines (Viterbi over the candidate offsets with a penalty per
// switch), kept only when clearly better than the single best offset. Pieces index `lines`.
std::vector<SyncPiece> searchCuts(const OnsetTrack &track, const LineOnsets &lines, double factor,
                                  const std::vector<double> &offsets);

// 0..1: how much better the line starts land on speech onsets under this map than under maps
// that cannot be right (the same lines shifted well away). A file made for another film scores
// near 0 whatever offset was found for it.
double mapConfidence(const OnsetTrack &track, const LineOnsets &lines,
                     const std::vector<SyncPiece> &pieces);

struct AlignOptions {
    bool allowSplit = true;
    bool rateSearch = true;
    // Asked between the steps (a few tens of milliseconds apart); false cancels.
    std::function<bool()> keepGoing;
};
struct Alignment {
    double factor = 1.0;
    double offset = 0.0;
    std::vector<SyncPiece> pieces; // firstLine indexes the table rows
    double confidence = 0;
    std::vector<double> lineStarts; // film time of each line of `lines`, in order
    bool cancelled = false;
};
// The whole match from a speech score to a map; what synchronise() runs once the sound is read.
Alignment align(const std::vector<float> &speechScore, double origin, const LineOnsets &lines,
                const AlignOptions &options);

} // namespace zv::sync
