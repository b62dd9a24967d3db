// The subtitle timer and the line windows of the main window, driven by a scripted engine.
#include "subtitle_app.h"

#include "core/config/settings.h"
#include "core/subtitles/subtitle_timer.h"
#include "subtitles/line_windows.h"
#include "subtitles/subtitle_display.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

struct Tick {
    double position;
    const char *shown;
};

void runTicks(SubtitleApp &app, std::initializer_list<Tick> ticks)
{
    for (const Tick &t : ticks) {
        SCOPED_TRACE(t.position);
        scripted(*app.w)->position = t.position;
        app.w->subtitles().Timer1Timer();
        EXPECT_EQ(app.w->subtitles().DisplayedText(), QString::fromUtf8(t.shown));
    }
}

TEST(SubtitleTiming, TheTimerFollowsThePositionThroughTheLoadedFile)
{
    SubtitleApp app(scriptedEngineFactory());
    app.w->subtitles().LadujText(app.write(QStringLiteral("czas.txt"),
                               {QStringLiteral("0:00:30:Drugi|wiersz"),
                                QStringLiteral("0:00:10:Pierwszy"),
                                QStringLiteral("0:00:40:Trzeci"),
                                QStringLiteral("0:00:42:Czwarty")}));
    EXPECT_EQ(app.w->subtitles().LastShownTime(), zv::kLastShownAfterLoad);
    EXPECT_EQ(app.w->subtitles().Timer1->interval(), 200);
    EXPECT_TRUE(app.w->subtitles().Timer1->isActive());
    runTicks(app, {{9.9, ""}, {10.0, "Pierwszy"}, {14.9, "Pierwszy"}, {15.0, ""},
                   {29.0, ""}, {30.2, "Drugi|wiersz"}, {12.0, "Pierwszy"}, {5.0, ""},
                   {41.0, "Trzeci"}, {42.0, "Czwarty"}, {60.0, ""}});

    // The repeat button clears the screen; the next tick draws the line again.
    runTicks(app, {{10.0, "Pierwszy"}});
    app.w->ToolButton21->click();
    EXPECT_TRUE(app.w->commands().action(zv::Cmd::Powt1)->isChecked());
    EXPECT_EQ(app.w->subtitles().DisplayedText(), QString());
    runTicks(app, {{10.2, "Pierwszy"}});

    // A new file clears what the old one left on the next tick, even where it has no line.
    runTicks(app, {{10.0, "Pierwszy"}});
    app.w->subtitles().LadujText(app.write(QStringLiteral("inny.txt"), {QStringLiteral("0:01:00:Inny")}));
    runTicks(app, {{10.0, ""}, {60.0, "Inny"}});
}

TEST(SubtitleTiming, FrameFilesUseTheClipsRateOr25WhileNoneIsKnown)
{
    const double rates[] = {-1.0, 0.0, 25.0};
    for (double rate : rates) {
        SCOPED_TRACE(rate);
        SubtitleApp app(scriptedEngineFactory());
        app.w->session().MediaFrameRate = rate;
        app.w->subtitles().LadujText(app.write(QStringLiteral("klatki.txt"),
                                   {QStringLiteral("{100}{150}Sto"), QStringLiteral("{500}{}Pięćset")}));
        // The empty end frame is filled from TextDelay at the same rate: 500 + 4 * 25.
        ASSERT_EQ(app.w->subtitles().subtitleTable().FrameTable().size(), 2);
        EXPECT_EQ(app.w->subtitles().subtitleTable().FrameTable()[1].endFrame, 600);
        runTicks(app, {{3.0, ""}, {4.0, "Sto"}, {5.0, "Sto"}, {6.0, "Sto"}, {9.6, ""},
                       {20.0, "Pięćset"}, {24.0, "Pięćset"}, {25.0, ""}});
    }
    // A real clip rate changes which second a frame falls on.
    SubtitleApp app(scriptedEngineFactory());
    app.w->session().MediaFrameRate = 50.0;
    app.w->subtitles().LadujText(app.write(QStringLiteral("klatki.txt"), {QStringLiteral("{100}{150}Sto")}));
    runTicks(app, {{1.0, ""}, {2.0, "Sto"}});
}

TEST(SubtitleTiming, TheCorrectionShiftsLinesWhenEnabled)
{
    SubtitleApp app(scriptedEngineFactory());
    app.w->subtitles().LadujText(app.write(QStringLiteral("czas.txt"), {QStringLiteral("0:01:05:Przesunięty")}));
    app.w->subtitles().ShiftOffset = 5;
    runTicks(app, {{60.0, ""}, {65.0, "Przesunięty"}});
    app.w->settings().OffsetEnabled = true;
    runTicks(app, {{55.0, ""}, {60.0, "Przesunięty"}});
}

TEST(SubtitleWindows, LinesShowInTheirWindowsAndFollowTheCommand)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    // Before the first subtitle the line windows have no height at all.
    for (QWidget *line : {static_cast<QWidget *>(w.Form3), static_cast<QWidget *>(w.Form4),
                          static_cast<QWidget *>(w.Form5)})
        EXPECT_EQ(line->height(), 0);
    EXPECT_FALSE(w.subtitles().Timer1->isActive());
    w.settings().ShowTextIfAvailable = false;
    w.subtitles().LadujText(app.write(QStringLiteral("czas.txt"), {QStringLiteral("0:00:10:Górny|Dolny")}));
    EXPECT_FALSE(w.commands().action(zv::Cmd::Wy1)->isChecked()) << "ShowTextIfAvailable off leaves the display alone";

    w.commands().run(zv::Cmd::Wy1);
    EXPECT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_TRUE(w.ToolButton12->isChecked());
    EXPECT_TRUE(w.subtitles().Timer1->isActive());
    runTicks(app, {{10.0, "Górny|Dolny"}});

    const zv::SubtitleDisplay *display = w.subtitles().subtitleDisplay();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->LastLineIndex(), 2);
    const QWidget *windows[] = {w.Form3, w.Form4, w.Form5};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(windows[k]->isVisible());
        EXPECT_EQ(windows[k]->geometry(), display->renderer().line(k).geometry);
        EXPECT_GT(windows[k]->height(), 0);
    }
    EXPECT_FALSE(w.Form5->isVisible());
    // Line 1 stands above line 2 (their shadow margins may overlap), both centred.
    EXPECT_LT(w.Form3->y(), w.Form4->y());
    const QRect screen = w.screen()->geometry();
    EXPECT_NEAR(w.Form4->geometry().center().x(), screen.center().x(), 1);

    // The toolbar button runs the same command and shows its state.
    w.ToolButton12->click();
    EXPECT_FALSE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_FALSE(w.ToolButton12->isChecked());
    EXPECT_FALSE(w.subtitles().Timer1->isActive());
    for (const QWidget *line : windows)
        EXPECT_FALSE(line->isVisible());
}

TEST(SubtitleWindows, PositionCommandsMoveTheLinesAndTheGapIsSavedAsLaidOut)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    w.settings().DisplayerDistance = 10;
    w.subtitles().LadujText(app.write(QStringLiteral("czas.txt"), {QStringLiteral("0:00:10:Górny|Dolny")}));
    runTicks(app, {{10.0, "Górny|Dolny"}});
    const int bottom = w.settings().DisplayerBottom;
    const int top = w.Form4->y();

    w.commands().run(zv::Cmd::DisplayerUp1);
    EXPECT_EQ(w.settings().DisplayerBottom, bottom + 20);
    EXPECT_EQ(w.Form4->y(), top - 20);
    w.commands().run(zv::Cmd::DisplayerDown1);
    w.commands().run(zv::Cmd::DisplayerDown1);
    EXPECT_EQ(w.settings().DisplayerBottom, bottom - 20);
    EXPECT_EQ(w.Form4->y(), top + 20);
    w.subtitles().ResetSubtitlePosition();
    EXPECT_EQ(w.settings().DisplayerBottom, 40);
    EXPECT_EQ(w.Form4->y(), top + bottom - 40);
    // The same text stays on screen through all of it.
    EXPECT_TRUE(w.Form3->isVisible());
    EXPECT_EQ(w.subtitles().DisplayedText(), QStringLiteral("Górny|Dolny"));

    // saveini writes the gap between the two windows as it is on screen: what was laid out.
    ASSERT_TRUE(w.options().saveini());
    EXPECT_EQ(w.settings().DisplayerDistance, 10);
}

TEST(SubtitleWindows, ADragFreezesTheTextAndTheFocusStaysWithThePlayer)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    w.subtitles().LadujText(app.write(QStringLiteral("czas.txt"), {QStringLiteral("0:00:10:Pierwszy"),
                                                         QStringLiteral("0:00:12:Drugi")}));
    runTicks(app, {{10.0, "Pierwszy"}});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.Form3));
    const int bottom = w.settings().DisplayerBottom;
    const QPoint inside(w.Form3->width() / 2, w.Form3->height() / 2);

    QTest::mousePress(w.Form3, Qt::LeftButton, {}, inside);
    EXPECT_TRUE(w.subtitles().OverlayDragging());
    QMouseEvent move(QEvent::MouseMove, QPointF(inside), w.Form3->mapToGlobal(QPointF(inside) - QPointF(0, 30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.Form3, &move);
    EXPECT_EQ(w.settings().DisplayerBottom, bottom + 30);
    runTicks(app, {{12.0, "Pierwszy"}, {30.0, "Pierwszy"}});

    QTest::mouseRelease(w.Form3, Qt::LeftButton, {}, inside);
    EXPECT_FALSE(w.subtitles().OverlayDragging());
    runTicks(app, {{12.0, "Drugi"}});
    // The line windows hand the keyboard back to the player.
    QTest::qWait(50);
    for (const QWidget *line : {static_cast<QWidget *>(w.Form3), static_cast<QWidget *>(w.Form4),
                                static_cast<QWidget *>(w.Form5)})
        EXPECT_FALSE(line->isActiveWindow());
}

} // namespace

namespace {

// In a window the lines never hide the player's own controls; where they belong does not
// change, and full screen draws them where they belong.
TEST(SubtitleWindows, LinesStayOffThePlayersControls)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    w.settings().DisplayerBottom = 20;   // close to the screen's bottom, where the controls are
    const QRect screen = w.screen()->geometry();
    w.setGeometry(screen.center().x() - 300, screen.bottom() + 1 - 400, 600, 400);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry().bottom() == screen.bottom(); }, 5000))
        << w.geometry().x() << "," << w.geometry().y() << " " << w.geometry().width() << "x" << w.geometry().height();
    w.subtitles().LadujText(app.write(QStringLiteral("czas.txt"), {QStringLiteral("0:00:10:Górny|Dolny")}));
    if (!w.commands().isChecked(zv::Cmd::Wy1))
        w.commands().run(zv::Cmd::Wy1);
    runTicks(app, {{10.0, "Górny|Dolny"}});
    const QRect controls(w.Panel11->mapToGlobal(QPoint(0, 0)), w.Panel11->size());
    const zv::SubtitleDisplay *display = w.subtitles().subtitleDisplay();
    ASSERT_TRUE(display->renderer().line(1).geometry.intersects(controls)) << "the set-up puts them there";
    const int bottomBefore = w.settings().DisplayerBottom;
    EXPECT_EQ(w.Form4->geometry().bottom() + 1, controls.top()) << "just above the controls";
    EXPECT_EQ(w.Form3->geometry().height(), display->renderer().line(0).geometry.height());
    EXPECT_LT(w.Form3->y(), w.Form4->y());
    EXPECT_EQ(w.settings().DisplayerBottom, bottomBefore);

    // Moved away from the lines, the window leaves them where they belong.
    w.move(screen.left(), screen.top());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.y() == screen.top(); }, 5000));
    w.subtitles().RobNapis(QStringLiteral("Górny|Dolny"));
    EXPECT_EQ(w.Form4->geometry(), display->renderer().line(1).geometry);
}

} // namespace
