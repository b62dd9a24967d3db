#pragma once

#include "core/subtitles/subtitle_table.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace zv::sync {

// One piece of a piecewise time map: lines from `firstLine` (index into the table's TimeTable or
// cue order) until the next piece's firstLine are shown at
//   film time = subtitle time * factor + offset      (seconds)
struct SyncPiece {
    qsizetype firstLine = 0;
    double factor = 1.0;
    double offset = 0.0;
};

struct SyncOptions {
    bool allowSplit = true;       // look for cuts (piecewise offsets)
    // Quick check on opening: analyse only [windowStart, windowStart + windowLength) seconds of
    // the film (both 0: the whole film) and estimate one offset, no cuts, no rates but 1.
    double windowStart = 0;
    double windowLength = 0;
    // fraction in [0, 1]; called from the worker at least every 100 ms. Return false to cancel;
    // the call returns within 200 ms with `cancelled` set.
    std::function<bool(double fraction)> progress;
};

struct SyncResult {
    bool ok = false;         // a proposal that passed the confidence threshold
    bool cancelled = false;
    QString refusal;         // Polish reason when !ok and !cancelled ("Napisy nie pasują do filmu", ...)
    // Without cuts: one piece, and these equal it. factor/offset map subtitle time to film time;
    // the timing page's ShiftCoefficients are derived from them by the caller.
    double factor = 1.0;
    double offset = 0.0;
    std::vector<SyncPiece> pieces;  // sorted by firstLine; size() > 1 only when cuts were found
    double confidence = 0;          // 0..1; ok needs >= kConfidenceThreshold
    // For the picture: the speech score per 100 ms step of the film, 0..1.
    std::vector<float> speechScore;
    double speechScoreStart = 0; // film time of speechScore[0] (the window's start, else 0)
    double filmSeconds = 0;
    // Film time each line should start at, per TimeTable row (NaN for the end marker). The
    // pieces' maps give it, except for files timed in whole seconds, where each line is moved
    // to the speech onset within its second.
    std::vector<double> lineStarts;
};

inline constexpr double kConfidenceThreshold = 0.5;
// Fewer lines than this are refused ("too few lines": the message says how many are needed).
inline constexpr int kMinimumLines = 10;
// A shorter film (or quick-check window) holds too little speech to tell a fit from chance.
inline constexpr double kMinimumSeconds = 20;

// From a film and its loaded subtitles to a proposed time map. Blocking: call on a worker thread.
// Reads only the film's best audio stream in-process.
SyncResult synchronise(const QString &filmPath, const SubtitleTable &table,
                       const SyncOptions &options = {});

} // namespace zv::sync
