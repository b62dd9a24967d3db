#include "playback/mpv_engine.h"
#include "playback/engine_test_support.h"
#include "support/test_env.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using zv::test::EngineEvents;
using zv::test::mediaFile;

namespace {

// Real libmpv, no picture and no sound output: every state and event comes from mpv itself.
struct Engine {
    Engine()
        : engine(std::make_unique<MpvEngine>(0, false))
        , events(engine.get())
    {
    }

    // Opens and waits for the open report; false when it does not come.
    bool open(const QString &file)
    {
        engine->Open(file);
        return events.waitFor(QStringLiteral("open 5>6"));
    }

    bool waitPosition(double atLeast, int ms = 8000)
    {
        return QTest::qWaitFor([&] { return engine->CurrentPosition() >= atLeast; }, ms);
    }

    std::unique_ptr<MpvEngine> engine;
    EngineEvents events;
};

struct ClipCase {
    const char *file;
    double seconds;
    int width;
    int height;
    double frameRate; // 0: sound only, frames read as seconds
};

class OpenClip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(OpenClip, ReportsOpenWithItsFacts)
{
    const ClipCase c = GetParam();
    Engine e;
    ASSERT_TRUE(e.engine->isUsable());

    e.engine->Open(mediaFile(c.file));
    // Opening is asynchronous: closed and loading until the open report.
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psClosed);
    EXPECT_EQ(e.engine->ReadyState(), MediaEngine::rsLoading);
    EXPECT_EQ(e.engine->CurrentPosition(), -1.0);
    EXPECT_EQ(e.engine->FileName(), mediaFile(c.file));

    // What the open report's listener sees (it may Play at once, so state 0 and ready 4).
    int stateAtOpen = -1, readyAtOpen = -1, widthAtOpen = -1;
    QObject::connect(e.engine.get(), &MediaEngine::OnOpenStateChange, [&](int, int n) {
        if (n != MediaEngine::osOpen)
            return;
        stateAtOpen = e.engine->PlayState();
        readyAtOpen = e.engine->ReadyState();
        widthAtOpen = e.engine->ImageSourceWidth();
    });
    ASSERT_TRUE(e.events.waitFor(QStringLiteral("open 5>6"))) << e.events.log.join(',').toStdString();
    EXPECT_EQ(stateAtOpen, MediaEngine::psStopped);
    EXPECT_EQ(readyAtOpen, MediaEngine::rsComplete);
    EXPECT_EQ(widthAtOpen, c.width);
    EXPECT_EQ(e.events.log, (QStringList{"ready 1", "open 0>5", "ready 4", "play 6>0", "open 5>6"}));

    EXPECT_EQ(e.engine->ImageSourceWidth(), c.width);
    EXPECT_EQ(e.engine->ImageSourceHeight(), c.height);
    EXPECT_EQ(e.engine->CurrentPosition(), 0.0);
    const double seconds = e.engine->Duration();
    EXPECT_NEAR(seconds, c.seconds, 0.1);

    e.engine->setDisplayMode(MediaEngine::dmFrames);
    const double frames = e.engine->Duration();
    e.engine->setDisplayMode(MediaEngine::dmTime);
    EXPECT_EQ(e.engine->Duration(), seconds);
    if (c.frameRate > 0) {
        EXPECT_NEAR(frames, c.seconds * c.frameRate, 1.0);
        // The program takes the frame rate as frames / seconds: it must be the film's own.
        EXPECT_NEAR(frames / seconds, c.frameRate, 1e-6);
    } else {
        EXPECT_EQ(frames, seconds);
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, OpenClip,
                         ::testing::Values(ClipCase{"clip.avi", 10.0, 320, 240, 25.0},
                                           ClipCase{"clip.mp4", 10.0, 320, 240, 25.0},
                                           ClipCase{"audio.mp3", 5.0, 0, 0, 0.0},
                                           ClipCase{"audio.wav", 5.0, 0, 0, 0.0}),
                         [](const auto &info) {
                             return QString::fromLatin1(info.param.file)
                                 .replace('.', '_')
                                 .toStdString();
                         });

TEST(MpvEngine, TransportStatesAndEvents)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.mp4")));
    e.events.log.clear();

    e.engine->Play();
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psPlaying);
    ASSERT_TRUE(e.waitPosition(0.3));

    e.engine->Pause();
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psPaused);
    QTest::qWait(150); // let the last position reports arrive
    const double paused = e.engine->CurrentPosition();
    QTest::qWait(300);
    EXPECT_EQ(e.engine->CurrentPosition(), paused);

    // Stop keeps the file open at the start; Play goes on from there.
    e.engine->Stop();
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psStopped);
    EXPECT_EQ(e.engine->CurrentPosition(), 0.0);
    QTest::qWait(200);
    EXPECT_EQ(e.engine->CurrentPosition(), 0.0);
    EXPECT_GT(e.engine->Duration(), 9.0);
    EXPECT_EQ(e.engine->ImageSourceWidth(), 320);

    e.engine->Play();
    ASSERT_TRUE(e.waitPosition(0.2));
    EXPECT_EQ(e.events.log, (QStringList{"play 0>2", "play 2>1", "play 1>0", "play 0>2"}));
}

TEST(MpvEngine, SeekingMovesThePositionAtOnceAndPlaysOnFromThere)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.avi")));

    e.engine->setCurrentPosition(5.0);
    EXPECT_EQ(e.engine->CurrentPosition(), 5.0); // a reader right after the write sees it
    QTest::qWait(300);
    EXPECT_NEAR(e.engine->CurrentPosition(), 5.0, 0.05); // paused: no stale report moved it

    e.engine->Play();
    ASSERT_TRUE(e.waitPosition(5.3));
    EXPECT_LT(e.engine->CurrentPosition(), 8.0);

    // Negative and non-numbers are not positions.
    e.engine->Pause();
    e.engine->setCurrentPosition(-3.0);
    EXPECT_EQ(e.engine->CurrentPosition(), 0.0);
    e.engine->setCurrentPosition(std::nan(""));
    EXPECT_EQ(e.engine->CurrentPosition(), 0.0);
}

// The display follows these reports instead of polling: they come as playback advances, say
// where the position is, and stop while paused, so a paused film wakes nobody.
TEST(MpvEngine, PositionReportsFollowPlaybackAndStopWhilePaused)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.avi")));
    QSignalSpy reports(e.engine.get(), &MediaEngine::OnPositionChange);

    e.engine->setCurrentPosition(2.0);
    ASSERT_EQ(reports.count(), 1); // a seek reports its target at once
    EXPECT_EQ(reports.takeFirst().at(0).toDouble(), 2.0);

    e.engine->Play();
    ASSERT_TRUE(e.waitPosition(2.5));
    ASSERT_GE(reports.count(), 2);
    double last = 0;
    for (const QList<QVariant> &r : reports) {
        EXPECT_GE(r.at(0).toDouble(), last);
        last = r.at(0).toDouble();
    }
    EXPECT_EQ(last, e.engine->CurrentPosition());

    e.engine->Pause();
    QTest::qWait(300); // the last frames decoded before the pause took hold
    reports.clear();
    QTest::qWait(700);
    EXPECT_EQ(reports.count(), 0);
}

TEST(MpvEngine, RateIsPlaybackSpeed)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.mp4")));
    e.engine->setRate(1.9);
    EXPECT_EQ(e.engine->Rate(), 1.9);
    e.engine->setRate(0.0);
    e.engine->setRate(-1.0);
    EXPECT_EQ(e.engine->Rate(), 1.9);

    e.engine->Play();
    ASSERT_TRUE(e.waitPosition(0.1));
    const double start = e.engine->CurrentPosition();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(e.waitPosition(start + 1.9));
    // 1.9 s of film in clearly less than 1.9 s of wall time.
    EXPECT_LT(clock.elapsed(), 1600);
}

TEST(MpvEngine, VolumeMapsHundredthsOfDecibelToCubicPercent)
{
    struct {
        int centibels;
        double percent;
    } const table[] = {
        {0, 100.0},          {-600, 79.432823},  {-2000, 46.415888},
        {-4999, 14.683627},  {-5000, 0.0},       {-10000, 0.0},
    };
    for (const auto &row : table) {
        EXPECT_NEAR(MpvEngine::volumeToPercent(row.centibels), row.percent, 1e-5) << row.centibels;
        const int expectedBack = row.centibels <= -5000 ? -5000 : row.centibels;
        EXPECT_EQ(MpvEngine::volumeFromPercent(row.percent), expectedBack) << row.percent;
    }
    // Every slider value survives the way there and back.
    for (int v = -5000; v <= 0; ++v)
        ASSERT_EQ(MpvEngine::volumeFromPercent(MpvEngine::volumeToPercent(v)), v);
    EXPECT_EQ(MpvEngine::volumeFromPercent(130.0), 0);

    Engine e;
    struct {
        int set;
        int read;
        double mpvPercent;
    } const engineTable[] = {
        {-2000, -2000, 46.415888}, {500, 0, 100.0}, {-20000, -10000, 0.0}, {-5000, -5000, 0.0},
    };
    for (const auto &row : engineTable) {
        e.engine->setVolume(row.set);
        EXPECT_EQ(e.engine->Volume(), row.read);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(e.engine->reportedVolumePercent() - row.mpvPercent) < 1e-3; },
            3000))
            << row.set << " -> " << e.engine->reportedVolumePercent();
    }

    e.engine->setMute(true);
    EXPECT_TRUE(e.engine->Mute());
    e.engine->setMute(false);
    EXPECT_FALSE(e.engine->Mute());
    EXPECT_FALSE(e.engine->IsSoundCardEnabled()); // built without sound output
}

TEST(MpvEngine, EndOfStreamStopsAndKeepsTheFileOpen)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.avi")));
    e.engine->setCurrentPosition(9.3);
    e.engine->Play();
    ASSERT_TRUE(e.events.waitFor(QStringLiteral("eos 0"), 8000)) << e.events.log.join(',').toStdString();
    EXPECT_LT(e.events.indexOf("play 2>0"), e.events.indexOf("eos 0"));
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psStopped);
    EXPECT_EQ(e.engine->CurrentPosition(), 0.0);
    EXPECT_EQ(e.engine->FileName(), mediaFile("clip.avi"));
    EXPECT_GT(e.engine->Duration(), 9.0);

    // Still open: Play plays it again from the start, with no second open report.
    e.engine->Play();
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psPlaying);
    ASSERT_TRUE(e.waitPosition(0.3));
    EXPECT_LT(e.engine->CurrentPosition(), 3.0);
    EXPECT_EQ(e.events.count("open 5>6"), 1);
    EXPECT_FALSE(e.events.has("error"));

    // A seek past the end is an end of stream too (the program does not clamp its seeks).
    e.events.log.clear();
    e.engine->setCurrentPosition(e.engine->Duration() + 5);
    ASSERT_TRUE(e.events.waitFor(QStringLiteral("eos 0"), 8000));
}

TEST(MpvEngine, EndOfStreamListenerCanPlayAgainAtOnce)
{
    // Repeat with one entry: the end-of-stream handler plays the same file again.
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("audio.wav")));
    QObject::connect(e.engine.get(), &MediaEngine::OnEndOfStream, e.engine.get(),
                     [&] { if (e.events.count("eos 0") == 1) e.engine->Play(); });
    e.engine->setCurrentPosition(4.5);
    e.engine->Play();
    ASSERT_TRUE(e.events.waitFor(QStringLiteral("eos 0")));
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psPlaying);
    ASSERT_TRUE(e.waitPosition(0.3));
    EXPECT_LT(e.engine->CurrentPosition(), 3.0);
}

struct BadInput {
    const char *name;
    const char *mustContain; // in the Polish description
};

class OpenBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(OpenBadInput, ReportsErrorAndStaysUsable)
{
    const BadInput c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    const QString kind = QString::fromLatin1(c.name);
    if (kind == "napisy.avi") {
        ASSERT_TRUE(QFile::copy(mediaFile("clip.txt"), path));
    } else if (kind == "urwany.mp4") {
        QFile in(mediaFile("clip.mp4"));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(in.read(3000));
    } else if (kind == "pusty.avi") {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    } else if (kind == "folder.avi") {
        ASSERT_TRUE(QDir(dir.path()).mkdir(kind));
    }

    Engine e;
    e.engine->Open(path);
    ASSERT_TRUE(e.events.waitFor(QStringLiteral("error")));
    EXPECT_FALSE(e.events.has("open 5>6"));
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psClosed);
    EXPECT_EQ(e.engine->ReadyState(), MediaEngine::rsComplete);
    EXPECT_EQ(e.engine->CurrentPosition(), -1.0);
    EXPECT_TRUE(e.engine->ErrorDescription().contains(QString::fromUtf8(c.mustContain)))
        << e.engine->ErrorDescription().toStdString();
    // The status shows it after the state word: the error comes last.
    EXPECT_EQ(e.events.log.last(), "error");

    // Commands on the failed file do nothing, and the next file opens normally.
    e.engine->Play();
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psClosed);
    ASSERT_TRUE(e.open(mediaFile("clip.mp4")));
    EXPECT_EQ(e.engine->ImageSourceWidth(), 320);
}

INSTANTIATE_TEST_SUITE_P(Files, OpenBadInput,
                         ::testing::Values(BadInput{"brak.avi", "Nie znaleziono"},
                                           BadInput{"napisy.avi", "napisy.avi"},
                                           BadInput{"urwany.mp4", "urwany.mp4"},
                                           BadInput{"pusty.avi", "jest pusty"},
                                           BadInput{"folder.avi", "folder"}),
                         [](const auto &info) {
                             return QString::fromLatin1(info.param.name)
                                 .replace('.', '_')
                                 .toStdString();
                         });

// Resident memory of this process in megabytes.
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Playlist files are expanded by the program, never by the engine: one that lists itself must
// end in an error at once instead of being followed without end.
TEST(MpvEngine, APlaylistFileIsRefusedAndMemoryStaysBounded)
{
    QTemporaryDir dir;
    const QString self = dir.filePath("sama.m3u");
    const QString disguised = dir.filePath("sama.avi"); // a playlist by its content only
    for (const auto &[path, text] :
         {std::pair{self, self + "\n" + self + "\nsama.m3u\n"},
          std::pair{disguised, "#EXTM3U\n" + disguised + "\n" + self + "\n"}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }
    for (const QString &path : {self, disguised}) {
        SCOPED_TRACE(path.toStdString());
        Engine e;
        const double before = residentMegabytes();
        double peak = before;
        e.engine->Open(path);
        QElapsedTimer clock;
        clock.start();
        while (!e.events.has("error") && clock.elapsed() < 6000 && peak - before < 200) {
            QTest::qWait(20);
            peak = std::max(peak, residentMegabytes());
        }
        e.engine->Open(QString()); // stops a runaway engine before the checks
        ::testing::Test::RecordProperty(QFileInfo(path).fileName().toStdString() + "_grown_mb",
                                        int(peak - before));
        EXPECT_LT(peak - before, 200.0) << "megabytes grown";
        EXPECT_TRUE(e.events.has("error"));
        EXPECT_FALSE(e.events.has("open 5>6"));
    }
}

TEST(MpvEngine, TruncatedAviPlaysWhatItHasAndEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("urwany.avi");
    QFile in(mediaFile("clip.avi"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(in.read(20000));
    out.close();

    Engine e;
    ASSERT_TRUE(e.open(path));
    e.engine->Play();
    EXPECT_TRUE(e.events.waitFor(QStringLiteral("eos 0")));
    EXPECT_FALSE(e.events.has("error"));
}

TEST(MpvEngine, OpenEmptyNameClosesAtOnce)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.mp4")));
    e.engine->Play();
    e.events.log.clear();

    e.engine->Open(QString());
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psClosed);
    EXPECT_EQ(e.engine->ReadyState(), MediaEngine::rsUninitialized);
    EXPECT_EQ(e.engine->CurrentPosition(), -1.0);
    EXPECT_EQ(e.engine->Duration(), 0.0);
    EXPECT_EQ(e.engine->ImageSourceWidth(), 0);
    EXPECT_EQ(e.engine->FileName(), QString());
    EXPECT_EQ(e.events.log, (QStringList{"ready 0", "play 2>6", "open 6>0"}));

    // Nothing of the closed file arrives later.
    QTest::qWait(400);
    EXPECT_EQ(e.events.log.size(), 3);
    EXPECT_EQ(e.engine->CurrentPosition(), -1.0);
}

TEST(MpvEngine, OpeningAnotherFileIgnoresTheFirstOnesEvents)
{
    Engine e;
    e.engine->Open(mediaFile("audio.wav"));
    e.engine->Open(mediaFile("clip.mp4"));
    ASSERT_TRUE(e.events.waitFor(QStringLiteral("open 5>6")));
    QTest::qWait(300);
    EXPECT_EQ(e.events.count("open 5>6"), 1);
    EXPECT_FALSE(e.events.has("error"));
    EXPECT_EQ(e.engine->ImageSourceWidth(), 320);
    EXPECT_NEAR(e.engine->Duration(), 10.0, 0.1);

    // Replacing an open, playing file: its end (a stop) is not an end of stream.
    e.engine->Play();
    ASSERT_TRUE(e.waitPosition(0.2));
    e.engine->Open(mediaFile("audio.mp3"));
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psClosed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return e.events.count("open 5>6") == 2; }, 10000));
    EXPECT_FALSE(e.events.has("eos 0"));
    EXPECT_EQ(e.engine->ImageSourceWidth(), 0);
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psStopped);
}

TEST(MpvEngine, StatisticsComeFromAsynchronousReads)
{
    Engine e;
    ASSERT_TRUE(e.open(mediaFile("clip.mp4")));
    QSignalSpy changed(e.engine.get(), &MediaEngine::StatisticsChanged);
    e.engine->requestStatistics();
    ASSERT_TRUE(changed.wait(5000));
    const QVariantMap s = e.engine->statistics();
    EXPECT_EQ(s.value(EngineStat::File).toString(), mediaFile("clip.mp4"));
    EXPECT_TRUE(s.value(EngineStat::VideoCodec).toString().contains("h264"));
    EXPECT_TRUE(s.value(EngineStat::Format).toString().contains("mp4"));
    EXPECT_EQ(s.value(EngineStat::Width).toInt(), 320);
    EXPECT_EQ(s.value(EngineStat::Height).toInt(), 240);
    EXPECT_NEAR(s.value(EngineStat::FrameRate).toDouble(), 25.0, 0.01);
    EXPECT_TRUE(s.value(EngineStat::EngineVersion).toString().startsWith("mpv"));
    EXPECT_FALSE(s.value(EngineStat::DecoderVersion).toString().isEmpty());

    // Closed: nothing of the file is left, the versions stay.
    e.engine->Open(QString());
    e.engine->requestStatistics();
    ASSERT_TRUE(changed.wait(5000));
    const QVariantMap closed = e.engine->statistics();
    EXPECT_FALSE(closed.contains(EngineStat::VideoCodec));
    EXPECT_FALSE(closed.contains(EngineStat::File));
    EXPECT_TRUE(closed.contains(EngineStat::EngineVersion));
}

TEST(MpvEngine, CommandsWithNothingOpenDoNothing)
{
    Engine e;
    e.engine->Play();
    e.engine->Pause();
    e.engine->Stop();
    e.engine->setCurrentPosition(3.0);
    EXPECT_EQ(e.engine->PlayState(), MediaEngine::psClosed);
    EXPECT_EQ(e.engine->CurrentPosition(), -1.0);
    EXPECT_TRUE(e.events.log.isEmpty());
}

} // namespace
