#include "transport_app.h"

#include "core/config/settings.h"
#include "core/playback/slider_math.h"
#include "playback/position_slider.h"
#include "playback/system_volume.h"
#include "playback/volume_slider.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Track X of a click that centres the thumb on the given Left.
int trackXFor(int left)
{
    return left - 5 + 15 / 2;
}

} // namespace

TEST(PositionSlider, DragPausesAndRestoresTheFormerState)
{
    struct Case { int state; const char *callsAtRelease; };
    const Case cases[] = {
        {MediaEngine::psPlaying, "Play"},
        {MediaEngine::psPaused, "Pause"},
        {MediaEngine::psStopped, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.state);
        TransportApp app;
        TZentavistaApp &w = *app.w;
        w.resize(400, w.height());
        QCoreApplication::processEvents();
        zv::PositionSliderWidget *s = w.transport().positionSlider();
        ASSERT_NE(s, nullptr);
        app.open(app.home.file(QStringLiteral("film.avi")), 100);
        app.e->changePlayState(c.state);
        const int maxLeft = s->width() - 15 - 3;

        app.e->calls.clear();
        const QPoint pressAt(5 + trackXFor(3 + (maxLeft - 3) / 2), s->height() / 2);
        QTest::mousePress(s, Qt::LeftButton, {}, pressAt);
        EXPECT_TRUE(w.transport().SeekDragging);
        EXPECT_TRUE(w.transport().Timer4->isActive());
        const bool paused = c.state != MediaEngine::psStopped;
        EXPECT_EQ(app.e->calls.contains(QStringLiteral("Pause")), paused);
        EXPECT_NEAR(app.e->position, 50, 1.0);

        // Dragging shows the thumb's time, and the periodic refresh leaves the thumb alone.
        QMouseEvent move(QEvent::MouseMove, QPointF(5 + trackXFor(3), s->height() / 2),
                         s->mapToGlobal(QPointF(5 + trackXFor(3), s->height() / 2)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(s, &move);
        EXPECT_EQ(s->thumbLeft(), 3);
        EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:00 / 0:01:40"));
        app.e->position = 70;
        w.status().Timer3Timer();
        EXPECT_EQ(s->thumbLeft(), 3);
        EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:00 / 0:01:40"));

        // Released far outside the window: the drag still ends with a seek to the thumb.
        app.e->calls.clear();
        QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(-2000, 500));
        EXPECT_FALSE(w.transport().SeekDragging);
        EXPECT_FALSE(w.transport().Timer4->isActive());
        QStringList expected{QStringLiteral("CurrentPosition=0")};
        if (*c.callsAtRelease)
            expected << QString::fromUtf8(c.callsAtRelease);
        EXPECT_EQ(app.e->calls, expected);
    }
}

TEST(PositionSlider, ClicksAndTheEngineMoveTheThumb)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    zv::PositionSliderWidget *s = w.transport().positionSlider();
    // Nothing open: a click does nothing.
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(100, s->height() / 2));
    EXPECT_FALSE(w.transport().SeekDragging);
    EXPECT_TRUE(app.e->calls.filter(QStringLiteral("CurrentPosition")).isEmpty());

    app.open(app.home.file(QStringLiteral("film.avi")), 100);
    // A click at the far left of the track seeks to exactly 0.
    app.e->position = 40;
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(6, s->height() / 2));
    EXPECT_EQ(app.e->position, 0.0);
    EXPECT_EQ(s->thumbLeft(), 3);

    const int maxLeft = s->width() - 15 - 3;
    app.e->position = 100;
    w.transport().UstawMDoPosuwadel();
    EXPECT_EQ(s->thumbLeft(), maxLeft);
    app.e->position = 250; // past the end
    w.transport().UstawMDoPosuwadel();
    EXPECT_EQ(s->thumbLeft(), maxLeft);
    // A duration that rounds to 0 keeps the thumb at the start.
    app.e->duration = 0.4;
    app.e->position = 0.3;
    w.transport().UstawMDoPosuwadel();
    EXPECT_EQ(s->thumbLeft(), 3);
}

TEST(VolumeSlider, StepsMuteAndDrag)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    app.open(app.home.file(QStringLiteral("film.avi")), 100);
    zv::VolumeSliderWidget *v = w.transport().volumeSlider();

    struct Case { int from; zv::Cmd item; int to; int left; };
    const Case cases[] = {
        {-50, zv::Cmd::pod1, 0, 42},
        {0, zv::Cmd::pod1, 0, 42},
        {-4950, zv::Cmd::sci1, -5000, 0},
        {-2500, zv::Cmd::sci1, -2600, 20},
    };
    for (const Case &c : cases) {
        app.e->volume = c.from;
        w.commands().run(c.item);
        EXPECT_EQ(app.e->volume, c.to) << c.from;
        EXPECT_EQ(v->thumbLeft(), c.left) << c.from;
    }

    // Dragging the thumb sets the volume live and the refresh leaves it alone.
    app.e->volume = 0;
    w.transport().UstawMDoVolPos();
    QTest::mousePress(v->thumb(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(w.transport().VolumeDragging);
    QMouseEvent move(QEvent::MouseMove, QPointF(-16, 10), v->thumb()->mapToGlobal(QPointF(-16, 10)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(v->thumb(), &move);
    EXPECT_EQ(v->thumbLeft(), 21);
    EXPECT_EQ(app.e->volume, -2500);
    QTest::mouseRelease(v->thumb(), Qt::LeftButton, {}, QPoint(-16, 10));
    EXPECT_FALSE(w.transport().VolumeDragging);

    // Mute from the menu and from the button; both show the engine's state.
    w.commands().run(zv::Cmd::W2);
    EXPECT_TRUE(app.e->mute);
    w.transport().UstawMDoVolPos();
    EXPECT_TRUE(w.ToolButton19->isChecked());
    QTest::mouseClick(w.ToolButton19, Qt::LeftButton);
    EXPECT_FALSE(app.e->mute);
    EXPECT_FALSE(w.ToolButton19->isChecked());
    w.transport().UstawMDoVolPos();
    EXPECT_FALSE(w.commands().action(zv::Cmd::W2)->isChecked());

    app.e->soundCard = false;
    w.transport().UstawMDoVolPos();
    EXPECT_FALSE(w.commands().action(zv::Cmd::W2)->isEnabled());
    EXPECT_FALSE(w.ToolButton19->isEnabled());
}

TEST(SystemVolume, LevelsMapLinearlyAndNoServerIsHarmless)
{
    struct Case { std::uint32_t server; int level; };
    const Case cases[] = {{0, 0}, {65536, 255}, {32768, 128}, {65536 * 3 / 2, 255}, {257, 1}};
    for (const Case &c : cases)
        EXPECT_EQ(zv::SystemVolume::levelFromServer(c.server), c.level) << c.server;
    for (int level = 0; level <= 255; ++level)
        EXPECT_EQ(zv::SystemVolume::levelFromServer(
                      zv::SystemVolume::serverFromLevel(std::uint8_t(level))),
                  level);

    // Tests run without a sound server (and without a stream of ours): no levels, no crash, and
    // the volume commands fall back to leaving the thumb where it is.
    qputenv("PULSE_SERVER", "unix:/nonexistent/zentavista-test");
    TransportApp app;
    TZentavistaApp &w = *app.w;
    app.open(app.home.file(QStringLiteral("film.avi")), 100);
    w.settings().SystemVolumeControl = true;
    w.transport().volumeSlider()->setThumbLeft(17);
    w.commands().run(zv::Cmd::pod1);
    w.commands().run(zv::Cmd::sci1);
    w.transport().UstawMDoVolPos();
    EXPECT_EQ(w.transport().volumeSlider()->thumbLeft(), 17);
    w.transport().UstawVolPosDoM();
    EXPECT_EQ(app.e->volume, zv::playback::VolumeSlider::engineVolumeForThumb(17));
    qunsetenv("PULSE_SERVER");
}

TEST(RateMenu, LimitsChecksAndEnabling)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    app.open(app.home.file(QStringLiteral("film.avi")), 100);
    const QList<QAction *> items = w.transport().rateItems();
    ASSERT_EQ(items.size(), 21);
    QAction *faster = items[0], *slower = items[1];
    auto checkedNames = [&] {
        QStringList names;
        for (QAction *a : items)
            if (a->isChecked())
                names << a->objectName();
        return names.join(QLatin1Char(' '));
    };
    EXPECT_EQ(checkedNames(), QStringLiteral("N01"));

    for (int i = 0; i < 12; ++i)
        w.commands().run(faster);
    EXPECT_NEAR(app.e->rate, 1.9, 1e-9);
    EXPECT_EQ(checkedNames(), QStringLiteral("N91"));
    EXPECT_FALSE(faster->isEnabled());
    EXPECT_TRUE(slower->isEnabled());

    w.commands().run(w.findChild<QAction *>(QStringLiteral("N92")));
    EXPECT_NEAR(app.e->rate, 0.1, 1e-9);
    EXPECT_EQ(checkedNames(), QStringLiteral("N92"));
    EXPECT_TRUE(faster->isEnabled());
    EXPECT_FALSE(slower->isEnabled());
    app.e->calls.clear();
    EXPECT_FALSE(w.commands().run(slower));
    EXPECT_TRUE(app.e->calls.isEmpty());

    w.commands().run(w.findChild<QAction *>(QStringLiteral("N01")));
    EXPECT_DOUBLE_EQ(app.e->rate, 1.0);
}

TEST(StatusTimers, SleepWhileMinimised)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(w.isVisible());
    app.open(app.home.file(QStringLiteral("film.avi")), 5530.4);
    w.commands().run(zv::Cmd::Play);
    QCoreApplication::processEvents();
    w.setWindowState(Qt::WindowMinimized);
    QTest::qWait(20);
    EXPECT_FALSE(w.status().Timer3->isActive());
    EXPECT_FALSE(w.status().Timer2->isActive());
    // Nobody sees the label: the reports leave it alone.
    app.e->movePosition(307.9);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:00 / 1:32:10"));
    w.setWindowState(Qt::WindowNoState);
    w.show();
    QTest::qWait(20);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:05:07 / 1:32:10"));
    EXPECT_FALSE(w.status().Timer3->isActive());
    EXPECT_TRUE(w.status().Timer2->isActive()); // a file is open
}

// No timer moves the time label or the thumb: the engine's position reports do, only when the
// shown second or the thumb's pixel changes, and a paused or stopped film runs no timer.
TEST(StatusTimers, LabelAndThumbFollowPositionReports)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    w.resize(500, w.height());
    QCoreApplication::processEvents();
    zv::PositionSliderWidget *s = w.transport().positionSlider();
    const auto thumbAt = [&](double seconds, double duration) {
        return zv::playback::PositionSlider{s->width()}.thumbForPosition(seconds, duration);
    };

    app.open(app.home.file(QStringLiteral("film.avi")), 5530.4);
    for (int state : {MediaEngine::psStopped, MediaEngine::psPaused}) {
        app.e->changePlayState(state);
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.status().Timer3->isActive()) << state;
        EXPECT_FALSE(w.transport().Timer4->isActive()) << state;
    }
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:00 / 1:32:10"));

    w.commands().run(zv::Cmd::Play);
    QCoreApplication::processEvents();
    app.e->movePosition(307.9);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:05:07 / 1:32:10"));
    EXPECT_EQ(s->thumbLeft(), thumbAt(307.9, 5530.4));
    // Same second, same pixel: nothing is redrawn (the marker text stays).
    w.Label2->setText(QStringLiteral("marker"));
    app.e->movePosition(307.95);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("marker"));
    app.e->movePosition(308.01);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:05:08 / 1:32:10"));

    // A short clip: the thumb moves within a second, pixel by pixel.
    app.open(app.home.file(QStringLiteral("short.avi")), 10);
    w.commands().run(zv::Cmd::Play);
    QCoreApplication::processEvents();
    app.e->movePosition(5.0);
    const int before = s->thumbLeft();
    double t = 5.0;
    while (thumbAt(t, 10) == before)
        t += 0.001;
    app.e->movePosition(t);
    EXPECT_EQ(s->thumbLeft(), thumbAt(t, 10));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("0:00:05 / 0:00:10"));

    // Paused, the window gets narrower: the thumb is placed again without any report.
    w.commands().run(zv::Cmd::Pause);
    w.resize(350, w.height());
    QTest::qWait(20);
    EXPECT_EQ(s->thumbLeft(), thumbAt(t, 10));

    // Elapsed / remaining switches at once, with no report.
    QTest::mouseClick(w.Label2, Qt::LeftButton);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("- 0:00:04"));
    QTest::mouseClick(w.Label2, Qt::LeftButton);
}

TEST(StatusTimers, StatusRefreshSleepsWhileNothingIsOpenAndWakesOnAnyChange)
{
    TransportApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(w.isVisible());
    const auto sleepsAfterATick = [&] {
        EXPECT_TRUE(w.status().Timer2->isActive());
        w.status().Timer2Timer();
        return !w.status().Timer2->isActive();
    };
    EXPECT_TRUE(sleepsAfterATick());

    // Input may change what the refresh mirrors (a menu item toggled, say).
    QTest::keyClick(&w, Qt::Key_Shift);
    EXPECT_TRUE(sleepsAfterATick());
    QTest::mouseClick(w.Label1, Qt::LeftButton);
    EXPECT_TRUE(sleepsAfterATick());
    // An error's text gives way to the state word at the next refresh, as before.
    emit app.e->OnError();
    EXPECT_TRUE(sleepsAfterATick());
    // Any refresh asked for by an event (here the playlist's), then a file open: it stays awake.
    app.addEntries({QStringLiteral("a.avi")});
    EXPECT_TRUE(sleepsAfterATick());
    app.open(app.home.file(QStringLiteral("a.avi")));
    EXPECT_FALSE(sleepsAfterATick());
    EXPECT_TRUE(w.status().Timer2->isActive());
}
