// Transport with real libmpv (no sound, no picture output) across a two-entry playlist.
#include "app/transport/media_app.h"
#include "core/playlist/playlist.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using zv::test::MediaApp;

TEST(TransportMedia, PlayPauseStopAndSeek)
{
    MediaApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(app.waitOpen(app.paths[0]));
    // Whether AutoPlay started it or not, begin from stopped.
    w.runCommand(w.Stop);
    ASSERT_TRUE(app.waitState(MediaEngine::psStopped));

    EXPECT_TRUE(w.runCommand(w.OW1));
    ASSERT_TRUE(app.waitState(MediaEngine::psPlaying));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Odtwarzanie..."));
    EXPECT_TRUE(w.runCommand(w.OW1));
    ASSERT_TRUE(app.waitState(MediaEngine::psPaused));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Pauza"));

    w.runCommand(w.PP1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->CurrentPosition() >= 4.9; }, 5000));
    w.runCommand(w.PT1);
    w.runCommand(w.PT1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->CurrentPosition() < 0.1; }, 5000));

    w.runCommand(w.Z1);
    ASSERT_TRUE(app.waitState(MediaEngine::psStopped));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Zatrzymany"));
    EXPECT_LT(app.e()->CurrentPosition(), 0.1);
    w.Timer3Timer();
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:00 / 0:00:10"));
}

TEST(TransportMedia, EndOfStreamStepsThroughThePlaylist)
{
    for (const bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "repeat" : "no repeat");
        MediaApp app;
        TZentavistaApp &w = *app.w;
        ASSERT_TRUE(app.waitOpen(app.paths[0]));
        if (repeat)
            w.runCommand(w.Powt1);

        // Near the end of the first entry: the end of the stream opens the second.
        w.runCommand(w.Play);
        ASSERT_TRUE(app.waitState(MediaEngine::psPlaying));
        app.e()->setCurrentPosition(9.3);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.CurrentMediaPath == app.paths[1]; }, 15000));
        ASSERT_TRUE(app.waitOpen(app.paths[1]));

        // The second (last) entry: with Repeat it wraps, without it the player stays.
        w.runCommand(w.Play);
        ASSERT_TRUE(app.waitState(MediaEngine::psPlaying));
        app.e()->setCurrentPosition(9.3);
        if (repeat) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return w.CurrentMediaPath == app.paths[0]; }, 15000));
        } else {
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return app.e()->PlayState() != MediaEngine::psPlaying; }, 15000));
            QTest::qWait(500);
            EXPECT_EQ(w.CurrentMediaPath, app.paths[1]);
        }
    }
}

TEST(TransportMedia, NextAndPreviousCommands)
{
    MediaApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(app.waitOpen(app.paths[0]));
    EXPECT_TRUE(w.runCommand(w.na1));
    ASSERT_TRUE(app.waitOpen(app.paths[1]));
    EXPECT_FALSE(w.na1->isEnabled());
    EXPECT_TRUE(w.runCommand(w.po1));
    ASSERT_TRUE(app.waitOpen(app.paths[0]));
}
