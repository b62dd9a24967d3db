#include "support/app_features.h"
#include "core/config/settings.h"
#include "playback/media_engine.h"
#include "support/test_env.h"
#include "video/video_window.h"

#include <QAction>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool xdotool(const QStringList &args, QString *out = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return false;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
}

bool typeKey(const char *key)
{
    return xdotool({QStringLiteral("key"), QLatin1String(key)});
}

TEST(KeysReal, TypedKeysDriveRealPlaybackAndGlobalKeysWorkFromAnotherClient)
{
    zv::test::ScopedHome home;
    TZentavistaApp w;
    w.setEngineFactory(TForm9::mpvEngine(false));
    w.hooks().filesMessage = ([](const QString &, const QString &) {});
    w.CreateForms();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.files().MainAddProc(zv::test::mediaFile(QStringLiteral("clip.avi")), 31, true, true, true, false,
                  w.state().DefaultDropPoint);
    MediaEngine *e = w.m();
    const auto state = [&](int s, int ms = 10000) {
        return QTest::qWaitFor([&] { return e->PlayState() == s; }, ms);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.commands().action(zv::Cmd::FullScr)->isEnabled(); }, 20000));
    if (e->PlayState() != MediaEngine::psPlaying)
        w.commands().run(zv::Cmd::Play);
    ASSERT_TRUE(state(MediaEngine::psPlaying));

    // The keyboard focus goes to the player, as a click on its window would give it.
    ASSERT_TRUE(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                         QString::number(w.winId())}));
    QTest::qWait(100);

    ASSERT_TRUE(typeKey("space"));
    EXPECT_TRUE(state(MediaEngine::psPaused)) << e->PlayState();
    const double before = e->CurrentPosition();
    ASSERT_TRUE(typeKey("Right"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->CurrentPosition() >= before + 2.5; }, 5000))
        << before << " -> " << e->CurrentPosition();
    ASSERT_TRUE(typeKey("F11"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.video().isFullScreenOn() && w.isFullScreen(); }, 3000));
    ASSERT_TRUE(typeKey("Escape"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.video().isFullScreenOn() && !w.isFullScreen(); }, 3000));

    // Global keys: another client has the focus and still gets the key.
    w.settings().EnableOutCtrls = true;
    w.keys().RestartGlobalKeys();
    w.keys().RestartGlobalKeys();   // applying twice leaves one listener
    ASSERT_TRUE(w.keys().GlobalKeysRunning());
    w.commands().run(zv::Cmd::Play);
    ASSERT_TRUE(state(MediaEngine::psPlaying));
    QProcess xev;
    xev.start(QStringLiteral("xev"), {QStringLiteral("-event"), QStringLiteral("keyboard"),
                                      QStringLiteral("-name"), QStringLiteral("zv-xev")});
    ASSERT_TRUE(xev.waitForStarted(5000));
    QString xevWindow;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^zv-xev$")},
                       &xevWindow) && !xevWindow.isEmpty();
    }, 5000));
    xevWindow = xevWindow.section(QLatin1Char('\n'), 0, 0);
    ASSERT_TRUE(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), xevWindow}));
    QTest::qWait(100);
    ASSERT_TRUE(typeKey("ctrl+shift+v"));
    EXPECT_TRUE(state(MediaEngine::psStopped, 5000)) << e->PlayState();
    QTest::qWait(200);
    const QString seen = QString::fromUtf8(xev.readAllStandardOutput());
    EXPECT_TRUE(seen.contains(QStringLiteral("(keysym 0x76, v)"))) << "the client lost the key";
    xev.kill();
    xev.waitForFinished(2000);

    w.settings().EnableOutCtrls = false;
    w.keys().RestartGlobalKeys();
    EXPECT_FALSE(w.keys().GlobalKeysRunning());
    w.close();
}

} // namespace
