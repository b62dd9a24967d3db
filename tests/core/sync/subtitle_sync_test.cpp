#include "core/sync/subtitle_sync.h"

#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace zv::sync {
namespace {

SubtitleTable loadSubtitles(const QString &path)
{
    Utf8Lines lines;
    const FileKind kind = detectSubtitleFormat(path, lines);
    const SubtitleFormat *format = subtitleFormat(kind);
    if (!format)
        return {};
    return format->parse(std::move(lines), LoadSettings{}).table;
}

// Speech start of every line of the speech clip, in order.
std::vector<double> truthStarts()
{
    std::vector<double> out;
    QFile f(test::mediaFile(QStringLiteral("speech.truth.tsv")));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    while (!f.atEnd()) {
        const QList<QByteArray> cols = f.readLine().split('\t');
        if (cols.size() >= 3)
            out.push_back(cols[1].toDouble());
    }
    return out;
}

struct Accuracy {
    double within100 = 0; // share of lines within 100 ms of the truth
    double median = 1e9;
    double worst = 1e9;
};

Accuracy accuracy(const SyncResult &r, const std::vector<double> &truth)
{
    std::vector<double> starts;
    for (double s : r.lineStarts)
        if (!std::isnan(s))
            starts.push_back(s);
    Accuracy a;
    if (starts.size() != truth.size() || truth.empty())
        return a;
    std::vector<double> err;
    for (size_t i = 0; i < truth.size(); ++i)
        err.push_back(std::abs(starts[i] - truth[i]));
    a.within100 = double(std::count_if(err.begin(), err.end(), [](double e) { return e <= 0.1; }))
                  / double(err.size());
    std::sort(err.begin(), err.end());
    a.median = err[err.size() / 2];
    a.worst = err.back();
    return a;
}

TEST(SubtitleSync, DistortedCopiesLandOnTheSpeech)
{
    const std::vector<double> truth = truthStarts();
    ASSERT_GT(truth.size(), 25u) << "speech clip missing from " << test::mediaDir().toStdString();
    struct Case {
        const char *film;
        const char *subs;
        double factor;       // expected, 0: any
        double within100;    // share of lines within 100 ms, at least
        double median;       // seconds, at most
        double worst;        // seconds, at most
        size_t pieces;
    };
    const double rate = 23.976 / 25;
    const Case cases[] = {
        {"speech.mp4", "speech.true.srt", 1.0, 0.98, 0.03, 0.25, 1},
        {"speech.mp4", "speech.offset.srt", 1.0, 0.98, 0.03, 0.25, 1},
        {"speech.mp4", "speech.rate.srt", rate, 0.98, 0.03, 0.25, 1},
        {"speech.mp4", "speech.reading.srt", 1.0, 0.98, 0.03, 0.25, 1},
        {"speech.mp4", "speech.cut.srt", 1.0, 0.98, 0.03, 0.5, 2},
        {"speech.noise.mp4", "speech.true.srt", 1.0, 0.95, 0.05, 0.25, 1},
        {"speech.mp4", "speech.tmp.txt", 1.0, 0.90, 0.05, 0.6, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.film) + " + " + c.subs);
        const SubtitleTable table = loadSubtitles(test::mediaFile(QString::fromUtf8(c.subs)));
        const SyncResult r = synchronise(test::mediaFile(QString::fromUtf8(c.film)), table);
        const Accuracy a = accuracy(r, truth);
        std::printf("%-18s %-20s ok=%d conf=%.2f factor=%.5f offset=%.3f pieces=%zu  %.0f%% <=100ms, "
                    "median %.0f ms, worst %.0f ms\n",
                    c.film, c.subs, r.ok, r.confidence, r.factor, r.offset, r.pieces.size(),
                    a.within100 * 100, a.median * 1000, a.worst * 1000);
        EXPECT_TRUE(r.ok) << r.refusal.toStdString();
        EXPECT_NEAR(r.factor, c.factor, 1e-6);
        EXPECT_EQ(r.pieces.size(), c.pieces);
        EXPECT_GE(a.within100, c.within100);
        EXPECT_LE(a.median, c.median);
        EXPECT_LE(a.worst, c.worst);
        if (c.pieces == 2 && r.pieces.size() == 2) { // the cut is between the halves, +-1 line
            const auto half = qsizetype(truth.size() / 2);
            EXPECT_LE(std::abs(r.pieces[1].firstLine - half), 1);
            EXPECT_NEAR(r.pieces[1].offset - r.pieces[0].offset, -12.0, 0.1);
        }
    }
}

TEST(SubtitleSync, AFileForAnotherFilmIsRefused)
{
    const SubtitleTable table = loadSubtitles(test::mediaFile(QStringLiteral("speech.wrong.srt")));
    const SyncResult wrong = synchronise(test::mediaFile(QStringLiteral("speech.mp4")), table);
    std::printf("wrong file: conf=%.2f offset=%.3f pieces=%zu\n", wrong.confidence, wrong.offset,
                wrong.pieces.size());
    EXPECT_FALSE(wrong.ok);
    EXPECT_EQ(wrong.refusal, QStringLiteral("Napisy nie pasują do filmu"));
    EXPECT_LT(wrong.confidence, kConfidenceThreshold - 0.2);
}
TEST(SubtitleSync, BadInputsAreRefusedWithTheirReason)
{
    const SubtitleTable lines = loadSubtitles(test::mediaFile(QStringLiteral("speech.true.srt")));
    const QString notAFilm = test::mediaFile(QStringLiteral("speech.truth.tsv"));
    struct Case {
        const char *film;
        const char *subs;
        QString refusal;
    };
    const Case cases[] = {
        {"speech.noaudio.mkv", "speech.true.srt", QStringLiteral("Film nie ma ścieżki dźwiękowej")},
        {"speech.short.mp4", "speech.true.srt",
         QStringLiteral("Film jest za krótki do synchronizacji: 3 s (potrzeba co najmniej 20 s)")},
        {"speech.mp4", "speech.two.srt",
         QStringLiteral("Za mało napisów do synchronizacji: 2 (potrzeba co najmniej 10)")},
        {"speech.badaudio.mkv", "speech.true.srt", QStringLiteral("Ścieżka dźwiękowa filmu jest uszkodzona")},
        {"speech.truth.tsv", "speech.true.srt", QStringLiteral("Nie można odczytać filmu")},
        {"missing.mkv", "speech.true.srt", QStringLiteral("Nie można odczytać filmu")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.film);
        const SyncResult r = synchronise(test::mediaFile(QString::fromUtf8(c.film)),
                                         loadSubtitles(test::mediaFile(QString::fromUtf8(c.subs))));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.refusal.toStdString(), c.refusal.toStdString());
    }
}

TEST(SubtitleSync, QuickCheckReadsOnlyItsWindowAndCancelIsPrompt)
{
    const SubtitleTable table = loadSubtitles(test::mediaFile(QStringLiteral("speech.offset.srt")));
    const QString film = test::mediaFile(QStringLiteral("speech.mp4"));
    SyncOptions quick;
    quick.windowStart = 30;
    quick.windowLength = 60;
    const SyncResult q = synchronise(film, table, quick);
    EXPECT_TRUE(q.ok) << q.refusal.toStdString() << " confidence " << q.confidence;
    EXPECT_NEAR(q.offset, -7.3, 0.1);
    EXPECT_EQ(q.factor, 1.0);
    EXPECT_NEAR(q.speechScoreStart, 30, 0.1);
    EXPECT_NEAR(double(q.speechScore.size()) / 10, 60, 1);

    // Cancelled at the first report: back well within 200 ms of it.
    SyncOptions cancel;
    std::chrono::steady_clock::time_point asked;
    cancel.progress = [&](double) {
        asked = std::chrono::steady_clock::now();
        return false;
    };
    const SyncResult c = synchronise(film, table, cancel);
    const auto took = std::chrono::steady_clock::now() - asked;
    EXPECT_TRUE(c.cancelled);
    EXPECT_FALSE(c.ok);
    EXPECT_LT(took, std::chrono::milliseconds(200));
}
} // namespace
} // namespace zv::sync
