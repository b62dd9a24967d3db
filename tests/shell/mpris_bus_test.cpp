// The MPRIS object on a private session bus, called the way outside clients call it (dbus-send):
// each answer, and above all each refusal, carries the standard D-Bus error name.
#include "playback/playback_session.h"
#include "playback/scripted_engine.h"
#include "shell/mpris_server.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Reply {
    bool ok = false;
    QString text; // the printed reply, or the error name and message
};

// Runs dbus-send without blocking the event loop: the server answers meanwhile.
Reply dbusSend(const QString &interface, const QString &member, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("dbus-send"),
            QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                        QStringLiteral("--dest=") + QLatin1String(zv::MprisServer::kServiceName),
                        QLatin1String(zv::MprisServer::kObjectPath), interface + QLatin1Char('.') + member}
                + args);
    if (!p.waitForStarted(5000))
        return {false, QStringLiteral("<no dbus-send>")};
    (void)QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
    return {p.exitCode() == 0,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed()};
}

TEST(MprisBus, PropertiesAndMethodsAnswerWithTheStandardErrors)
{
    ScriptedEngine engine;
    zv::PlaybackSession session{&engine};
    zv::MprisServer server{&session};
    ASSERT_TRUE(server.start());
    QSignalSpy volume(&server, &zv::MprisServer::volumeChanged);
    QSignalSpy requests(&server, &zv::MprisServer::requested);

    const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString player = QStringLiteral("string:org.mpris.MediaPlayer2.Player");
    struct Case {
        const char *member;
        QStringList args;
        const char *expected; // the error's name, or a piece of the reply
        bool ok;
    };
    const Case cases[] = {
        {"Set", {player, "string:Volume", "variant:string:abc"}, "org.freedesktop.DBus.Error.InvalidArgs", false},
        {"Set", {player, "string:Volume", "variant:int32:1"}, "org.freedesktop.DBus.Error.InvalidArgs", false},
        {"Set", {player, "string:Position", "variant:int64:5"}, "org.freedesktop.DBus.Error.PropertyReadOnly", false},
        {"Set", {player, "string:Loudness", "variant:double:1"}, "org.freedesktop.DBus.Error.UnknownProperty", false},
        {"Set", {"string:org.example.Nothing", "string:Volume", "variant:double:1"},
         "org.freedesktop.DBus.Error.UnknownInterface", false},
        {"Set", {player, "string:Volume"}, "org.freedesktop.DBus.Error.InvalidArgs", false},
        {"Get", {player, "string:PlaybackStatus"}, "Stopped", true},
        {"GetAll", {"string:org.mpris.MediaPlayer2"}, "Zentavista", true},
    };
    for (const Case &c : cases) {
        const Reply r = dbusSend(props, QLatin1String(c.member), c.args);
        EXPECT_EQ(r.ok, c.ok) << c.member << " " << qPrintable(c.args.join(' ')) << ": " << qPrintable(r.text);
        EXPECT_TRUE(r.text.contains(QLatin1String(c.expected))) << qPrintable(r.text);
    }
    EXPECT_EQ(volume.count(), 0) << "no refused write reached the engine";

    // A write of the right type goes through.
    EXPECT_TRUE(dbusSend(props, QStringLiteral("Set"), {player, "string:Volume", "variant:double:0.0"}).ok);
    EXPECT_EQ(volume.count(), 1);
    EXPECT_EQ(engine.volume, MediaEngine::kSilentVolume);

    // Methods: the right arguments run them, wrong ones and unknown names are refused.
    const QString iface = QStringLiteral("org.mpris.MediaPlayer2.Player");
    EXPECT_TRUE(dbusSend(iface, QStringLiteral("PlayPause"), {}).ok);
    EXPECT_EQ(requests.count(), 1);
    const Reply wrong = dbusSend(iface, QStringLiteral("Seek"), {QStringLiteral("string:5")});
    EXPECT_TRUE(wrong.text.contains(QLatin1String("org.freedesktop.DBus.Error.InvalidArgs"))) << qPrintable(wrong.text);
    const Reply unknown = dbusSend(iface, QStringLiteral("Rewind"), {});
    EXPECT_TRUE(unknown.text.contains(QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))) << qPrintable(unknown.text);

    // Introspection still tells the types clients expect (Volume is a double).
    const Reply xml = dbusSend(QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"), {});
    EXPECT_TRUE(xml.text.contains(QLatin1String(R"(<property name="Volume" type="d" access="readwrite"/>)")))
        << qPrintable(xml.text);
}

} // namespace
