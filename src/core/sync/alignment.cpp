#include "core/sync/alignment.h"

#include <algorithm>
#include <cmath>

namespace zv::sync {

namespace {
constexpr int kCandidates = 6;
// Each piece of a cut map must fit clearly better than a whole file has to: a few lines fit
// some offset by chance far more often than many do.
constexpr double kPieceConfidence = kConfidenceThreshold + 0.25;
} // namespace

Alignment align(const std::vector<float> &speechScore, double origin, const LineOnsets &lines,
                const AlignOptions &options)
{
    Alignment a;
    const size_t n = lines.seconds.size();
    if (n == 0 || speechScore.empty())
        return a;
    const auto stop = [&] { return options.keepGoing && !options.keepGoing(); };
    const OnsetTrack track = onsetTrack(speechScore, origin);
    static const std::vector<double> unity{1.0};
    RateOffset ro = searchRateOffset(track, lines, options.rateSearch ? commonFactors() : unity,
                                     kCandidates, options.keepGoing);
    if (ro.offsets.empty()) { // no lines in the film, or cancelled during the search
        a.cancelled = stop();
        return a;
    }
    const double factor = ro.factor;

    // Each candidate to 10 ms over all lines; the coarse step ranked them only roughly.
    std::vector<double> offsets;
    for (double o : ro.offsets)
        offsets.push_back(refineOffset(track, lines, 0, n, factor, o, 0.1));
    std::stable_sort(offsets.begin(), offsets.end(), [&](double x, double y) {
        return mapScore(track, lines, 0, n, factor, x) > mapScore(track, lines, 0, n, factor, y);
    });

    if (stop()) {
        a.cancelled = true;
        return a;
    }
    std::vector<SyncPiece> pieces = options.allowSplit
                                        ? searchCuts(track, lines, factor, offsets)
                                        : std::vector<SyncPiece>{{0, factor, offsets.front()}};
    // A piece must fit on its own: otherwise cuts let a file for another film collect chance
    // matches piece by piece.
    if (pieces.size() > 1) {
        for (size_t p = 0; p < pieces.size(); ++p) {
            const size_t first = size_t(pieces[p].firstLine);
            const size_t end = p + 1 < pieces.size() ? size_t(pieces[p + 1].firstLine) : n;
            LineOnsets part;
            part.coarse = lines.coarse;
            part.seconds.assign(lines.seconds.begin() + std::ptrdiff_t(first),
                                lines.seconds.begin() + std::ptrdiff_t(end));
            if (mapConfidence(track, part, {{0, factor, pieces[p].offset}}) < kPieceConfidence) {
                pieces = {{0, factor, offsets.front()}};
                break;
            }
        }
    }
    // Each piece nudged so its own lines start on speech.
    for (size_t p = 0; p < pieces.size(); ++p) {
        const size_t end = p + 1 < pieces.size() ? size_t(pieces[p + 1].firstLine) : n;
        pieces[p].offset = refineOffset(track, lines, size_t(pieces[p].firstLine), end, factor,
                                        pieces[p].offset, pieces.size() > 1 ? 0.15 : 0.03);
    }
    a.confidence = mapConfidence(track, lines, pieces);

    a.lineStarts.resize(n);
    size_t biggest = 0, biggestLines = 0;
    for (size_t p = 0; p < pieces.size(); ++p) {
        const size_t end = p + 1 < pieces.size() ? size_t(pieces[p + 1].firstLine) : n;
        if (end - size_t(pieces[p].firstLine) > biggestLines) {
            biggestLines = end - size_t(pieces[p].firstLine);
            biggest = p;
        }
        for (size_t i = size_t(pieces[p].firstLine); i < end; ++i) {
            if (lines.coarse) { // whole seconds: each line to the onset inside its second
                const LineWindow w = lineWindow(lines, i, factor, pieces[p].offset, 0.1);
                a.lineStarts[i] = track.maxIn(w.from, w.to) >= 1.0f
                                      ? track.argmaxIn(w.from, w.to)
                                      : lines.seconds[i] * factor + pieces[p].offset;
            } else {
                a.lineStarts[i] = lines.seconds[i] * factor + pieces[p].offset;
            }
        }
    }
    a.factor = pieces[biggest].factor;
    a.offset = pieces[biggest].offset;
    for (SyncPiece &p : pieces)
        p.firstLine = lines.rows[size_t(p.firstLine)];
    a.pieces = std::move(pieces);
    return a;
}

} // namespace zv::sync
