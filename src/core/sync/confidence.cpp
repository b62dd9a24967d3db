#include "core/sync/alignment.h"

#include <algorithm>

namespace zv::sync {

namespace {
constexpr float kHit = 1.0f;    // onset value that counts as "speech starts here"
constexpr double kSlack = 0.1;  // seconds either side of a line start
constexpr int kDecoys = 40;     // maps shifted away from the found one, for the chance rate
} // namespace

double mapConfidence(const OnsetTrack &track, const LineOnsets &lines,
                     const std::vector<SyncPiece> &pieces)
{
    if (pieces.empty() || lines.seconds.empty())
        return 0;
    // Share of lines inside the film that start on an onset when every piece is moved by `shift`.
    auto hitRate = [&](double shift) {
        size_t inside = 0, hits = 0;
        for (size_t p = 0; p < pieces.size(); ++p) {
            const size_t end = p + 1 < pieces.size() ? size_t(pieces[p + 1].firstLine) : lines.seconds.size();
            for (size_t i = size_t(pieces[p].firstLine); i < end; ++i) {
                const LineWindow w = lineWindow(lines, i, pieces[p].factor, pieces[p].offset + shift, kSlack);
                if (w.from < track.origin + 0.3 || w.to > track.seconds() - 0.3)
                    continue;
                ++inside;
                hits += track.maxIn(w.from, w.to) >= kHit;
            }
        }
        return inside ? double(hits) / double(inside) : 0.0;
    };
    const double found = hitRate(0);
    double chance = 0;
    for (int d = 0; d < kDecoys; ++d) {
        const double shift = (d % 2 ? -1 : 1) * (2.3 + 0.77 * d);
        chance += hitRate(shift);
    }
    chance /= kDecoys;
    if (found <= chance || chance >= 1)
        return 0;
    return std::clamp((found - chance) / (1 - chance), 0.0, 1.0);
}

} // namespace zv::sync
