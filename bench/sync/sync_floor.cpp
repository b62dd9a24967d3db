// sync_floor decode FILM   decodes the film's audio to 16 kHz mono exactly as the synchronisation
//                          does, with nothing else, and prints the seconds it took
// sync_floor align N       times the alignment alone (rate x offset, cuts, refinement,
//                          confidence) of N lines over a synthetic 100-minute speech score
#include "core/sync/alignment.h"
#include "core/sync/audio_decode.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

using namespace zv::sync;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

int decode(const char *film)
{
    const auto t = Clock::now();
    const std::clock_t cpu = std::clock();
    long long samples = 0;
    const AudioReadResult r = decodeAudio(QString::fromLocal8Bit(film), 0, 0, [&](const float *, int n) {
        samples += n;
        return true;
    });
    std::printf("decode %.3f s (cpu %.2f s), %.1f min of sound, status %d\n", since(t),
                double(std::clock() - cpu) / CLOCKS_PER_SEC, double(samples) / kAnalysisRate / 60, int(r.status));
    return r.status == AudioReadResult::Status::Ok ? 0 : 1;
}

int alignOnly(int lines)
{
    // Sentences of 1.5-4 s with gaps of 0.5-9 s, the score 0.6 in speech and 0.05 in between,
    // with noise; the subtitles 7.3 s late.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> len(1.5, 4), gap(0.5, 9), noise(-0.05, 0.05);
    const size_t frames = 100 * 60 * 100;
    std::vector<float> score(frames);
    for (float &v : score)
        v = float(0.05 + noise(rng));
    LineOnsets subs;
    double t = 2;
    for (int i = 0; i < lines && t < 99 * 60; ++i) {
        const double l = len(rng);
        for (size_t f = size_t(t * 100); f < size_t((t + l) * 100) && f < frames; ++f)
            score[f] = float(0.6 + noise(rng));
        subs.seconds.push_back(t + 7.3);
        subs.rows.push_back(i);
        t += l + gap(rng);
    }
    double best = 1e9;
    Alignment a;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        a = align(score, 0, subs, AlignOptions{});
        best = std::min(best, since(start));
    }
    std::printf("align %zu lines: %.3f s (best of 5), offset %.3f, confidence %.2f\n", subs.seconds.size(), best,
                a.offset, a.confidence);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "decode")
        return decode(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "align")
        return alignOnly(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: sync_floor decode FILM | sync_floor align LINES\n");
    return 2;
}
