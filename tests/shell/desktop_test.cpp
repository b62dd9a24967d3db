// The player on a private session bus (the test runs under dbus-run-session): the real
// playerctl drives it through MPRIS, and a stand-in screen-saver service sees the inhibitions.
#include "support/app_features.h"
#include "playback/media_engine.h"
#include "shell/mpris_server.h"
#include "shell/screensaver_inhibitor.h"
#include "support/heap_probe.h"
#include "support/test_env.h"
#include "video/video_window.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Runs playerctl without blocking the event loop: the player answers the calls meanwhile.
QString playerctl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("zentavista")} + args);
    if (!p.waitForStarted(5000))
        return QStringLiteral("<no playerctl>");
    (void)QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

struct FakeScreenSaver {
    FakeScreenSaver()
    {
        const QString bin = QString::fromLocal8Bit(qgetenv("ZV_TEST_BIN_DIR"))
                            + QStringLiteral("/../shell/zv_fake_screensaver");
        proc.start(QFile::exists(bin) ? bin : QStringLiteral("zv_fake_screensaver"));
        EXPECT_TRUE(proc.waitForStarted(5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return read().contains(QStringLiteral("ready")); }, 5000));
    }
    ~FakeScreenSaver()
    {
        proc.kill();
        proc.waitForFinished(2000);
    }
    QString read()
    {
        log += QString::fromUtf8(proc.readAllStandardOutput());
        return log;
    }
    // "Inhibit " also matches inside "UnInhibit ": count whole lines.
    int lines(const QString &word)
    {
        int n = 0;
        for (const QString &l : read().split(QLatin1Char('\n')))
            n += l.startsWith(word + QLatin1Char(' '));
        return n;
    }
    QProcess proc;
    QString log;
};

// The player on the bus, playing the first of two clips.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"));
        for (const char *name : {"first.avi", "second.avi"}) {
            paths << home.file(QLatin1String(name));
            ASSERT_TRUE(QFile::copy(zv::test::mediaFile(QStringLiteral("clip.avi")), paths.last()));
        }
        w = std::make_unique<TZentavistaApp>();
        w->setEngineFactory(TForm9::mpvEngine(false));
        w->hooks().filesMessage = ([](const QString &, const QString &) {});
        w->CreateForms();
        ASSERT_TRUE(w->desktop().mpris() && w->desktop().mpris()->registered());
        w->show();
        w->files().MainAddProc(paths, 31, true, true, true, false, w->state().DefaultDropPoint);
        e = w->m();
        ASSERT_TRUE(QTest::qWaitFor([&] { return e->ImageSourceWidth() > 0; }, 20000));
        if (e->PlayState() != MediaEngine::psPlaying)
            w->commands().run(zv::Cmd::Play);
        ASSERT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psPlaying; }, 10000));
    }

    FakeScreenSaver saver;
    zv::test::ScopedHome home;
    QStringList paths;
    std::unique_ptr<TZentavistaApp> w;
    MediaEngine *e = nullptr;
};

TEST_F(Desktop, PlayerctlDrivesRealPlaybackAndTheScreenStaysOnWhilePlaying)
{
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("first"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return saver.lines(QStringLiteral("Inhibit")) == 1; }, 5000))
        << saver.read().toStdString();

    playerctl({QStringLiteral("play-pause")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psPaused; }, 5000));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return saver.read().contains(QStringLiteral("UnInhibit 1")); }, 5000))
        << saver.read().toStdString();

    playerctl({QStringLiteral("position"), QStringLiteral("5")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(e->CurrentPosition() - 5) < 0.6; }, 5000))
        << e->CurrentPosition();

    // Invalid calls leave the player as it is.
    const double at = e->CurrentPosition();
    w->desktop().mpris()->SetPosition(QStringLiteral("/org/zentavista/track/0"), 1000000);
    w->desktop().mpris()->SetPosition(w->desktop().mpris()->metadata().value(QStringLiteral("mpris:trackid"))
                                .value<QDBusObjectPath>().path(), -1);
    w->desktop().mpris()->OpenUri(QStringLiteral("http://example.org/film.avi"));
    w->desktop().mpris()->OpenUri(QStringLiteral("file:///nie/ma/takiego/pliku.avi"));
    w->desktop().mpris()->Seek(qint64(1) << 62);
    EXPECT_EQ(w->session().CurrentMediaPath, paths[0]);
    EXPECT_LE(e->CurrentPosition(), e->Duration() + 0.01);
    EXPECT_GE(at, 0);

    playerctl({QStringLiteral("play")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return saver.lines(QStringLiteral("Inhibit")) == 2; }, 5000))
        << saver.read().toStdString();
    playerctl({QStringLiteral("next")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->session().CurrentMediaPath == paths[1]; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return playerctl({QStringLiteral("metadata"), QStringLiteral("title")}) == QStringLiteral("second");
    }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psPlaying; }, 10000));
    playerctl({QStringLiteral("stop")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psStopped; }, 5000));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Stopped"));

    // Playing again, then the program ends (as a termination signal ends it): released.
    w->commands().run(zv::Cmd::Play);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->desktop().screenSaver()->inhibited(); }, 5000));
    const QString cookie = QString::number(saver.lines(QStringLiteral("Inhibit")));
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return saver.read().contains(QStringLiteral("UnInhibit ") + cookie); }, 5000))
        << saver.read().toStdString();
    w.reset();
    // Every inhibition was released.
    EXPECT_EQ(saver.lines(QStringLiteral("UnInhibit")), saver.lines(QStringLiteral("Inhibit")));
}

TEST_F(Desktop, AFloodOfCallsLeavesThePlayerAnsweringAndUnchanged)
{
    // A client of its own, as a panel widget is: the calls cross the bus daemon.
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                           QStringLiteral("flood"));
    ASSERT_TRUE(client.isConnected());
    const QString player = QStringLiteral("org.mpris.MediaPlayer2.Player");
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
    auto call = [&](const QString &iface, const char *method, const QVariantList &args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(zv::MprisServer::kServiceName),
                                                        QLatin1String(zv::MprisServer::kObjectPath),
                                                        iface, QLatin1String(method));
        m.setArguments(args);
        return m;
    };
    const QVariant staleTrack = QVariant::fromValue(QDBusObjectPath("/org/zentavista/track/0"));
    // Ten kinds, a thousand of each: PlayPause an even number of times, the rest reads or
    // calls the player must refuse.
    const QList<QDBusMessage> kinds = {
        call(player, "PlayPause"),
        call(props, "Get", {player, QStringLiteral("Position")}),
        call(player, "SetPosition", {staleTrack, qlonglong(1000000)}),
        call(props, "GetAll", {player}),
        call(player, "OpenUri", {QStringLiteral("http://example.org/film.avi")}),
        call(player, "OpenUri", {QStringLiteral("file:///nie/ma/takiego/pliku.avi")}),
        call(player, "NoSuchMethod"),
        call(player, "SetPosition", {staleTrack, qlonglong(-1)}),
        call(props, "Get", {QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Identity")}),
        call(props, "Get", {player, QStringLiteral("Metadata")}),
    };
    // One connection's calls are answered in order: the last reply means all have run.
    auto flood = [&] {
        for (int i = 0; i < 10000; ++i)
            client.send(kinds[i % kinds.size()]);
        QDBusPendingCall last =
            client.asyncCall(call(props, "Get", {player, QStringLiteral("PlaybackStatus")}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return last.isFinished(); }, 60000));
        const QList<QVariant> answer = last.reply().arguments();
        return answer.isEmpty() ? QString() : answer[0].value<QDBusVariant>().variant().toString();
    };

    EXPECT_EQ(flood(), QStringLiteral("Playing"));
    const size_t heapAfterFirst = zv::test::liveHeapBytes();
    EXPECT_EQ(flood(), QStringLiteral("Playing"));
    if (heapAfterFirst > 0) {
        const qint64 grown = qint64(zv::test::liveHeapBytes()) - qint64(heapAfterFirst);
        EXPECT_LT(grown, 2 << 20) << "the heap grew by " << grown << " bytes over 10 000 calls";
    }
    EXPECT_EQ(w->session().CurrentMediaPath, paths[0]);
    EXPECT_EQ(e->PlayState(), MediaEngine::psPlaying);
    // Still playing on and answering the ordinary client.
    const double at = e->CurrentPosition();
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->CurrentPosition() > at + 0.3; }, 5000));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    QDBusConnection::disconnectFromBus(QStringLiteral("flood"));
}

// Last in this file: the private bus does not come back.
TEST_F(Desktop, TheBusGoingAwayLeavesThePlayerWorking)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusReply<uint> daemon = bus.interface()->servicePid(QStringLiteral("org.freedesktop.DBus"));
    ASSERT_TRUE(daemon.isValid());
    ASSERT_EQ(::kill(pid_t(daemon.value()), SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QDBusConnection::sessionBus().isConnected(); }, 5000));

    // Commands, their bus announcements and the inhibitor's calls find no bus: nothing breaks.
    w->commands().run(zv::Cmd::OW1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psPaused; }, 5000));
    w->desktop().mpris()->PlayPause();
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psPlaying; }, 5000));
    const double at = e->CurrentPosition();
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->CurrentPosition() > at + 0.3; }, 5000));
    w->commands().run(zv::Cmd::Next);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return w->session().CurrentMediaPath == paths[1] && e->PlayState() == MediaEngine::psPlaying;
    }, 10000));
    w->commands().run(zv::Cmd::Stop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->PlayState() == MediaEngine::psStopped; }, 5000));
    w->close();
    w.reset();
}

} // namespace
