#include "core/sync/alignment.h"

#include <algorithm>
#include <cmath>

namespace zv::sync {

namespace {

// The onset value at a film time, linearly between frames; 0 outside the film.
double onsetAt(const OnsetTrack &track, double t)
{
    const double x = (t - track.origin) * 100;
    const long i = long(std::floor(x));
    if (i < 0 || size_t(i) + 1 >= track.z.size())
        return 0;
    const double w = x - double(i);
    return track.z[size_t(i)] * (1 - w) + track.z[size_t(i) + 1] * w;
}

} // namespace

double mapScore(const OnsetTrack &track, const LineOnsets &lines, size_t first, size_t last,
                double factor, double offset)
{
    double sum = 0;
    for (size_t i = first; i < last; ++i) {
        if (lines.coarse) {
            const LineWindow w = lineWindow(lines, i, factor, offset, 0.0);
            const float v = track.maxIn(w.from, w.to);
            sum += v > -1e5f ? double(v) : 0.0;
        } else {
            sum += onsetAt(track, lines.seconds[i] * factor + offset);
        }
    }
    return sum;
}

double refineOffset(const OnsetTrack &track, const LineOnsets &lines, size_t first, size_t last,
                    double factor, double offset, double range)
{
    const int steps = int(std::lround(range / 0.01));
    std::vector<double> score(size_t(2 * steps + 1));
    for (int k = -steps; k <= steps; ++k)
        score[size_t(k + steps)] = mapScore(track, lines, first, last, factor, offset + k * 0.01);
    const size_t b = size_t(std::max_element(score.begin(), score.end()) - score.begin());
    double best = offset + (double(b) - steps) * 0.01;
    if (lines.coarse) {
        // Whole-second lines leave a plateau of equally good offsets: take its middle.
        size_t lo = b, hi = b;
        while (lo > 0 && score[lo - 1] >= score[b] - 1e-9)
            --lo;
        while (hi + 1 < score.size() && score[hi + 1] >= score[b] - 1e-9)
            ++hi;
        return offset + ((double(lo) + double(hi)) / 2 - steps) * 0.01;
    }
    if (b > 0 && b + 1 < score.size()) { // a parabola through the peak and its neighbours
        const double l = score[b - 1], c = score[b], r = score[b + 1];
        const double d = l - 2 * c + r;
        if (d < 0)
            best += std::clamp(0.5 * (l - r) / d, -0.5, 0.5) * 0.01;
    }
    return best;
}

} // namespace zv::sync
