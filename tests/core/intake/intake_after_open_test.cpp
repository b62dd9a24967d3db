// What follows a clip's opening, without a window: the frame rate and the window's fit.
#include "core/files/intake_after_open.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using zv::WindowFit;
using zv::WindowFitInput;

TEST(AfterOpen, FrameRateFromTheTwoDurations)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double frames, seconds, rate;
    } cases[] = {
        {250, 10, 25.0},
        {2997, 100, 29.97},
        {10, 10, 25.0},      // no frame count: the engine repeats the seconds
        {0, 10, 25.0},
        {250, 0, 25.0},      // a clip of no length gives no rate
        {nan, 10, 25.0},
        {250, inf, 25.0},
        {-5, 10, 25.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " / " << c.seconds);
        EXPECT_DOUBLE_EQ(zv::mediaFrameRateOf(c.frames, c.seconds), c.rate);
    }
}

TEST(AfterOpen, WindowFitsThePictureOrShrinksToItsControls)
{
    // A window of 500 x 400 whose chrome is 10 wide and 120 high.
    const auto base = [] {
        WindowFitInput in;
        in.width = 500;
        in.height = 400;
        in.chromeWidth = 10;
        in.chromeHeight = 120;
        in.videoPanelHeight = 280;
        return in;
    };
    struct Case {
        const char *name;
        WindowFitInput in;
        WindowFit fit;
    };
    Case cases[] = {
        {"picture, AutoSize", [&] { auto in = base(); in.pictureWidth = 320; in.pictureHeight = 240; return in; }(),
         {330, 360, 320, 120, -1, false}},
        {"narrow picture keeps 320", [&] { auto in = base(); in.pictureWidth = 160; in.pictureHeight = 120; return in; }(),
         {320, 240, 320, 120, -1, false}},
        {"AutoSize off keeps the size", [&] { auto in = base(); in.pictureWidth = 320; in.pictureHeight = 240; in.autoSize = false; return in; }(),
         {500, 400, 320, -1, -1, false}},
        {"AutoSize off, collapsed panel", [&] { auto in = base(); in.pictureWidth = 320; in.pictureHeight = 240; in.autoSize = false; in.videoPanelHeight = 0; return in; }(),
         {330, 360, 320, 120, -1, false}},
        {"AutoSize off after sound: height freed", [&] { auto in = base(); in.pictureWidth = 320; in.pictureHeight = 240; in.autoSize = false; in.maxHeightSet = true; return in; }(),
         {500, 360, 320, -1, 0, false}},
        {"sound only", [&] { auto in = base(); return in; }(),
         {500, 120, 320, 120, 120, true}},
        {"a zero-width picture counts as none", [&] { auto in = base(); in.pictureHeight = 240; return in; }(),
         {500, 360, 320, 360, 360, true}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const WindowFit got = zv::fitWindowToClip(c.in);
        EXPECT_EQ(got.width, c.fit.width);
        EXPECT_EQ(got.height, c.fit.height);
        EXPECT_EQ(got.minWidth, c.fit.minWidth);
        EXPECT_EQ(got.minHeight, c.fit.minHeight);
        EXPECT_EQ(got.maxHeight, c.fit.maxHeight);
        EXPECT_EQ(got.leaveFullScreen, c.fit.leaveFullScreen);
    }
}
