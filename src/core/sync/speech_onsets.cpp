#include "core/sync/alignment.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zv::sync {

namespace {
constexpr int kAfter = 30;  // frames of speech expected after a line starts (0.3 s)
constexpr int kBefore = 30; // frames before it
constexpr float kOutside = -1e6f;
} // namespace

OnsetTrack onsetTrack(const std::vector<float> &score, double origin)
{
    OnsetTrack t;
    t.origin = origin;
    const size_t n = score.size();
    std::vector<double> prefix(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + score[i];
    auto mean = [&](long a, long b) { // [a, b) clipped to the film
        a = std::clamp(a, 0L, long(n));
        b = std::clamp(b, 0L, long(n));
        return b > a ? (prefix[size_t(b)] - prefix[size_t(a)]) / double(b - a) : 0.0;
    };
    t.z.resize(n);
    double sum = 0, sq = 0;
    for (size_t i = 0; i < n; ++i) {
        const double v = mean(long(i), long(i) + kAfter) - mean(long(i) - kBefore, long(i));
        t.z[i] = float(v);
        sum += v;
        sq += v * v;
    }
    if (n > 1) {
        const double m = sum / double(n);
        const double sd = std::sqrt(std::max(1e-18, sq / double(n) - m * m));
        for (float &v : t.z)
            v = float((v - m) / sd);
    }
    return t;
}

namespace {
// The frames of [from, to] seconds inside the track; empty (first > last) outside it.
std::pair<long, long> framesIn(const OnsetTrack &t, double from, double to)
{
    const long a = long(std::floor((from - t.origin) * 100 + 0.5));
    const long b = long(std::floor((to - t.origin) * 100 + 0.5));
    return {std::max(a, 0L), std::min(b, long(t.z.size()) - 1)};
}

} // namespace

float OnsetTrack::maxIn(double from, double to) const
{
    const auto [a, b] = framesIn(*this, from, to);
    if (a > b)
        return kOutside;
    return *std::max_element(z.begin() + a, z.begin() + b + 1);
}

double OnsetTrack::argmaxIn(double from, double to) const
{
    const auto [a, b] = framesIn(*this, from, to);
    if (a > b)
        return from;
    const long i = long(std::max_element(z.begin() + a, z.begin() + b + 1) - z.begin());
    return origin + double(i) * 0.01;
}

LineWindow lineWindow(const LineOnsets &lines, size_t i, double factor, double offset, double slack)
{
    const double t = lines.seconds[i] * factor + offset;
    return lines.coarse ? LineWindow{t - slack, t + factor + slack} : LineWindow{t - slack, t + slack};
}

} // namespace zv::sync
