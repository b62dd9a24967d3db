// The key table run through the application's key filter: key events are sent to the windows
// the way the window system delivers them.
#include "app/key_table.h"
#include "app/transport/transport_app.h"
#include "core/config/settings.h"
#include "core/video/video_layout.h"
#include "support/fake_display_modes.h"
#include "library/subtitle_database_window.h"
#include "playlist/playlist_window.h"
#include "subtitles/subtitle_editor.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

struct KeysApp : TransportApp {
    KeysApp()
    {
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        open(addEntries({QStringLiteral("film.avi")})[0]);
        e->position = 10;
        e->playState = MediaEngine::psPlaying;
        w->status().UstawMStaus();
    }
    // Sends the key to window as the window system does; true when no widget saw it.
    bool press(QWidget *window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        e->calls.clear();
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window);   // without a window manager it may not be
        probe.clear();
        QTest::keyClick(window->windowHandle(), Qt::Key(key), mods);
        return probe.isEmpty();
    }
    // A line edit in the window: it records the keys that reach it.
    void watch(QWidget *window)
    {
        auto *edit = new QLineEdit(window);
        edit->setObjectName(QStringLiteral("probe"));
        edit->show();
        edit->setFocus();
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this](const QString &t) { probe = t; });
        edit->installEventFilter(&recorder);
    }
    struct Recorder : QObject {
        QString *log;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::KeyPress)
                *log += QLatin1Char('k');
            return false;
        }
    } recorder;
    QString probe;
};

TEST(Keys, RowsRunTheirActionsInTheirWindows)
{
    KeysApp app;
    app.recorder.log = &app.probe;
    TZentavistaApp &w = *app.w;
    app.watch(w.Form6);
    app.watch(w.Form12);
    struct Case {
        const char *what;
        QWidget *window;
        int key;
        Qt::KeyboardModifiers mods;
        const char *calls;   // what the engine was asked, "|"-joined
        bool consumed;
    } cases[] = {
        {"Enter seeks one second", &w, Qt::Key_Return, Qt::NoModifier, "CurrentPosition=11", true},
        {"Space in the main window pauses", &w, Qt::Key_Space, Qt::NoModifier, "Pause", true},
        {"Space in the playlist pauses and is eaten", w.Form6, Qt::Key_Space, Qt::NoModifier,
         "Pause", true},
        {"Right seeks forward", &w, Qt::Key_Right, Qt::NoModifier, "CurrentPosition=15", true},
        {"Left in the playlist is the list's own", w.Form6, Qt::Key_Left, Qt::NoModifier, "", false},
        {"V stops from the playlist", w.Form6, Qt::Key_V, Qt::NoModifier, "Stop|CurrentPosition=0",
         true},
        {"F1 is eaten in the editor too", w.Form12, Qt::Key_F1, Qt::NoModifier, "", true},
        {"keypad 0 in the editor plays or pauses", w.Form12, Qt::Key_0, Qt::KeypadModifier,
         "Pause", true},
        {"main keyboard 0 in the editor is typed", w.Form12, Qt::Key_0, Qt::NoModifier, "", false},
        {"Page Down slows down", &w, Qt::Key_PageDown, Qt::NoModifier, "Rate=0.9", true},
        {"Home: normal speed", &w, Qt::Key_Home, Qt::NoModifier, "Rate=1", true},
    };
    for (const Case &c : cases) {
        app.e->position = 10;
        app.e->playState = MediaEngine::psPlaying;
        w.status().UstawMStaus();
        const bool consumed = app.press(c.window, c.key, c.mods);
        EXPECT_EQ(app.e->calls.join(QLatin1Char('|')), QString::fromLatin1(c.calls)) << c.what;
        EXPECT_EQ(consumed, c.consumed) << c.what;
    }
}

TEST(Keys, FramingAndFullScreenKeys)
{
    KeysApp app;
    TZentavistaApp &w = *app.w;
    w.settings().PanScanValue = 120;
    app.press(&w, Qt::Key_Up, Qt::ControlModifier);        // pan-scan on, +2
    EXPECT_TRUE(w.commands().action(zv::Cmd::PanScan1)->isChecked());
    EXPECT_EQ(w.settings().PanScanValue, 122);
    app.press(&w, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    app.press(&w, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(w.video().pictureFraming().verticalInset, 5);
    EXPECT_EQ(w.video().pictureFraming().offsetX, -5);
    app.press(&w, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(w.video().pictureFraming().offsetX, 0);
    app.press(&w, Qt::Key_Home, Qt::ControlModifier);      // inset 0, zoom 100
    EXPECT_EQ(w.video().pictureFraming().verticalInset, 0);
    EXPECT_EQ(w.settings().PanScanValue, 100);
    app.press(&w, Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(w.commands().action(zv::Cmd::PanScan1)->isChecked());

    app.press(&w, Qt::Key_F11);
    EXPECT_TRUE(w.video().isFullScreenOn());
    app.press(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.video().isFullScreenOn());
    // Ctrl+Enter changes the display mode, Alt+Enter does not: the key's own modifiers decide.
    auto modes = std::make_unique<zv::test::FakeDisplayModes>();
    zv::test::FakeDisplayModes *display = modes.get();
    w.video().setDisplayModeBackend(std::move(modes));
    w.settings().FullScrResIndex = 1;
    app.press(&w, Qt::Key_Return, Qt::AltModifier);
    EXPECT_TRUE(w.video().isFullScreenOn());
    EXPECT_EQ(display->mode, zv::test::FakeDisplayModes::desktop());
    app.press(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.video().isFullScreenOn());
    app.press(&w, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(display->mode, (zv::video::DisplayMode{640, 480, 24, 0}));
    app.press(&w, Qt::Key_Escape);
    EXPECT_EQ(display->mode, zv::test::FakeDisplayModes::desktop());
    // Escape outside full screen does nothing in the main window.
    EXPECT_FALSE(app.press(&w, Qt::Key_Escape) && w.video().isFullScreenOn());
}

TEST(Keys, WheelStepsTheVolumeByWholeNotches)
{
    KeysApp app;
    TZentavistaApp &w = *app.w;
    app.e->calls.clear();
    const QPoint at = w.rect().center();
    QWheelEvent notch(at, w.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.windowHandle(), &notch);
    // Two volume steps down from the top.
    EXPECT_EQ(app.e->calls.join(QLatin1Char('|')), QStringLiteral("Volume=-100|Volume=-200"));
    app.e->calls.clear();
    for (int i = 0; i < 5; ++i) {
        QWheelEvent small(at, w.mapToGlobal(at), QPoint(), QPoint(0, 20), Qt::NoButton,
                          Qt::NoModifier, Qt::ScrollUpdate, false);
        QCoreApplication::sendEvent(w.windowHandle(), &small);
    }
    EXPECT_TRUE(app.e->calls.isEmpty()) << "100 units are less than a notch";
}

TEST(Keys, TheAboutListComesFromTheTable)
{
    KeysApp app;
    const QStringList lines = zv::keyListTexts(app.w->commands());
    EXPECT_TRUE(lines.contains(QStringLiteral("Spacja\tPlay / Pauza")));
    EXPECT_TRUE(lines.contains(QStringLiteral("F11\tPełny ekran")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Alt+F4\tZakończ")));
    for (const QString &l : lines)
        EXPECT_FALSE(l.section(QLatin1Char('\t'), 1).isEmpty()) << l.toStdString();
}

// Keypad + and - held together put the subtitles back at their height; a release the program
// never sees (another program took the focus, or a menu was open) must not leave a key "held".
TEST(Keys, AReleaseThatWentElsewhereLeavesNoKeyHeld)
{
    KeysApp app;
    QWindow *win = app.w->windowHandle();
    QSignalSpy up(app.w->commands().action(zv::Cmd::DisplayerUp1), &QAction::triggered);
    QSignalSpy down(app.w->commands().action(zv::Cmd::DisplayerDown1), &QAction::triggered);
    const auto numPlus = [&] { QTest::keyClick(win, Qt::Key_Plus, Qt::KeypadModifier); };

    QTest::keyPress(win, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyPress(win, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(up.count() + down.count(), 1) << "the second key of the pair resets instead";
    up.clear();
    down.clear();

    // The user switches to another program with both keys down and lets go there.
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    numPlus();
    EXPECT_EQ(up.count(), 1) << "Num + alone moves the subtitles up";

    // A menu is open when Num - is let go.
    up.clear();
    QTest::keyPress(win, Qt::Key_Minus, Qt::KeypadModifier);
    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &menu; }, 5000));
    QTest::keyRelease(menu.windowHandle(), Qt::Key_Minus, Qt::KeypadModifier);
    menu.close();
    numPlus();
    EXPECT_EQ(up.count(), 1);
}

} // namespace
