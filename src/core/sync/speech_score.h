#pragma once

#include <memory>
#include <vector>

namespace zv::sync {

// Step of the speech score: one value per 10 ms of film.
inline constexpr double kFrameSeconds = 0.01;
inline constexpr int kFrameSamples = 160; // at kAnalysisRate

// A continuous speech score per 10 ms frame, fed with kAnalysisRate mono samples as they are
// decoded. Each frame compares the energies of the speech band (300-3400 Hz, in 25 sub-bands)
// with a running noise floor per sub-band (minimum statistics over about 3 s), so steady noise of
// any colour scores near 0 however loud it is, and speech rising out of it scores above it even
// at a negative signal-to-noise ratio. Frame i is centred on sample i * kFrameSamples.
class SpeechScorer {
public:
    SpeechScorer();
    ~SpeechScorer();
    SpeechScorer(const SpeechScorer &) = delete;
    SpeechScorer &operator=(const SpeechScorer &) = delete;

    void feed(const float *samples, int count);
    // Scores the samples still held (the last half window, padded with silence).
    void finish();
    // 0..1 per frame; grows while feeding.
    const std::vector<float> &scores() const { return scores_; }

private:
    void frame(const float *window);

    struct Fft;
    std::unique_ptr<Fft> fft_;
    std::vector<float> buffer_;
    size_t read_ = 0;
    std::vector<float> scores_;
};

} // namespace zv::sync
