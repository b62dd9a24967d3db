#include "transport_app.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// What each command asks of the engine in each play state, with the engine frozen in that
// state. "-" means the item is disabled there, so the command does not run at all.
struct StateRow {
    const char *item;
    const char *byState[7]; // PlayState 0..6
};

const StateRow kStateTable[] = {
    {"Play", {"Play", "Play", "", "", "", "", ""}},
    {"OW1", {"Play", "Play", "Pause", "", "", "", "-"}},
    {"Pause", {"Pause", "Pause", "Pause", "Pause", "Pause", "Pause", "Pause"}},
    {"Stop", {"Stop CurrentPosition=0", "Stop CurrentPosition=0", "Stop CurrentPosition=0",
              "Stop CurrentPosition=0", "Stop CurrentPosition=0", "Stop CurrentPosition=0",
              "Stop CurrentPosition=0"}},
    {"Od1", {"Play", "Play", "", "", "", "", "-"}},
    {"P1", {"-", "Pause", "Pause", "Pause", "Pause", "Pause", "-"}},
    {"Z1", {"Stop CurrentPosition=0", "Stop CurrentPosition=0", "Stop CurrentPosition=0",
            "Stop CurrentPosition=0", "Stop CurrentPosition=0", "Stop CurrentPosition=0", "-"}},
};

} // namespace

TEST(Transport, EveryCommandInEveryPlayState)
{
    TransportApp app;
    const QString film = app.home.file(QStringLiteral("film.avi"));
    app.open(film);
    app.e->followCommands = false;
    for (const StateRow &row : kStateTable) {
        auto *item = app.w->findChild<QAction *>(QLatin1String(row.item));
        ASSERT_NE(item, nullptr) << row.item;
        for (int state = 0; state <= 6; ++state) {
            SCOPED_TRACE(std::string(row.item) + " in state " + std::to_string(state));
            // States 3..5 keep the enabling they found; reach them from playing.
            app.e->playState = state >= 3 && state <= 5 ? 2 : state;
            app.e->readyState = state == 6 ? 0 : 4;
            app.w->session().CurrentMediaPath = state == 6 ? QString() : film;
            app.w->status().UstawMStaus();
            app.e->playState = state;
            app.w->status().UstawMStaus();
            app.e->calls.clear();
            const bool ran = app.w->commands().run(item);
            const QString expected = QString::fromUtf8(row.byState[state]);
            EXPECT_EQ(ran, expected != QLatin1String("-"));
            if (ran) {
                EXPECT_EQ(app.e->calls.join(QLatin1Char(' ')), expected);
            }
        }
    }
}

TEST(Transport, StatusTableShowsTheState)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    // Nothing open, empty playlist: Play, Pause, Stop and their keys are off.
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Zamknięty"));
    for (QToolButton *b : {w.ToolButton13, w.ToolButton14, w.ToolButton15, w.ToolButton16,
                           w.ToolButton17})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QAction *a : {w.commands().action(zv::Cmd::Od1), w.commands().action(zv::Cmd::P1), w.commands().action(zv::Cmd::Z1), w.commands().action(zv::Cmd::OW1), w.commands().action(zv::Cmd::PP1), w.commands().action(zv::Cmd::PT1), w.commands().action(zv::Cmd::na1), w.commands().action(zv::Cmd::po1), w.commands().action(zv::Cmd::stat1), w.commands().action(zv::Cmd::FullScr),
                       w.commands().action(zv::Cmd::mediaprop1), w.commands().action(zv::Cmd::Zamknij1)})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zentavista"));

    struct Case { int state; const char *word; bool playDown, pauseDown, stopDown, pauseOn; };
    const Case cases[] = {
        {0, "Zatrzymany", false, false, true, false},
        {1, "Pauza", false, true, false, true},
        {2, "Odtwarzanie...", true, false, false, true},
        {3, "Czekanie...", true, false, false, true}, // buttons as in the state before
    };
    const QString film = app.home.file(QStringLiteral("film.avi"));
    app.open(film, 100, 0); // sound only
    for (const Case &c : cases) {
        app.e->changePlayState(c.state);
        EXPECT_EQ(w.Label1->text(), QString::fromUtf8(c.word));
        EXPECT_EQ(w.ToolButton13->isChecked(), c.playDown) << c.state;
        EXPECT_EQ(w.ToolButton14->isChecked(), c.pauseDown) << c.state;
        EXPECT_EQ(w.ToolButton15->isChecked(), c.stopDown) << c.state;
        EXPECT_EQ(w.ToolButton14->isEnabled(), c.pauseOn) << c.state;
    }
    EXPECT_EQ(w.windowTitle(), QStringLiteral("film.avi - Zentavista"));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("film.avi"));
    // No picture: full screen, pan-scan and statistics stay off.
    EXPECT_FALSE(w.commands().action(zv::Cmd::FullScr)->isEnabled());
    EXPECT_FALSE(w.commands().action(zv::Cmd::stat1)->isEnabled());
    EXPECT_TRUE(w.commands().action(zv::Cmd::mediaprop1)->isEnabled());

    // The error event writes its text; the next refresh brings the state word back.
    app.e->errorDescription = QStringLiteral("Nie można odtworzyć pliku.");
    emit app.e->OnError();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Błąd. Nie można odtworzyć pliku."));
    w.status().Timer2Timer();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Czekanie..."));

    // A file the engine cannot open says why until another file is asked for.
    const QString broken = app.home.file(QStringLiteral("uszkodzony.avi"));
    w.session().LoadMediafile(broken);
    app.e->failOpen(QStringLiteral("Plik „uszkodzony.avi” jest uszkodzony."));
    const QString failure = QStringLiteral("Nie można odtworzyć pliku: Plik „uszkodzony.avi” jest uszkodzony.");
    EXPECT_EQ(w.Label1->text(), failure);
    w.status().Timer2Timer();
    w.status().UstawMStaus();
    EXPECT_EQ(w.Label1->text(), failure);
    app.open(film, 100, 0);
    EXPECT_FALSE(w.Label1->text().startsWith(QStringLiteral("Nie można"))) << w.Label1->text().toStdString();
}

TEST(Transport, PlayWithNothingOpenOpensTheFirstEntryOrRemembersTheRequest)
{
    {
        TransportApp app;
        app.w->commands().run(zv::Cmd::Play);
        EXPECT_TRUE(app.w->session().PlayAfterOpen);
        EXPECT_TRUE(app.e->calls.filter(QStringLiteral("Open")).isEmpty());
    }
    TransportApp app;
    const QStringList paths = app.addEntries({QStringLiteral("a.avi"), QStringLiteral("b.avi")});
    // With entries Play is on even though nothing is open.
    EXPECT_TRUE(app.w->ToolButton13->isEnabled());
    EXPECT_TRUE(app.w->commands().run(zv::Cmd::Od1));
    EXPECT_TRUE(app.e->calls.contains(QStringLiteral("Open a.avi")));
    EXPECT_EQ(app.w->session().CurrentMediaPath, paths[0]);
    // Play given while the file opens is ignored; once open, the remembered Play runs.
    app.e->calls.clear();
    app.w->commands().run(zv::Cmd::Play);
    EXPECT_TRUE(app.e->calls.isEmpty());
    app.e->finishOpen(10);
    EXPECT_EQ(app.e->playState, int(MediaEngine::psPlaying));
    EXPECT_FALSE(app.w->session().PlayAfterOpen);
}

TEST(Transport, NextPreviousAndEndOfStreamFollowThePlaylist)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    const QStringList paths = app.addEntries({QStringLiteral("a.avi"), QStringLiteral("b.avi")});
    app.open(paths[0]);
    EXPECT_FALSE(w.commands().action(zv::Cmd::po1)->isEnabled());
    EXPECT_TRUE(w.commands().action(zv::Cmd::na1)->isEnabled());
    EXPECT_FALSE(w.ToolButton16->isEnabled());

    app.e->endOfStream();
    EXPECT_EQ(w.session().CurrentMediaPath, paths[1]);
    app.e->finishOpen(100);
    EXPECT_TRUE(w.commands().action(zv::Cmd::po1)->isEnabled());
    EXPECT_FALSE(w.commands().action(zv::Cmd::na1)->isEnabled());

    // Last entry, Repeat off: the end opens nothing.
    app.e->calls.clear();
    app.e->endOfStream();
    EXPECT_EQ(w.session().CurrentMediaPath, paths[1]);
    EXPECT_TRUE(app.e->calls.filter(QStringLiteral("Open")).isEmpty());

    // Repeat on: the interface still says "no next", but the end wraps to the first entry.
    w.commands().run(zv::Cmd::Powt1);
    EXPECT_TRUE(w.commands().action(zv::Cmd::Powt1)->isChecked());
    EXPECT_TRUE(w.ToolButton21->isChecked());
    EXPECT_FALSE(w.commands().action(zv::Cmd::na1)->isEnabled());
    EXPECT_FALSE(w.commands().run(zv::Cmd::na1));
    app.e->endOfStream();
    EXPECT_EQ(w.session().CurrentMediaPath, paths[0]);
    app.e->finishOpen(100);

    // Previous from the first entry with Repeat wraps to the last and plays it.
    app.e->calls.clear();
    w.commands().run(zv::Cmd::Prev);
    EXPECT_EQ(w.session().CurrentMediaPath, paths[1]);
    app.e->finishOpen(100);
}

TEST(Transport, EndOfASingleEntryWithRepeatPlaysAgain)
{
    TransportApp app;
    const QStringList paths = app.addEntries({QStringLiteral("a.avi")});
    app.open(paths[0]);
    app.w->commands().run(zv::Cmd::Powt1);
    app.e->calls.clear();
    app.e->endOfStream();
    EXPECT_EQ(app.e->calls, QStringList{QStringLiteral("Play")});
    EXPECT_EQ(app.e->playState, int(MediaEngine::psPlaying));
}

TEST(Transport, SeekingByTheStep)
{
    TransportApp app;
    app.open(app.home.file(QStringLiteral("film.avi")), 100);
    struct Case { zv::Cmd item; double from, to; };
    const Case cases[] = {
        {zv::Cmd::PT1, 3, 0},     // within the first step: exactly 0
        {zv::Cmd::PT1, 20, 15},
        {zv::Cmd::PP1, 20, 25},
        {zv::Cmd::PP1, 98, 103},  // past the end: not clamped
    };
    for (const Case &c : cases) {
        app.e->position = c.from;
        app.w->commands().run(c.item);
        EXPECT_DOUBLE_EQ(app.e->position, c.to) << c.from;
    }
}

TEST(Transport, TimeLabelAndItsClick)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    w.status().Timer3Timer();
    EXPECT_EQ(w.Label2->text(), QString());
    app.open(app.home.file(QStringLiteral("film.avi")), 5530.4);
    app.e->position = 307.9;
    w.status().Timer3Timer();
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:05:07 / 1:32:10"));
    QTest::mouseClick(w.Label2, Qt::LeftButton);
    EXPECT_FALSE(w.status().ShowElapsedTime);
    w.status().Timer3Timer();
    EXPECT_EQ(w.Label2->text(), QStringLiteral("- 1:27:02"));

    QTest::mouseDClick(w.Label3, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w.session().CurrentMediaPath);
}
