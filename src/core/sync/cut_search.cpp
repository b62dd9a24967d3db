#include "core/sync/alignment.h"

#include <algorithm>
#include <cmath>

namespace zv::sync {

namespace {
constexpr double kSwitchPenalty = 6;  // onset units a cut must win back
constexpr size_t kMinPieceLines = 5;  // a piece shorter than this is noise, not a scene
constexpr double kMinGainShare = 0.1; // and the cuts must add a tenth to the single fit
} // namespace

std::vector<SyncPiece> searchCuts(const OnsetTrack &track, const LineOnsets &lines, double factor,
                                  const std::vector<double> &offsets)
{
    const size_t n = lines.seconds.size(), k = offsets.size();
    std::vector<SyncPiece> single{{0, factor, offsets.empty() ? 0.0 : offsets.front()}};
    if (k < 2 || n < 2 * kMinPieceLines)
        return single;

    // How well each line starts on speech under each candidate offset, bounded so that one
    // loud line cannot carry a piece.
    std::vector<double> fit(n * k);
    for (size_t i = 0; i < n; ++i)
        for (size_t c = 0; c < k; ++c) {
            const LineWindow w = lineWindow(lines, i, factor, offsets[c], 0.05);
            const float v = track.maxIn(w.from, w.to);
            fit[i * k + c] = v > -1e5f ? std::clamp(double(v), -2.0, 4.0) : -2.0;
        }

    // Viterbi: best total with a penalty per switch of offset.
    std::vector<double> total(k), next(k);
    std::vector<uint8_t> from(n * k);
    for (size_t c = 0; c < k; ++c)
        total[c] = fit[c];
    for (size_t i = 1; i < n; ++i) {
        const size_t lead = size_t(std::max_element(total.begin(), total.end()) - total.begin());
        for (size_t c = 0; c < k; ++c) {
            const bool stay = total[c] >= total[lead] - kSwitchPenalty;
            from[i * k + c] = uint8_t(stay ? c : lead);
            next[c] = (stay ? total[c] : total[lead] - kSwitchPenalty) + fit[i * k + c];
        }
        total.swap(next);
    }
    size_t c = size_t(std::max_element(total.begin(), total.end()) - total.begin());
    const double pathScore = total[c];
    std::vector<size_t> path(n);
    for (size_t i = n; i-- > 0;) {
        path[i] = c;
        c = from[i * k + c];
    }

    double singleScore = -1e300;
    for (size_t o = 0; o < k; ++o) {
        double s = 0;
        for (size_t i = 0; i < n; ++i)
            s += fit[i * k + o];
        singleScore = std::max(singleScore, s);
    }
    std::vector<SyncPiece> pieces;
    for (size_t i = 0; i < n; ++i)
        if (i == 0 || path[i] != path[i - 1])
            pieces.push_back({qsizetype(i), factor, offsets[path[i]]});
    if (pieces.size() < 2 || pathScore - singleScore < std::max(kSwitchPenalty, kMinGainShare * std::abs(singleScore)))
        return single;
    for (size_t p = 0; p < pieces.size(); ++p) {
        const size_t end = p + 1 < pieces.size() ? size_t(pieces[p + 1].firstLine) : n;
        if (end - size_t(pieces[p].firstLine) < kMinPieceLines)
            return single;
    }
    return pieces;
}

} // namespace zv::sync
