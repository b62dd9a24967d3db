#include "core/sync/speech_score.h"

#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zv::sync {

namespace {

constexpr int kWindow = 512;       // 32 ms at 16 kHz
constexpr int kFirstBin = 10;      // 312 Hz
constexpr int kBinsPerBand = 4;    // 125 Hz
constexpr int kBands = 25;         // up to 3437 Hz
constexpr int kSubWindow = 40;     // frames per minimum-statistics block (0.4 s)
constexpr int kSubWindows = 8;     // blocks remembered: the floor follows noise within ~3 s
// The minimum of a fluctuating power sits below its mean; this lifts the floor back to where
// plain noise scores about 0.
constexpr float kFloorBias = 2.5f;
constexpr float kSmooth = 0.5f;    // one-pole smoothing of the band powers across frames

} // namespace

struct SpeechScorer::Fft {
    kiss_fftr_cfg cfg = nullptr;
    std::vector<float> hann = std::vector<float>(kWindow);
    std::vector<float> in = std::vector<float>(kWindow);
    std::vector<kiss_fft_cpx> out = std::vector<kiss_fft_cpx>(kWindow / 2 + 1);
    float smoothed[kBands] = {};
    float blockMin[kBands];
    float history[kSubWindows][kBands];
    int inBlock = 0;
    int blocks = 0;
    Fft()
    {
        cfg = kiss_fftr_alloc(kWindow, 0, nullptr, nullptr);
        for (int i = 0; i < kWindow; ++i)
            hann[size_t(i)] = float(0.5 - 0.5 * std::cos(2 * M_PI * (i + 0.5) / kWindow));
        std::fill(std::begin(blockMin), std::end(blockMin), std::numeric_limits<float>::max());
    }
    ~Fft() { kiss_fftr_free(cfg); }
};

SpeechScorer::SpeechScorer() : fft_(std::make_unique<Fft>())
{
    buffer_.assign(kWindow / 2, 0.0f); // frame 0 is centred on the first sample
}

SpeechScorer::~SpeechScorer() = default;

void SpeechScorer::feed(const float *samples, int count)
{
    buffer_.insert(buffer_.end(), samples, samples + count);
    while (buffer_.size() - read_ >= size_t(kWindow)) {
        frame(buffer_.data() + read_);
        read_ += kFrameSamples;
    }
    if (read_ > size_t(1) << 16) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(read_));
        read_ = 0;
    }
}

void SpeechScorer::finish()
{
    const std::vector<float> pad(kWindow / 2, 0.0f);
    const size_t frames = (buffer_.size() - read_ + kFrameSamples - 1 - kWindow / 2) / kFrameSamples;
    buffer_.insert(buffer_.end(), pad.begin(), pad.end());
    for (size_t i = 0; i < frames && buffer_.size() - read_ >= size_t(kWindow); ++i) {
        frame(buffer_.data() + read_);
        read_ += kFrameSamples;
    }
}

void SpeechScorer::frame(const float *window)
{
    Fft &f = *fft_;
    for (int i = 0; i < kWindow; ++i)
        f.in[size_t(i)] = window[i] * f.hann[size_t(i)];
    kiss_fftr(f.cfg, f.in.data(), f.out.data());

    double sum = 0;
    for (int b = 0; b < kBands; ++b) {
        float p = 1e-9f; // digital silence must not divide by zero
        for (int k = 0; k < kBinsPerBand; ++k) {
            const kiss_fft_cpx &c = f.out[size_t(kFirstBin + b * kBinsPerBand + k)];
            p += c.r * c.r + c.i * c.i;
        }
        const float s = f.smoothed[b] = kSmooth * f.smoothed[b] + (1 - kSmooth) * p;
        f.blockMin[b] = std::min(f.blockMin[b], s);
        float floor = f.blockMin[b];
        for (int h = 0; h < std::min(f.blocks, kSubWindows); ++h)
            floor = std::min(floor, f.history[h][b]);
        const float ratio = s / (floor * kFloorBias);
        if (ratio > 1)
            sum += std::log(ratio);
    }
    if (++f.inBlock == kSubWindow) {
        std::copy(std::begin(f.blockMin), std::end(f.blockMin), f.history[f.blocks % kSubWindows]);
        ++f.blocks;
        f.inBlock = 0;
        std::fill(std::begin(f.blockMin), std::end(f.blockMin), std::numeric_limits<float>::max());
    }
    const double raw = sum / kBands;
    // Gentle compression: speech over many bands keeps well above a few tones changing.
    scores_.push_back(float(raw / (raw + 3)));
}

} // namespace zv::sync
