// Full screen, the control bar, the hidden cursor and the picture framing in the main window.
#include "support/app_features.h"
#include "library/subtitle_database_window.h"
#include "playlist/playlist_window.h"
#include "app/transport/transport_app.h"
#include "core/config/settings.h"
#include "core/video/video_layout.h"
#include "playback/media_engine.h"
#include "support/fake_display_modes.h"
#include "support/test_env.h"
#include "video/fullscreen_bar.h"
#include "video/video_window.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QTimer>
#include <QToolButton>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QRect screenArea()
{
    return QGuiApplication::primaryScreen()->geometry();
}

// The video window's rectangle in global coordinates.
QRect globalRect(QWidget *w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// Moves the real pointer, or clicks, through the X server (a client we did not write).
void xdotool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(p.waitForFinished(5000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

void pointerTo(QPoint global)
{
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

double litShare(const QImage &img)
{
    qint64 lit = 0;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            lit += qGray(img.pixel(x, y)) > 40;
    return double(lit) / ((img.width() / 2) * (img.height() / 2));
}

bool cursorHidden()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::BlankCursor;
}

// A scripted clip with a picture, open in a shown main window at a known place.
struct FramedApp : TransportApp {
    FramedApp()
    {
        auto modes = std::make_unique<zv::test::FakeDisplayModes>();
        display = modes.get();
        w->video().setDisplayModeBackend(std::move(modes));
        w->hooks().modifiers = [this] { return modifiers; };
        w->hooks().escapeHeld = [] { return false; };
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        const QStringList paths = addEntries({QStringLiteral("film.avi")});
        open(paths[0]);
        w->status().UstawMStaus();
    }
    QRect engineRect() const { return w->Form9->engineRect(); }

    zv::test::FakeDisplayModes *display = nullptr;
    Qt::KeyboardModifiers modifiers;
};

TEST(VideoLayoutWindow, FramingCommandsPlaceTheEngineRectangle)
{
    FramedApp app;
    TZentavistaApp &w = *app.w;
    const QSize panel = w.Form9->Panel1->size();
    EXPECT_EQ(app.engineRect(), QRect(QPoint(0, 0), panel));

    w.settings().PanScanValue = 120;
    ASSERT_TRUE(w.commands().run(zv::Cmd::PanScan1));
    EXPECT_TRUE(w.commands().action(zv::Cmd::PanScan1)->isChecked());
    EXPECT_TRUE(w.ToolButton4->isChecked());
    zv::video::Framing f{true, 120, 0, 0, 0};
    EXPECT_EQ(app.engineRect(), zv::video::engineRect(panel.width(), panel.height(), f));

    w.commands().run(zv::Cmd::PanScanNormal1);
    EXPECT_EQ(app.engineRect(), QRect(QPoint(0, 0), panel));   // 100 % is the plain layout
    w.commands().run(zv::Cmd::PanScanInc1);
    w.video().StepFraming(zv::video::FramingStep::OffsetRight);
    w.video().StepFraming(zv::video::FramingStep::InsetMore);
    f = {true, 102, 5, 0, 5};
    EXPECT_EQ(w.settings().PanScanValue, 102);
    EXPECT_EQ(app.engineRect(), zv::video::engineRect(panel.width(), panel.height(), f));

    // Automatic zoom from the screen's and the picture's proportions (320 x 240 here).
    w.commands().run(zv::Cmd::AutoPanScan1);
    const QRect s = screenArea();
    EXPECT_EQ(w.settings().PanScanValue, *zv::video::autoPanScanValue(s.width(), s.height(), 320, 240));

    // A resize lays out again without any timer.
    w.status().Timer3->stop();
    w.resize(w.width() + 40, w.height() + 30);
    QTest::qWait(50);
    f = {true, w.settings().PanScanValue, 5, 0, 5};
    EXPECT_EQ(app.engineRect(), zv::video::engineRect(w.Form9->Panel1->width(),
                                                      w.Form9->Panel1->height(), f));

    // Closing the clip brings the animation back.
    app.e->Open(QString());
    EXPECT_TRUE(w.Form9->isIdle());
}

TEST(FullScreenWindow, DisplayModeChangesOnlyWhenAskedAndAlwaysComesBack)
{
    FramedApp app;
    TZentavistaApp &w = *app.w;
    const auto desktop = zv::test::FakeDisplayModes::desktop();
    ASSERT_EQ(w.video().resolutionList(), app.display->list);   // the options list is the backend's

    struct Case {
        const char *what;
        bool option;
        Qt::KeyboardModifiers mods;
        int index;
        bool changes;
    } cases[] = {
        {"option off, no key", false, Qt::NoModifier, 1, false},
        {"option on", true, Qt::NoModifier, 1, true},
        {"Ctrl forces it", false, Qt::ControlModifier, 1, true},
        {"Alt prevents it", true, Qt::AltModifier, 1, false},
        {"index outside the list", true, Qt::NoModifier, 7, false},
    };
    for (const Case &c : cases) {
        app.display->applied.clear();
        w.settings().ChangeFullScrRes = c.option;
        w.settings().FullScrResIndex = c.index;
        app.modifiers = c.mods;
        ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr)) << c.what;
        // Full screen is consistent whether or not the mode changed.
        EXPECT_TRUE(w.commands().action(zv::Cmd::FullScr)->isChecked()) << c.what;
        EXPECT_TRUE(w.isFullScreen()) << c.what;
        EXPECT_EQ(app.display->mode, (c.changes ? zv::video::DisplayMode{640, 480, 24, 0} : desktop))
            << c.what;
        app.modifiers = Qt::NoModifier;
        ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr)) << c.what;
        EXPECT_FALSE(w.isFullScreen()) << c.what;
        EXPECT_EQ(app.display->mode, desktop) << c.what;
        EXPECT_EQ(app.display->applied.size(), c.changes ? 2 : 0) << c.what;
    }

    // Closing the program in full screen (as a termination signal does) restores the mode.
    w.settings().ChangeFullScrRes = true;
    w.settings().FullScrResIndex = 1;
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    ASSERT_NE(app.display->mode, desktop);
    w.close();
    EXPECT_EQ(app.display->mode, desktop);
}

// The playlist and database windows would float over the film: full screen hides the shown
// ones and brings them back; the line windows stay; quitting in full screen remembers them.
TEST(FullScreenWindow, ToolWindowsStepAsideAndComeBack)
{
    FramedApp app;
    TZentavistaApp &w = *app.w;
    w.Form6->show();
    w.Form7->hide();
    w.commands().run(zv::Cmd::Wy1);
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    EXPECT_FALSE(w.Form6->isVisible());
    EXPECT_FALSE(w.Form7->isVisible());
    EXPECT_TRUE(w.video().hiddenForFullScreen(w.Form6));
    EXPECT_FALSE(w.video().hiddenForFullScreen(w.Form7));
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    EXPECT_TRUE(w.Form6->isVisible());
    EXPECT_FALSE(w.Form7->isVisible()) << "only what was shown comes back";

    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    w.close();
    EXPECT_FALSE(w.Form6->isVisible()) << "nothing reappears while the program closes";
    EXPECT_TRUE(w.settings().PLSVisible) << "the playlist window is remembered as shown";
    EXPECT_FALSE(w.settings().BNVisible);
}

TEST(FullScreenWindow, AudioOnlyClipLeavesFullScreen)
{
    FramedApp app;
    TZentavistaApp &w = *app.w;
    const QRect before = w.geometry();
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    ASSERT_TRUE(w.isFullScreen());
    app.open(app.home.file(QStringLiteral("song.mp3")), 100, 0);
    EXPECT_FALSE(w.commands().action(zv::Cmd::FullScr)->isChecked());
    EXPECT_FALSE(w.isFullScreen());
    // Back in its place, as wide as before, shrunk to its controls.
    EXPECT_EQ(w.geometry().topLeft(), before.topLeft());
    EXPECT_EQ(w.width(), before.width());
    EXPECT_EQ(w.Panel12->height(), 0);
    EXPECT_TRUE(w.menuBar()->isVisible());
    EXPECT_EQ(w.Panel11->parentWidget(), w.centralWidget());
}

// The whole of full screen against real libmpv and real pointer events.
TEST(FullScreenWindow, CoversTheScreenWithThePictureAndComesBackExactly)
{
    zv::test::ScopedHome home;
    TZentavistaApp w;
    w.setEngineFactory(TForm9::mpvEngine(false));
    w.hooks().filesMessage = ([](const QString &, const QString &) {});
    w.CreateForms();
    w.video().setDisplayModeBackend(std::make_unique<zv::test::FakeDisplayModes>());
    w.setGeometry(120, 90, 480, 400);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.settings().ShowFullScrCtrls = true;
    w.files().MainAddProc(zv::test::mediaFile(QStringLiteral("clip.avi")), 31, true, true, true, false,
                  w.state().DefaultDropPoint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.m()->ImageSourceWidth() > 0 && w.commands().action(zv::Cmd::FullScr)->isEnabled(); }, 20000))
        << w.session().CurrentMediaPath.toStdString() << " state " << w.m()->PlayState() << " width "
        << w.m()->ImageSourceWidth();
    w.commands().run(zv::Cmd::Stop);
    const QRect before = w.geometry();
    const QRect panelBefore = globalRect(w.Panel12);

    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    const QRect screen = screenArea();
    ASSERT_TRUE(QTest::qWaitFor([&] { return globalRect(w.Form9) == screen; }, 3000))
        << globalRect(w.Form9).width() << "x" << globalRect(w.Form9).height();
    EXPECT_FALSE(w.menuBar()->isVisible());
    EXPECT_FALSE(w.Form13->isVisible());
    EXPECT_EQ(w.Panel11->window(), w.Form13);   // the lower panel now rides in the bar
    // What the X server shows over the whole screen is the picture, not the desktop.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return litShare(QGuiApplication::primaryScreen()->grabWindow(0).toImage()) > 0.5;
    }, 8000));

    // The pointer at the bottom edge brings the bar; resting elsewhere hides bar and cursor.
    pointerTo(screen.center());
    QTest::qWait(100);
    pointerTo(QPoint(screen.center().x(), screen.bottom() - 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Form13->isVisible(); }, 2000));
    EXPECT_FALSE(cursorHidden());
    EXPECT_EQ(w.Form13->geometry(),
              QRect(screen.left(), screen.bottom() + 2 - TForm13::kHeight, screen.width(), TForm13::kHeight));
    QTest::qWait(2300);
    EXPECT_TRUE(w.Form13->isVisible()) << "hidden while the pointer rests on it";
    pointerTo(screen.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Form13->isVisible() && cursorHidden(); }, 3500));
    pointerTo(screen.center() + QPoint(60, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cursorHidden(); }, 1000));

    // Right click: the popup with "Play / Pauza" as its default item.
    xdotool({QStringLiteral("click"), QStringLiteral("3")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    QMenu *popup = w.Form9->PopupMenu1;
    EXPECT_EQ(QApplication::activePopupWidget(), popup);
    ASSERT_TRUE(popup->defaultAction());
    EXPECT_TRUE(popup->defaultAction()->text().startsWith(QStringLiteral("Play / Pauza")));
    EXPECT_EQ(popup->actions().size(), 15 + 4);
    popup->close();

    // Out again: the former geometry, the panel in its place, the picture over it.
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry() == before; }, 3000))
        << w.geometry().x() << "," << w.geometry().y() << " " << w.width() << "x" << w.height();
    EXPECT_FALSE(cursorHidden());
    EXPECT_TRUE(w.menuBar()->isVisible());
    EXPECT_EQ(w.Panel11->window(), &w);
    EXPECT_TRUE(QTest::qWaitFor([&] { return globalRect(w.Panel12) == panelBefore; }, 2000));
    EXPECT_EQ(globalRect(w.Form9), QRect(w.Panel12->mapToGlobal(w.Panel12->contentsRect().topLeft()),
                                         w.Panel12->contentsRect().size()));
    EXPECT_FALSE(w.Form9->isEnabled());

    // A maximised window comes back maximised.
    w.showMaximized();
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    ASSERT_TRUE(w.commands().run(zv::Cmd::FullScr));
    EXPECT_TRUE(w.windowState().testFlag(Qt::WindowMaximized));
    w.close();
}

} // namespace
