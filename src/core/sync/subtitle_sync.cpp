#include "core/sync/subtitle_sync.h"

#include "core/sync/alignment.h"
#include "core/sync/audio_decode.h"
#include "core/sync/speech_score.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

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

} // namespace

SyncResult synchronise(const QString &filmPath, const SubtitleTable &table, const SyncOptions &options)
{
    const LineOnsets lines = lineOnsets(table);
    if (qsizetype(lines.seconds.size()) < kMinimumLines)
        return refused(QStringLiteral("Za mało napisów do synchronizacji: %1 (potrzeba co najmniej %2)")
                           .arg(lines.seconds.size())
                           .arg(kMinimumLines));

    const bool quick = options.windowLength > 0;
    SpeechScorer scorer;
    const AudioReadResult read = decodeAudioThreaded(
        filmPath, quick ? std::max(0.0, options.windowStart) : 0.0, quick ? options.windowLength : 0.0,
        [&](const float *s, int n) { scorer.feed(s, n); },
        [&](double fraction) { return !options.progress || options.progress(fraction * 0.95); });
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
    scorer.finish();
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
    const Alignment a = align(scorer.scores(), read.firstSampleTime, lines, ao);
    if (a.cancelled) {
        SyncResult r;
        r.cancelled = true;
        return r;
    }

    SyncResult r;
    r.speechScore = pictureScore(scorer.scores());
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
