#include "core/sync/alignment.h"

#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace zv::sync {

namespace {

constexpr int kDecimate = 5;       // 10 ms frames per correlation step (50 ms)
constexpr double kStep = 0.05;
constexpr double kPreferUnity = 0.97; // another rate must beat 1:1 by 3 % to be taken

struct FftrFree {
    void operator()(kiss_fftr_cfg c) const { kiss_fftr_free(c); }
};
using Fftr = std::unique_ptr<std::remove_pointer_t<kiss_fftr_cfg>, FftrFree>;

size_t powerOfTwoAtLeast(size_t n)
{
    size_t m = 2;
    while (m < n)
        m <<= 1;
    return m;
}

} // namespace

const std::vector<double> &commonFactors()
{
    // Subtitles timed for the first rate played at the second: subtitle seconds * a/b.
    static const std::vector<double> f = {
        1.0, 23.976 / 25, 25 / 23.976, 24.0 / 25, 25 / 24.0, 23.976 / 24, 24 / 23.976,
        25.0 / 30, 30.0 / 25,
    };
    return f;
}

RateOffset searchRateOffset(const OnsetTrack &track, const LineOnsets &lines,
                            const std::vector<double> &factors, int candidates,
                            const std::function<bool()> &keepGoing)
{
    RateOffset best;
    if (lines.seconds.empty() || track.z.empty() || factors.empty())
        return best;

    // The film side at 50 ms: the strongest onset in each step keeps a sharp start sharp.
    const size_t nf = (track.z.size() + kDecimate - 1) / kDecimate;
    double lastLine = 0;
    for (double s : lines.seconds)
        lastLine = std::max(lastLine, s);
    double maxFactor = 0;
    for (double f : factors)
        maxFactor = std::max(maxFactor, f);
    const double spread = lines.coarse ? 1.0 : 0.0;
    const size_t ny = size_t(std::ceil((lastLine * maxFactor + spread + 1) / kStep)) + 1;
    const size_t m = powerOfTwoAtLeast(nf + ny);

    Fftr fwd(kiss_fftr_alloc(int(m), 0, nullptr, nullptr));
    Fftr inv(kiss_fftr_alloc(int(m), 1, nullptr, nullptr));
    std::vector<float> film(m, 0.0f), subs(m), corr(m);
    for (size_t j = 0; j < nf; ++j) {
        float v = -1e9f;
        for (size_t k = j * kDecimate; k < std::min(track.z.size(), (j + 1) * kDecimate); ++k)
            v = std::max(v, track.z[k]);
        film[j] = v;
    }
    std::vector<kiss_fft_cpx> filmF(m / 2 + 1), subsF(m / 2 + 1);
    kiss_fftr(fwd.get(), film.data(), filmF.data());

    double bestPeak = -1e300;
    for (double factor : factors) {
        if (keepGoing && !keepGoing())
            return {};
        std::fill(subs.begin(), subs.end(), 0.0f);
        for (double s : lines.seconds) {
            const double p = s * factor / kStep;
            if (lines.coarse) { // the true start is anywhere in the next second
                const int width = int(std::lround(factor / kStep));
                for (int k = 0; k < width; ++k) {
                    const long i = long(std::lround(p)) + k;
                    if (i >= 0 && size_t(i) < ny)
                        subs[size_t(i)] += 1.0f / float(width);
                }
            } else {
                const long i = long(std::lround(p));
                if (i >= 0 && size_t(i) < ny)
                    subs[size_t(i)] += 1.0f;
            }
        }
        kiss_fftr(fwd.get(), subs.data(), subsF.data());
        for (size_t k = 0; k < subsF.size(); ++k) { // film x conj(subs): correlation by lag
            const kiss_fft_cpx a = filmF[k], b = subsF[k];
            subsF[k] = {a.r * b.r + a.i * b.i, a.i * b.r - a.r * b.i};
        }
        kiss_fftri(inv.get(), subsF.data(), corr.data());

        // Lags from -(ny - 1) to nf - 1 steps: every placement that keeps a line in the film.
        auto at = [&](long lag) { return corr[size_t(lag >= 0 ? lag : long(m) + lag)]; };
        const long lo = -long(ny) + 1, hi = long(nf) - 1;
        std::vector<std::pair<float, long>> peaks;
        for (long lag = lo; lag <= hi; ++lag) {
            const float v = at(lag);
            if ((lag == lo || v >= at(lag - 1)) && (lag == hi || v > at(lag + 1)))
                peaks.push_back({v, lag});
        }
        std::sort(peaks.begin(), peaks.end(), [](auto &a, auto &b) { return a.first > b.first; });
        if (peaks.empty())
            continue;
        const double weight = factor == 1.0 ? 1.0 : kPreferUnity;
        const double peak = peaks.front().first * weight;
        if (peak <= bestPeak)
            continue;
        bestPeak = peak;
        best.factor = factor;
        best.offsets.clear();
        best.strengths.clear();
        for (const auto &[v, lag] : peaks) {
            const double off = track.origin + double(lag) * kStep;
            bool near = false;
            for (double o : best.offsets)
                near = near || std::abs(o - off) < 1.5;
            if (near)
                continue;
            best.offsets.push_back(off);
            best.strengths.push_back(v / double(m));
            if (int(best.offsets.size()) >= candidates)
                break;
        }
    }
    return best;
}

} // namespace zv::sync
