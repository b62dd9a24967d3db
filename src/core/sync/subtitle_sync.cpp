#include "core/sync/subtitle_sync.h"

#include "core/sync/alignment.h"
#include "core/sync/audio_decode.h"
#include "core/sync/speech_score.h"

#include "core/media/film_tracks.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace zv::sync {

namespace {

SyncResult refused(const QString &why)
{
    SyncResult r;
    r.refusal = why;
    return r;
}

// The score per 100 ms for the picture, scaled so the loud end of speech reaches 1 whatever the
// film's noise did to the raw values.
std::vector<float> pictureScore(const std::vector<float> &frames)
{
    std::vector<float> out;
    for (size_t i = 0; i < frames.size(); i += 10) {
        float sum = 0;
        const size_t end = std::min(frames.size(), i + 10);
        for (size_t k = i; k < end; ++k)
            sum += frames[k];
        out.push_back(sum / float(end - i));
    }
    if (out.empty())
        return out;
    std::vector<float> sorted = out;
    const size_t at = size_t(double(sorted.size() - 1) * 0.98);
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(at), sorted.end());
    const float top = std::max(sorted[at], 1e-6f);
    for (float &v : out)
        v = std::clamp(v / top, 0.0f, 1.0f);
    return out;
}

// Films at least this long are read in two halves at once: decoding is most of the work, and a
// single decoder keeps one core busy while the other waits.
constexpr double kSplitReadSeconds = 120;
// The second half starts this much early, so its running noise floor has settled by the joint.
constexpr double kSplitLead = 10;

struct ScoredAudio {
    AudioReadResult read;
    std::vector<float> scores; // per 10 ms frame from read.firstSampleTime
};

// The whole film's speech score from two decoders working on its halves, each scoring on its own
// thread; the second half's frames are taken from the joint on, on the first half's 10 ms grid.
ScoredAudio scoreInHalves(const QString &path, double duration, const std::function<bool(double)> &progress)
{
    using Status = AudioReadResult::Status;
    const double mid = std::floor(duration / 2);
    std::atomic<bool> cancel{false};
    std::atomic<long long> heard{0};
    SpeechScorer first, second;
    AudioReadResult ra, rb;
    std::atomic<int> finished{0};
    const auto part = [&](SpeechScorer *scorer, AudioReadResult *out, double start, double length) {
        return std::thread([&, scorer, out, start, length] {
            *out = decodeAudio(path, start, length,
                               [&](const float *s, int n) {
                                   scorer->feed(s, n);
                                   heard.fetch_add(n, std::memory_order_relaxed);
                                   return !cancel.load(std::memory_order_relaxed);
                               },
                               &cancel);
            if (!cancel.load())
                scorer->finish();
            finished.fetch_add(1);
        });
    };
    std::thread ta = part(&first, &ra, 0.0, mid);
    std::thread tb = part(&second, &rb, mid - kSplitLead, 1e9);
    const double total = (duration + kSplitLead) * kAnalysisRate;
    // The workers end by themselves; this thread reports and passes a cancel on.
    while (finished.load() < 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (progress && !cancel.load() && !progress(std::min(1.0, double(heard.load()) / total)))
            cancel.store(true);
    }
    ta.join();
    tb.join();

    ScoredAudio r;
    if (cancel.load()) {
        r.read.status = Status::Cancelled;
        return r;
    }
    r.read = ra;
    r.read.goodPackets += rb.goodPackets;
    r.read.failedPackets += rb.failedPackets;
    if (ra.status != Status::Ok)
        return r;
    if (rb.status != Status::Ok && rb.status != Status::NoAudio) { // a damaged second half
        r.read.status = rb.status;
        return r;
    }
    const std::vector<float> &a = first.scores(), &b = second.scores();
    const auto keep = std::min(a.size(), size_t(std::max(0.0, std::ceil((mid - ra.firstSampleTime) / kFrameSeconds))));
    r.scores.assign(a.begin(), a.begin() + std::ptrdiff_t(keep));
    if (rb.status == Status::Ok) {
        for (size_t k = keep;; ++k) {
            const double t = ra.firstSampleTime + double(k) * kFrameSeconds;
            const long long j = std::llround((t - rb.firstSampleTime) / kFrameSeconds);
            if (j < 0)
                continue;
            if (size_t(j) >= b.size())
                break;
            r.scores.push_back(b[size_t(j)]);
        }
    }
    r.read.samples = (long long)(r.scores.size()) * kFrameSamples;
    return r;
}

} // namespace

SyncResult synchronise(const QString &filmPath, const SubtitleTable &table, const SyncOptions &options)
{
    const LineOnsets lines = lineOnsets(table);
    if (qsizetype(lines.seconds.size()) < kMinimumLines)
        return refused(QStringLiteral("Za mało napisów do synchronizacji: %1 (potrzeba co najmniej %2)")
                           .arg(lines.seconds.size())
                           .arg(kMinimumLines));

    const bool quick = options.windowLength > 0;
    const auto readProgress = [&](double fraction) { return !options.progress || options.progress(fraction * 0.95); };
    SpeechScorer scorer;
    ScoredAudio halves;
    const double duration = quick ? 0.0 : media::probeFilm(filmPath).durationSeconds;
    const bool split = duration >= kSplitReadSeconds && std::thread::hardware_concurrency() >= 2;
    if (split)
        halves = scoreInHalves(filmPath, duration, readProgress);
    const AudioReadResult read = split ? halves.read
                                       : decodeAudioThreaded(filmPath, quick ? std::max(0.0, options.windowStart) : 0.0,
                                                             quick ? options.windowLength : 0.0,
                                                             [&](const float *s, int n) { scorer.feed(s, n); }, readProgress);
    using Status = AudioReadResult::Status;
    switch (read.status) {
    case Status::Cancelled: {
        SyncResult r;
        r.cancelled = true;
        return r;
    }
    case Status::Unreadable:
        return refused(QStringLiteral("Nie można odczytać filmu"));
    case Status::NoAudio:
        return refused(QStringLiteral("Film nie ma ścieżki dźwiękowej"));
    case Status::Corrupt:
        return refused(QStringLiteral("Ścieżka dźwiękowa filmu jest uszkodzona"));
    case Status::Ok:
        break;
    }
    if (!split)
        scorer.finish();
    const std::vector<float> &scores = split ? halves.scores : scorer.scores();
    const double heard = double(read.samples) / kAnalysisRate;
    if (heard < kMinimumSeconds)
        return refused(QStringLiteral("Film jest za krótki do synchronizacji: %1 s (potrzeba co najmniej %2 s)")
                           .arg(qRound(heard))
                           .arg(qRound(kMinimumSeconds)));

    AlignOptions ao;
    ao.allowSplit = options.allowSplit && !quick;
    ao.rateSearch = !quick;
    if (options.progress)
        ao.keepGoing = [&] { return options.progress(0.97); };
    const Alignment a = align(scores, read.firstSampleTime, lines, ao);
    if (a.cancelled) {
        SyncResult r;
        r.cancelled = true;
        return r;
    }

    SyncResult r;
    r.speechScore = pictureScore(scores);
    r.speechScoreStart = read.firstSampleTime;
    r.filmSeconds = read.durationSeconds > 0 ? read.durationSeconds : read.firstSampleTime + heard;
    r.confidence = a.confidence;
    r.factor = a.factor;
    r.offset = a.offset;
    r.pieces = a.pieces;
    r.lineStarts.assign(size_t(table.TimeTable().size()), std::numeric_limits<double>::quiet_NaN());
    for (size_t i = 0; i < lines.rows.size() && i < a.lineStarts.size(); ++i)
        r.lineStarts[size_t(lines.rows[i])] = a.lineStarts[i];
    if (options.progress)
        options.progress(1.0);
    if (a.pieces.empty() || a.confidence < kConfidenceThreshold) {
        r.refusal = QStringLiteral("Napisy nie pasują do filmu");
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace zv::sync
