// The open clip's life cycle over a scripted engine, without any window.
#include "playback/playback_session.h"
#include "scripted_engine.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Session {
    ScriptedEngine engine;
    zv::PlaybackSession s{&engine};
    QSignalSpy requested{&s, &zv::PlaybackSession::loadRequested};
    QSignalSpy opened{&s, &zv::PlaybackSession::opened};
    QSignalSpy closed{&s, &zv::PlaybackSession::closed};
};

TEST(PlaybackSession, OpensMeasuresAndCloses)
{
    Session t;
    t.s.LoadMediafile(QStringLiteral("/filmy/film.avi"));
    EXPECT_EQ(t.s.CurrentMediaPath, QStringLiteral("/filmy/film.avi"));
    EXPECT_EQ(t.requested.count(), 1);
    EXPECT_EQ(t.s.MediaFrameRate, -1.0) << "unknown until the engine reports the clip open";
    EXPECT_TRUE(t.engine.calls.contains(QStringLiteral("Open film.avi")));

    t.engine.finishOpen(100, 2500, 320, 240);
    ASSERT_EQ(t.opened.count(), 1);
    EXPECT_DOUBLE_EQ(t.opened.at(0).at(0).toDouble(), 100);
    EXPECT_DOUBLE_EQ(t.s.MediaFrameRate, 25);
    EXPECT_FALSE(t.s.nothingOpen());

    t.s.Close();
    EXPECT_EQ(t.closed.count(), 1);
    EXPECT_TRUE(t.s.CurrentMediaPath.isEmpty());
    EXPECT_EQ(t.s.MediaFrameRate, -1.0);
    EXPECT_TRUE(t.s.nothingOpen());
}

TEST(PlaybackSession, RefusesPlaylistsAndIgnoresTheEngineOnceClosing)
{
    Session t;
    for (const char *name : {"/x/lista.m3u", "/x/LISTA.ZVL"}) {
        t.s.LoadMediafile(QString::fromUtf8(name));
        EXPECT_TRUE(t.s.CurrentMediaPath.isEmpty()) << name;
    }
    EXPECT_EQ(t.requested.count(), 0);
    EXPECT_TRUE(t.engine.calls.isEmpty()) << "the engine would follow a playlist on its own";

    t.s.LoadMediafile(QStringLiteral("/x/film.avi"));
    t.s.beginShutDown();
    t.engine.finishOpen(10, 250, 320, 240);
    EXPECT_EQ(t.opened.count(), 0) << "nothing reacts to the engine while the program closes";
}

TEST(PlaybackSession, ReloadKeepsPositionAndStateAndGivesUpOnAFailedOpen)
{
    Session t;
    t.s.LoadMediafile(QStringLiteral("/x/film.avi"));
    t.engine.finishOpen(100, 2500, 320, 240);
    t.engine.fileName = QStringLiteral("/x/film.avi");
    t.engine.Play();
    t.engine.position = 42;
    // The reopened clip reports itself open from the event loop the reload waits in.
    QTimer::singleShot(20, [&] { t.engine.finishOpen(100, 2500, 320, 240); });
    t.s.Przeladuj(true);
    EXPECT_DOUBLE_EQ(t.engine.position, 42);
    EXPECT_EQ(t.engine.playState, MediaEngine::psPlaying);

    t.s.reloadTimeoutMs = 200;
    QTimer::singleShot(20, [&] { t.engine.failOpen(QStringLiteral("uszkodzony")); });
    t.s.Przeladuj(true);   // returns at the failure, long before the timeout
    EXPECT_EQ(t.engine.playState, MediaEngine::psClosed);
}

} // namespace
