#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace zv::sync {

// Sample rate of the mono float signal the analysis reads.
inline constexpr int kAnalysisRate = 16000;

struct AudioReadResult {
    enum class Status { Ok, Cancelled, Unreadable, NoAudio, Corrupt };
    Status status = Status::Ok;
    double durationSeconds = 0;  // the container's duration, 0 when unknown
    double firstSampleTime = 0;  // film time of the first sample handed out
    long long samples = 0;       // samples handed out
    long long failedPackets = 0; // packets the decoder refused
    long long goodPackets = 0;
};

// Decodes the best audio stream of a film to kAnalysisRate mono float samples, in order.
// Every other stream is discarded at the demuxer, and the decoder is asked to downmix itself
// (AC-3, E-AC-3, DTS) so the resampler has one channel to convert. `sink` receives consecutive
// blocks on the calling thread; it returns false to stop. With windowLength > 0 only
// [windowStart, windowStart + windowLength) of film time is read, after a seek.
// `cancel` is polled between packets; `duration` gets the container's duration once known.
AudioReadResult decodeAudio(const QString &path, double windowStart, double windowLength,
                            const std::function<bool(const float *, int)> &sink,
                            const std::atomic<bool> *cancel = nullptr,
                            std::atomic<double> *duration = nullptr);

// The same decode on a worker thread, blocks handed to `sink` on the calling thread as they
// come (a bounded queue in between, so memory stays flat). `progress` gets the fraction of the
// film read so far at least every 100 ms; returning false cancels within that time.
AudioReadResult decodeAudioThreaded(const QString &path, double windowStart, double windowLength,
                                    const std::function<void(const float *, int)> &sink,
                                    const std::function<bool(double)> &progress);

} // namespace zv::sync
