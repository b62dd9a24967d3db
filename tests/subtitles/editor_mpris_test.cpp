// The editor's outside time source on a private session bus (the test runs under
// dbus-run-session): stand-in players report positions, the editor's stamp follows the first
// playing one, our own player's name is passed over, and garbage or a late answer give 0
// while the editor keeps working.
#include "subtitles/mpris_position.h"
#include "subtitles/subtitle_editor.h"

#include <QAction>
#include <QLabel>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

struct FakePlayers {
    explicit FakePlayers(const QStringList &names)
    {
        const QString bin = QString::fromLocal8Bit(qgetenv("ZV_TEST_BIN_DIR")) + QStringLiteral("/zv_fake_mpris_player");
        proc.start(QFile::exists(bin) ? bin : QStringLiteral("zv_fake_mpris_player"), names);
        EXPECT_TRUE(proc.waitForStarted(5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return (out += proc.readAllStandardOutput()).contains("ready"); }, 5000));
    }
    ~FakePlayers()
    {
        proc.closeWriteChannel();
        if (!proc.waitForFinished(2000))
            proc.kill();
    }
    void say(const QString &line)
    {
        const qsizetype oks = out.count("ok");
        proc.write((line + u'\n').toUtf8());
        EXPECT_TRUE(QTest::qWaitFor([&] { return (out += proc.readAllStandardOutput()).count("ok") > oks; }, 5000));
    }
    QProcess proc;
    QByteArray out;
};

} // namespace

TEST(EditorOutsideTime, TheStampFollowsTheFirstPlayingPlayer)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"));
    FakePlayers players({QStringLiteral("zentavista"), QStringLiteral("aaa"), QStringLiteral("bbb")});
    players.say(QStringLiteral("zentavista status Playing"));
    players.say(QStringLiteral("zentavista position 10000000"));
    players.say(QStringLiteral("aaa status Paused"));
    players.say(QStringLiteral("aaa position 99000000"));
    players.say(QStringLiteral("bbb status Playing"));
    players.say(QStringLiteral("bbb position 3725400000"));

    int source = 1;
    TForm12 ed;
    TForm12::Player p;
    p.timeSource = [&] { return source; };
    p.timeFormat = [] { return 0; };
    p.position = [] { return 42.0; };
    ed.setPlayer(p);
    ed.OptionsApplied();
    ed.TE->setPlainText(QStringLiteral("0:00:05:Ala"));
    ed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ed));

    const auto stampSoon = [&](const QString &expected) {
        ed.Timer1Timer();
        return QTest::qWaitFor([&] { return ed.stamp() == expected && !ed.outsidePosition()->busy(); }, 3000);
    };
    // An hour and more carries into the hours.
    EXPECT_TRUE(stampSoon(QStringLiteral("1:02:05:"))) << ed.stamp().toStdString();
    EXPECT_EQ(ed.StatusPanel1->text(), QStringLiteral("1:02:05:"));
    ed.Wstawiajczas1->trigger();
    QTest::mouseClick(ed.TE->viewport(), Qt::LeftButton, {},
                      ed.TE->cursorRect(QTextCursor(ed.TE->document()->firstBlock())).center());
    EXPECT_EQ(ed.TE->toPlainText(), QStringLiteral("1:02:05:Ala"));

    // The own source is the player's position.
    source = 0;
    ed.Timer1Timer();
    EXPECT_EQ(ed.stamp(), QStringLiteral("0:00:42:"));
    source = 1;

    // Nobody plays: 0, as for a player that is not there.
    players.say(QStringLiteral("bbb status Paused"));
    EXPECT_TRUE(stampSoon(QStringLiteral("0:00:00:"))) << ed.stamp().toStdString();
    players.say(QStringLiteral("aaa status Playing"));
    EXPECT_TRUE(stampSoon(QStringLiteral("0:01:39:"))) << ed.stamp().toStdString();

    // Garbage for a position is 0.
    players.say(QStringLiteral("aaa garbage"));
    EXPECT_TRUE(stampSoon(QStringLiteral("0:00:00:"))) << ed.stamp().toStdString();

    // A player that answers late: the editor does not wait for it, the stamp becomes 0 once
    // the call times out, and the text area goes on taking keys meanwhile.
    players.say(QStringLiteral("bbb status Playing"));
    EXPECT_TRUE(stampSoon(QStringLiteral("0:00:00:")));   // aaa's garbage comes first
    players.say(QStringLiteral("aaa status Stopped"));
    players.say(QStringLiteral("bbb slow 3000"));
    ed.Timer1Timer();
    EXPECT_TRUE(ed.outsidePosition()->busy());
    ed.TE->setFocus();
    QTest::keyClicks(ed.TE, QStringLiteral("x"));
    EXPECT_TRUE(ed.TE->toPlainText().contains(u'x'));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ed.outsidePosition()->busy(); }, 2000));
    EXPECT_EQ(ed.stamp(), QStringLiteral("0:00:00:"));
}
