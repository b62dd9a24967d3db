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
    w.commands().run(zv::Cmd::Stop);
    ASSERT_TRUE(app.waitState(MediaEngine::psStopped));

    EXPECT_TRUE(w.commands().run(zv::Cmd::OW1));
    ASSERT_TRUE(app.waitState(MediaEngine::psPlaying));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Odtwarzanie..."));
    EXPECT_TRUE(w.commands().run(zv::Cmd::OW1));
    ASSERT_TRUE(app.waitState(MediaEngine::psPaused));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Pauza"));

    w.commands().run(zv::Cmd::PP1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->CurrentPosition() >= 4.9; }, 5000));
    w.commands().run(zv::Cmd::PT1);
    w.commands().run(zv::Cmd::PT1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->CurrentPosition() < 0.1; }, 5000));

    w.commands().run(zv::Cmd::Z1);
    ASSERT_TRUE(app.waitState(MediaEngine::psStopped));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Zatrzymany"));
    EXPECT_LT(app.e()->CurrentPosition(), 0.1);
    w.status().Timer3Timer();
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:00 / 0:00:10"));
}

// A damaged file through the real engine: the state line says it cannot be played and why.
TEST(TransportMedia, AFileTheEngineCannotOpenSaysSo)
{
    MediaApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(app.waitOpen(app.paths[0]));
    const QString broken = app.home.file(QStringLiteral("zepsuty.avi"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("RIFF\x10\0\0\0AVI LIST") + QByteArray(4000, '\x5a'));
    f.close();
    w.files().MainAddProc(QStringList{broken}, 31, true, true, true, false, w.state().DefaultDropPoint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Label1->text().startsWith(QStringLiteral("Nie można odtworzyć pliku: ")); },
                                15000))
        << w.Label1->text().toStdString();
    EXPECT_TRUE(w.Label1->text().contains(QStringLiteral("zepsuty.avi"))) << w.Label1->text().toStdString();
    w.status().UstawMStaus();
    EXPECT_TRUE(w.Label1->text().startsWith(QStringLiteral("Nie można odtworzyć pliku: ")));
}

TEST(TransportMedia, EndOfStreamStepsThroughThePlaylist)
{
    for (const bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "repeat" : "no repeat");
        MediaApp app;
        TZentavistaApp &w = *app.w;
        ASSERT_TRUE(app.waitOpen(app.paths[0]));
        if (repeat)
            w.commands().run(zv::Cmd::Powt1);

        // Near the end of the first entry: the end of the stream opens the second.
        w.commands().run(zv::Cmd::Play);
        ASSERT_TRUE(app.waitState(MediaEngine::psPlaying));
        app.e()->setCurrentPosition(9.3);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.session().CurrentMediaPath == app.paths[1]; }, 15000));
        ASSERT_TRUE(app.waitOpen(app.paths[1]));

        // The second (last) entry: with Repeat it wraps, without it the player stays.
        w.commands().run(zv::Cmd::Play);
        ASSERT_TRUE(app.waitState(MediaEngine::psPlaying));
        app.e()->setCurrentPosition(9.3);
        if (repeat) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return w.session().CurrentMediaPath == app.paths[0]; }, 15000));
        } else {
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return app.e()->PlayState() != MediaEngine::psPlaying; }, 15000));
            QTest::qWait(500);
            EXPECT_EQ(w.session().CurrentMediaPath, app.paths[1]);
        }
    }
}

TEST(TransportMedia, NextAndPreviousCommands)
{
    MediaApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(app.waitOpen(app.paths[0]));
    EXPECT_TRUE(w.commands().run(zv::Cmd::na1));
    ASSERT_TRUE(app.waitOpen(app.paths[1]));
    EXPECT_FALSE(w.commands().action(zv::Cmd::na1)->isEnabled());
    EXPECT_TRUE(w.commands().run(zv::Cmd::po1));
    ASSERT_TRUE(app.waitOpen(app.paths[0]));
}
