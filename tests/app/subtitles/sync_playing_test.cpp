// Automatic synchronisation in the player, with real libmpv and the generated speech clip: the
// check on opening stays silent for the true file and offers the correction for a late copy,
// whose one click puts every line on its speech; a file for another film is refused and
// changes nothing.
#include "subtitle_app.h"

#include "app/controllers/sync_controller.h"
#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/subtitle_writer.h"
#include "playback/media_engine.h"
#include "subtitles/sync_proposal_dialog.h"
#include "video/video_window.h"

#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QElapsedTimer>
#include <QTest>

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace {

// Speech starts of the clip's sentences, from the truth file made with it.
std::vector<double> speechStarts()
{
    std::vector<double> starts;
    QFile f(zv::test::mediaFile(QStringLiteral("speech.truth.tsv")));
    if (!f.open(QIODevice::ReadOnly))
        return starts;
    while (!f.atEnd()) {
        const QList<QByteArray> cols = f.readLine().split('\t');
        bool ok = false;
        const double t = cols.size() > 1 ? cols[1].toDouble(&ok) : 0;
        if (ok)
            starts.push_back(t);
    }
    return starts;
}

} // namespace

TEST(SyncPlaying, CheckOnOpeningOffersAndAppliesAndRefusesAWrongFile)
{
    if (!QFile::exists(zv::test::mediaFile(QStringLiteral("speech.mp4"))))
        GTEST_SKIP() << "speech clip not generated (espeak-ng missing)";
    const std::vector<double> truth = speechStarts();
    ASSERT_GE(truth.size(), 10u);

    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    w.settings().AutoSize = false;
    ASSERT_TRUE(w.settings().CheckSubtitleSync);
    auto *sync = w.findChild<zv::SyncController *>();
    ASSERT_NE(sync, nullptr);
    QStringList messages;
    sync->message = [&](const QString &, const QString &text) { messages << text; };
    QSignalSpy checked(sync, &zv::SyncController::quickCheckDone);
    QSignalSpy done(sync, &zv::SyncController::synchronisationDone);

    // The film with its true subtitles beside it: checked, silent.
    const QString film = app.files.filePath(QStringLiteral("film.mp4"));
    ASSERT_TRUE(QFile::copy(zv::test::mediaFile(QStringLiteral("speech.mp4")), film));
    ASSERT_TRUE(QFile::copy(zv::test::mediaFile(QStringLiteral("speech.true.srt")),
                            app.files.filePath(QStringLiteral("film.srt"))));
    w.show();
    w.files().MainAddProc(QStringList{film}, 31, true, true, true, true, w.state().DefaultDropPoint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.subtitles().CurrentSubtitleFile().isEmpty(); }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked.count() >= 1; }, 90000));
    EXPECT_FALSE(checked.last().at(0).toBool());
    EXPECT_FALSE(sync->offerLabel()->isVisible());

    // The copy 7.3 s late: offered, and one click corrects it.
    checked.clear();
    w.subtitles().LadujText(zv::test::mediaFile(QStringLiteral("speech.offset.srt")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked.count() >= 1; }, 90000));
    ASSERT_TRUE(checked.last().at(0).toBool()) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(sync->offerLabel()->isVisible());
    EXPECT_TRUE(sync->offerLabel()->text().startsWith(QStringLiteral("Napisy są przesunięte o 7,3 s — ")))
        << sync->offerLabel()->text().toStdString();
    EXPECT_FALSE(w.settings().OffsetEnabled); // nothing changes without the click
    QTest::mouseClick(sync->offerLabel(), Qt::LeftButton); // the whole offer is the button
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() >= 1; }, 180000));
    ASSERT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    ASSERT_TRUE(w.settings().OffsetEnabled);
    const zv::SubtitlesController &sub = w.subtitles();
    EXPECT_TRUE(sub.ShiftFromSync);
    const std::vector<zv::SubtitleCue> cues = zv::subtitleCues(sub.subtitleTable(), 25);
    ASSERT_EQ(cues.size(), truth.size());
    for (size_t i = 0; i < cues.size(); ++i) {
        const double shown = sub.ShiftPieces.empty() ? cues[i].start * sub.ShiftFactorInverse + sub.ShiftOffsetInverse
                                                     : sub.ShiftPieces.toFilm(qsizetype(i), cues[i].start);
        EXPECT_NEAR(shown, truth[i], 0.1) << "line " << i + 1;
    }
    EXPECT_FALSE(sync->offerLabel()->isVisible());
    // The line windows follow: the fourth line shows at its speech.
    w.m()->Pause();
    w.m()->setCurrentPosition(truth[3] + 0.3);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return sub.DisplayedText() == sub.subtitleTable().FrameTable()[3].text; }, 5000))
        << sub.DisplayedText().toStdString();
    // The options' OK keeps the map, which the page's whole seconds could not hold.
    w.commands().run(zv::Cmd::Opcje1);
    EXPECT_FALSE(w.Form2->SyncNote->isHidden());
    w.Form2->OkButton->click();
    EXPECT_NEAR(cues[0].start * sub.ShiftFactorInverse + sub.ShiftOffsetInverse, truth[0], 0.1);

    // A copy with a scene cut out: the proposal names the cut, applied in pieces.
    w.subtitles().LadujText(zv::test::mediaFile(QStringLiteral("speech.cut.srt")));
    QString facts;
    sync->showProposal = [&](zv::TSyncProposalDialog &d) {
        facts = d.factsText();
        return int(zv::TSyncProposalDialog::Apply);
    };
    done.clear();
    w.commands().run(zv::Cmd::SynchAuto1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() >= 1; }, 180000));
    ASSERT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(facts.contains(QStringLiteral("Cięcie przed napisem"))) << facts.toStdString();
    ASSERT_FALSE(sub.ShiftPieces.empty());
    const std::vector<zv::SubtitleCue> cut = zv::subtitleCues(sub.subtitleTable(), 25);
    ASSERT_EQ(cut.size(), truth.size());
    for (size_t i = 0; i < cut.size(); ++i)
        EXPECT_NEAR(sub.ShiftPieces.toFilm(qsizetype(i), cut[i].start), truth[i], 0.5) << "line " << i + 1;

    // Whole seconds (time lines): each line put on its own speech onset, not only the map's.
    w.subtitles().LadujText(zv::test::mediaFile(QStringLiteral("speech.tmp.txt")));
    done.clear();
    w.commands().run(zv::Cmd::SynchAuto1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() >= 1; }, 180000));
    ASSERT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    const std::vector<zv::SubtitleCue> coarse = zv::subtitleCues(sub.subtitleTable(), 25);
    ASSERT_EQ(coarse.size(), truth.size());
    ASSERT_FALSE(sub.ShiftPieces.empty());
    size_t close = 0;
    for (size_t i = 0; i < coarse.size(); ++i)
        close += std::abs(sub.ShiftPieces.toFilm(qsizetype(i), coarse[i].start) - truth[i]) <= 0.1;
    EXPECT_GE(close * 10, coarse.size() * 9) << close << " of " << coarse.size();

    // "Zapisz tekst jako..." in the proposal writes the corrected copy and changes nothing else.
    const double keptOffset = sub.ShiftOffsetInverse;
    w.subtitles().LadujText(zv::test::mediaFile(QStringLiteral("speech.offset.srt")));
    const QString saved = app.files.filePath(QStringLiteral("zapisane.txt"));
    w.Form2->pickSaveFile = [&](QWidget *, const QString &) { return saved; };
    sync->showProposal = [](zv::TSyncProposalDialog &) { return int(zv::TSyncProposalDialog::Save); };
    done.clear();
    sync->SynchronizujClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() >= 1; }, 180000));
    QFile savedFile(saved);
    ASSERT_TRUE(savedFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> first = savedFile.readLine().split(':'); // TMP "h:mm:ss:text"
    ASSERT_GE(first.size(), 4);
    // Whole seconds: within rounding of the speech.
    EXPECT_NEAR(first[0].toInt() * 3600 + first[1].toInt() * 60 + first[2].toInt(), truth[0], 0.6);
    EXPECT_EQ(sub.ShiftOffsetInverse, keptOffset);
    EXPECT_TRUE(sub.ShiftPieces.empty()); // the new file's load dropped the cut map; saving added none

    // Cancelled while it runs: nothing changes, and a new run can start at once.
    const double factor = sub.ShiftFactorInverse, offset = sub.ShiftOffsetInverse;
    done.clear();
    w.commands().run(zv::Cmd::SynchAuto1);
    ASSERT_NE(sync->progressDialog(), nullptr);
    QTest::qWait(300);
    QPushButton *cancel = nullptr;
    for (QPushButton *b : sync->progressDialog()->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("Anuluj"))
            cancel = b;
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_EQ(done.count(), 1);
    EXPECT_FALSE(sync->running());
    EXPECT_EQ(sub.ShiftOffsetInverse, offset);

    // Subtitles of another film: refused with a message, the correction as it was.
    w.subtitles().LadujText(zv::test::mediaFile(QStringLiteral("speech.wrong.srt")));
    done.clear();
    sync->SynchronizujClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() >= 1; }, 180000));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QStringLiteral("Napisy nie pasują do filmu"));
    EXPECT_EQ(sub.ShiftFactorInverse, factor);
    EXPECT_EQ(sub.ShiftOffsetInverse, offset);
    EXPECT_TRUE(w.settings().OffsetEnabled);
}

// The proposal's facts as the user reads them.
TEST(SyncPlaying, ProposalSaysOffsetRateAndCuts)
{
    zv::SyncProposal p;
    p.shift = 7.3;
    p.factor = 25.0 / 23.976;
    p.confidence = 0.914;
    p.cuts.push_back({41, 1234.5, -12.0});
    p.before = {10, 20};
    p.after = {2.7, 12.7};
    zv::TSyncProposalDialog d(p);
    EXPECT_EQ(d.factsText(), QStringLiteral("Przesunięcie napisów: +7,30 s (napisy są za późno)\n"
                                            "Tempo: 23,976 → 25 kl./s\n"
                                            "Cięcie przed napisem 41 (0:20:34,5): od niego przesunięcie −12,00 s\n"
                                            "Pewność: 91%"));
    EXPECT_EQ(zv::formatSyncSeconds(0.001), QStringLiteral("0,00 s"));
}

// A measurement, run by hand (--gtest_also_run_disabled_tests): the process's CPU time and the
// engine's dropped frames over 30 s of playback with the check on opening off and on.
TEST(SyncPlaying, DISABLED_PlaybackCostOfTheCheck)
{
    const auto cpuTicks = [] {
        QFile f(QStringLiteral("/proc/self/stat"));
        if (!f.open(QIODevice::ReadOnly))
            return qint64(0);
        const QByteArray s = f.readAll();
        const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
        return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : 0; // utime + stime
    };
    for (const bool check : {false, true}) {
        SubtitleApp app(TForm9::mpvEngine(true));
        TZentavistaApp &w = *app.w;
        w.settings().AutoSize = false;
        w.settings().CheckSubtitleSync = check;
        const QString film = app.files.filePath(QStringLiteral("film.mp4"));
        ASSERT_TRUE(QFile::copy(zv::test::mediaFile(QStringLiteral("speech.mp4")), film));
        ASSERT_TRUE(QFile::copy(zv::test::mediaFile(QStringLiteral("speech.offset.srt")),
                                app.files.filePath(QStringLiteral("film.srt"))));
        auto *sync = w.findChild<zv::SyncController *>();
        QSignalSpy checked(sync, &zv::SyncController::quickCheckDone);
        w.show();
        w.files().MainAddProc(QStringList{film}, 31, true, true, true, true, w.state().DefaultDropPoint);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.m()->PlayState() == 2; }, 15000));
        const qint64 before = cpuTicks();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(30000);
        const qint64 ticks = cpuTicks() - before;
        const QVariantMap stats = w.m()->statistics();
        std::printf("check %s: CPU %.2f s in %.1f s (%.0f%%), dropped frames %lld (decoder %lld), offer %s\n",
                    check ? "on" : "off", double(ticks) / double(sysconf(_SC_CLK_TCK)), clock.elapsed() / 1000.0,
                    100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / (clock.elapsed() / 1000.0),
                    stats.value(QString::fromLatin1(EngineStat::DroppedFrames)).toLongLong(),
                    stats.value(QString::fromLatin1(EngineStat::DecoderDroppedFrames)).toLongLong(),
                    checked.isEmpty() ? "-" : checked.last().at(0).toBool() ? "shown" : "none");
    }
}
