// The MPRIS server over a playback session and a scripted engine, with no window and no bus:
// what it reads comes from the session, what it cannot do itself it asks for by a signal.
#include "playback/playback_session.h"
#include "playback/scripted_engine.h"
#include "shell/mpris_server.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using Request = zv::MprisServer::Request;

struct Mpris {
    ScriptedEngine engine;
    zv::PlaybackSession session{&engine};
    zv::MprisServer server{&session};
};

TEST(MprisModel, MethodsBecomeRequests)
{
    Mpris t;
    QSignalSpy requests(&t.server, &zv::MprisServer::requested);
    QSignalSpy opens(&t.server, &zv::MprisServer::openRequested);
    QSignalSpy raises(&t.server, &zv::MprisServer::raiseRequested);
    QSignalSpy quits(&t.server, &zv::MprisServer::quitRequested);
    t.server.PlayPause();
    t.server.Play();
    t.server.Pause();
    t.server.Stop();
    t.server.Next();
    t.server.Previous();
    const QList<Request> expected{Request::PlayPause, Request::Play, Request::Pause,
                                  Request::Stop, Request::Next, Request::Previous};
    ASSERT_EQ(requests.count(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(requests.at(i).at(0).value<Request>(), expected[i]) << i;

    QTemporaryFile film;
    ASSERT_TRUE(film.open());
    t.server.OpenUri(QStringLiteral("http://example.org/film.avi"));
    t.server.OpenUri(QUrl::fromLocalFile(film.fileName() + QStringLiteral(".nie")).toString());
    t.server.OpenUri(QUrl::fromLocalFile(film.fileName()).toString());
    ASSERT_EQ(opens.count(), 1) << "only an existing local file is asked for";
    EXPECT_EQ(opens.at(0).at(0).toString(), film.fileName());
    t.server.Raise();
    t.server.Quit();
    EXPECT_EQ(raises.count(), 1);
    EXPECT_EQ(quits.count(), 1);
}

TEST(MprisModel, PropertiesFollowTheSession)
{
    Mpris t;
    EXPECT_EQ(t.server.playbackStatus(), QStringLiteral("Stopped"));
    EXPECT_FALSE(t.server.metadata().contains(QStringLiteral("xesam:title")));
    EXPECT_FALSE(t.server.canGoNext()) << "no source: nothing to go to";

    t.session.LoadMediafile(QStringLiteral("/filmy/Dobry film.avi"));
    EXPECT_EQ(t.server.metadata().value(QStringLiteral("xesam:url")).toString(),
              QStringLiteral("file:///filmy/Dobry%20film.avi"));
    t.engine.finishOpen(90, 2250, 320, 240);
    t.engine.Play();
    EXPECT_EQ(t.server.playbackStatus(), QStringLiteral("Playing"));
    const QVariantMap m = t.server.metadata();
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Dobry film"));
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 90'000'000);
    EXPECT_EQ(m.value(QStringLiteral("xesam:url")).toString(), QStringLiteral("file:///filmy/Dobry%20film.avi"));
    t.engine.position = 90.4;   // the engine reads a little past the end after a seek there
    EXPECT_EQ(t.server.positionUs(), 90'000'000);

    bool next = true;
    t.server.setNavigationSource([&] { return next; }, [] { return false; });
    EXPECT_TRUE(t.server.canGoNext());
    EXPECT_FALSE(t.server.canGoPrevious());

    QSignalSpy volume(&t.server, &zv::MprisServer::volumeChanged);
    t.server.setVolume(0.0);
    EXPECT_EQ(volume.count(), 1);
    EXPECT_EQ(t.engine.volume, -5000);
    t.server.Seek(qint64(1) << 62);
    EXPECT_DOUBLE_EQ(t.engine.position, 90) << "a seek far past the end stops at the end";
}

} // namespace
