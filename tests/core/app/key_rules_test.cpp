#include "core/app/key_rules.h"
#include "core/app/outside_keys.h"

#include <gtest/gtest.h>

using namespace zv::keys;

namespace {

TEST(KeyRules, ModifierClasses)
{
    const Qt::KeyboardModifiers none, c = Qt::ControlModifier, s = Qt::ShiftModifier,
                                      a = Qt::AltModifier, cs = c | s, csa = c | s | a, ca = c | a,
                                      sa = s | a;
    struct Case {
        Mods wanted;
        Qt::KeyboardModifiers yes[4];
        Qt::KeyboardModifiers no[4];
    } cases[] = {
        {Mods::None, {none}, {c, s, a, cs}},
        {Mods::CtrlOnly, {c}, {none, cs, ca, csa}},
        {Mods::ShiftOnly, {s}, {none, cs, sa, c}},
        {Mods::AltOnly, {a}, {none, ca, sa, c}},
        {Mods::CtrlShift, {cs}, {c, s, csa, none}},
        {Mods::CtrlShiftAnyAlt, {cs, csa}, {c, s, ca, none}},
        {Mods::CtrlOrAltNoShift, {c, a, ca}, {none, cs, sa, csa}},
        {Mods::NoCtrlNoAlt, {none, s}, {c, a, cs, sa}},
        {Mods::NoneOrCtrl, {none, c}, {s, a, cs, ca}},
        {Mods::Any, {none, c, csa, sa}, {}},
    };
    for (const Case &k : cases) {
        for (Qt::KeyboardModifiers m : k.yes)
            if (m != none || &m == &k.yes[0])
                EXPECT_TRUE(modsMatch(k.wanted, m)) << int(k.wanted) << " " << int(m);
        for (Qt::KeyboardModifiers m : k.no)
            if (m != none || &m == &k.no[0])
                EXPECT_FALSE(modsMatch(k.wanted, m)) << int(k.wanted) << " " << int(m);
    }
}

TEST(KeyRules, WindowGroups)
{
    using W = Window;
    // Each group: the windows it takes, windowed and in full screen.
    struct Case {
        Group group;
        bool fullScreen;
        const char *takes;   // one letter per Window: M V B P D E O
    } cases[] = {
        {Group::Player, false, "MVB...."},
        {Group::PlayerOrList, false, "MVBPD.."},
        {Group::PlayerOrPlaylist, false, "MVBP..."},
        {Group::LeaveFullScreen, false, "......."},
        {Group::LeaveFullScreen, true, ".VB.D.."},
        {Group::Playlist, true, "...P..."},
        {Group::OpenFolder, false, "MVB.D.."},
        {Group::ReloadWindows, false, "MVBP..."},
        {Group::Any, false, "MVBPDEO"},
    };
    const W order[] = {W::Main, W::Video, W::Bar, W::Playlist, W::Database, W::Editor, W::Other};
    for (const Case &c : cases)
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(groupMatches(c.group, order[i], c.fullScreen), c.takes[i] != '.')
                << int(c.group) << " window " << i << " full " << c.fullScreen;
}

TEST(KeyRules, WheelNotchesAddUp)
{
    WheelNotches w;
    EXPECT_EQ(w.add(120), 1);
    EXPECT_EQ(w.add(-240), -2);
    // A touchpad's small deltas: one notch per 120 units, not one per event.
    int notches = 0;
    for (int i = 0; i < 30; ++i)
        notches += w.add(12);
    EXPECT_EQ(notches, 3);
    // Turning back drops what was left over in the other direction.
    EXPECT_EQ(w.add(60), 0);
    EXPECT_EQ(w.add(-100), 0);
    EXPECT_EQ(w.add(-20), -1);
}

TEST(OutsideKeys, EachCombinationFiresOncePerPress)
{
    using K = OutsideKeys;
    struct Step {
        bool down;
        K::Key key;
        int fires;
    } steps[] = {
        {true, K::X, 0},          // the letter alone
        {false, K::X, 0},
        {true, K::CtrlL, 0},
        {true, K::ShiftR, 0},
        {true, K::X, K::kPlay},
        {true, K::X, 0},          // auto-repeat
        {true, K::X, 0},
        {true, K::V, K::kStop},   // another letter while X is held
        {false, K::X, 0},
        {true, K::X, K::kPlay},   // a new press of another letter fires
        {false, K::X, 0},
        {false, K::V, 0},
        {true, K::X, K::kPlay},   // all letters were up: fires again
        {false, K::X, 0},
        {false, K::ShiftR, 0},
        {true, K::B, 0},          // Shift released
        {true, K::ShiftL, K::kNext},   // the combination is complete again
        {true, K::Z, K::kPrev},
        {false, K::Z, 0},
        {false, K::B, 0},
        {true, K::C, K::kPlayPause},
    };
    K keys;
    int i = 0;
    for (const Step &s : steps) {
        const int fired = s.down ? keys.press(s.key) : (keys.release(s.key), 0);
        EXPECT_EQ(fired, s.fires) << "step " << i;
        ++i;
    }
    EXPECT_EQ(keys.press(K::Count), 0);
}

} // namespace
