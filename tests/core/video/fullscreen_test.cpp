#include "core/video/display_mode_switch.h"
#include "core/video/fullscreen_pointer.h"
#include "support/fake_display_modes.h"

#include <gtest/gtest.h>

using namespace zv::video;

namespace {

using FakeDisplay = zv::test::FakeDisplayModes;

const DisplayMode kDesktop = FakeDisplay::desktop();

TEST(DisplayModeSwitch, RestoresTheModeFoundOnEntry)
{
    FakeDisplay d;
    DisplayModeSwitch s(&d);
    ASSERT_TRUE(s.enter(d.list, 1));
    EXPECT_EQ(d.mode, (DisplayMode{640, 480, 24, 0}));
    EXPECT_TRUE(s.changed());
    // A second entry before leaving keeps the desktop's mode as the one to come back to.
    ASSERT_TRUE(s.enter(d.list, 1));
    s.restore();
    EXPECT_EQ(d.mode, kDesktop);
    EXPECT_FALSE(s.changed());
    // Leaving again (exit after leaving full screen) changes nothing more.
    const qsizetype applies = d.applied.size();
    s.restore();
    EXPECT_EQ(d.applied.size(), applies);
}

TEST(DisplayModeSwitch, ImpossibleModesLeaveTheDisplayAlone)
{
    struct Case {
        const char *what;
        QStringList list;
        int index;
        bool refuse;
    } cases[] = {
        {"index past the list", {QStringLiteral("640 x 480 x 24")}, 1, false},
        {"negative index", {QStringLiteral("640 x 480 x 24")}, -1, false},
        {"empty list", {}, 0, false},
        {"text that does not parse", {QStringLiteral("bardzo duży")}, 0, false},
        {"backend refuses", {QStringLiteral("640 x 480 x 24")}, 0, true},
    };
    for (const Case &c : cases) {
        FakeDisplay d;
        d.refuse = c.refuse;
        DisplayModeSwitch s(&d);
        EXPECT_FALSE(s.enter(c.list, c.index)) << c.what;
        EXPECT_FALSE(s.changed()) << c.what;
        s.restore();
        EXPECT_EQ(d.mode, kDesktop) << c.what;
        EXPECT_EQ(d.applied.size(), c.refuse ? 1 : 0) << c.what;
    }
}

TEST(FullScreenPointer, WakesOnLargerMovesAndShowsTheBarAtTheBottom)
{
    const FullScreenPointer::Geometry g{1080, 70, true};
    const FullScreenPointer::Geometry noBar{1080, 70, false};
    struct Step {
        const char *what;
        QPoint pos;
        qint64 ms;
        const FullScreenPointer::Geometry *geometry;
        bool cursor, bar;
    } steps[] = {
        {"20 px is jitter", {520, 520}, 5, &g, false, false},
        {"still within 20 px of the reference", {500, 520}, 8, &g, false, false},
        {"21 px wakes", {521, 500}, 20, &g, true, false},
        {"slow creep: each sample within 20 px", {530, 510}, 40, &g, false, false},
        {"into the bar's strip", {530, 1020}, 60, &g, true, true},
        {"the strip's top edge is not the bar", {530, 1010}, 80, &g, false, false},
        {"controls off: cursor only", {530, 1070}, 100, &noBar, true, false},
    };
    FullScreenPointer p;
    p.reset({500, 500}, 0);
    for (const Step &s : steps) {
        const FullScreenPointer::Answer a = p.moved(s.pos, s.ms, *s.geometry);
        EXPECT_EQ(a.showCursor, s.cursor) << s.what;
        EXPECT_EQ(a.restartHideTimer, s.cursor) << s.what;
        EXPECT_EQ(a.showBar, s.bar) << s.what;
    }
}

TEST(FullScreenPointer, HideTimerSparesTheBarUnderThePointer)
{
    const FullScreenPointer p;
    const FullScreenPointer::Geometry g{1080, 70, true};
    const FullScreenPointer::Geometry noBar{1080, 70, false};
    EXPECT_TRUE(p.hideTimerFired({10, 500}, true, g).hideCursorAndBar);
    // Over the bar: wait again.
    auto a = p.hideTimerFired({10, 1050}, true, g);
    EXPECT_FALSE(a.hideCursorAndBar);
    EXPECT_TRUE(a.restartHideTimer);
    // Without the bar the bottom strip is picture like the rest.
    EXPECT_TRUE(p.hideTimerFired({10, 1050}, true, noBar).hideCursorAndBar);
    // Another program in front: the cursor is not ours to hide.
    a = p.hideTimerFired({10, 500}, false, g);
    EXPECT_FALSE(a.hideCursorAndBar);
    EXPECT_TRUE(a.restartHideTimer);
}

} // namespace
