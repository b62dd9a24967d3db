#include "core/playback/slider_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace zv::playback;

TEST(SliderMath, PrzeskalujEndsAndDegenerateRange)
{
    EXPECT_DOUBLE_EQ(Przeskaluj(3, 300, 0, 100, 3), 0.0);
    EXPECT_DOUBLE_EQ(Przeskaluj(3, 300, 0, 100, 300), 100.0);
    EXPECT_DOUBLE_EQ(Przeskaluj(0, 10, 3, 23, 5), 13.0);
    // An empty source range must not divide by zero.
    EXPECT_DOUBLE_EQ(Przeskaluj(3, 3, 7, 100, 50), 7.0);
}

TEST(SliderMath, RoundingHalvesToEvenAndSaturates)
{
    struct Case { double in; int round, trunc; };
    const Case cases[] = {
        {0.5, 0, 0}, {1.5, 2, 1}, {2.5, 2, 2}, {-0.5, 0, 0}, {-1.5, -2, -1},
        {0.49, 0, 0}, {-2.7, -3, -2}, {1e300, INT_MAX, INT_MAX}, {-1e300, INT_MIN, INT_MIN},
        {std::numeric_limits<double>::quiet_NaN(), 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(roundToInt(c.in), c.round) << c.in;
        EXPECT_EQ(truncateToInt(c.in), c.trunc) << c.in;
    }
}

TEST(PositionSliderMath, PositionToThumb)
{
    const PositionSlider s{321}; // maxLeft 303, span 300
    ASSERT_EQ(s.maxLeft(), 303);
    struct Case { double position, duration; int left; };
    const Case cases[] = {
        {0, 100, 3},
        {50, 100, 153},
        {100, 100, 303},
        {250, 100, 303},  // past the end: held at maxLeft
        {-1, 100, 0},     // no lower bound: 3 - 3 = 0
        {0.33, 100, 3},   // truncated, not rounded
        {5, 0.4, 3},      // duration rounds to 0
        {5, 0, 3},
        {-1, -1, 3},      // no duration known
        {std::numeric_limits<double>::quiet_NaN(), 100, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(s.thumbForPosition(c.position, c.duration), c.left)
            << c.position << " of " << c.duration;
}

TEST(PositionSliderMath, ThumbToPositionAndClicks)
{
    const PositionSlider s{321};
    EXPECT_DOUBLE_EQ(s.positionForThumb(3, 100), 0.0);
    EXPECT_DOUBLE_EQ(s.positionForThumb(303, 100), 100.0);
    EXPECT_DOUBLE_EQ(s.positionForThumb(153, 60), 30.0);

    // The thumb centres on the click: x + border - thumb/2, within 3..maxLeft.
    struct Case { int x; int left; };
    const Case clicks[] = {{0, 3}, {-40, 3}, {5, 3}, {6, 4}, {100, 98}, {298, 296},
                           {305, 303}, {5000, 303}};
    for (const Case &c : clicks)
        EXPECT_EQ(s.thumbForTrackX(c.x), c.left) << c.x;
    // A click left of the start seeks to exactly 0.
    EXPECT_EQ(s.positionForThumb(s.thumbForTrackX(-3), 100), 0.0);

    EXPECT_EQ(s.thumbForDrag(100, 50), 150);
    EXPECT_EQ(s.thumbForDrag(100, -500), 3);
    EXPECT_EQ(s.thumbForDrag(100, 500), 303);
    EXPECT_EQ(s.thumbForDrag(INT_MAX, INT_MAX), 303);
}

TEST(VolumeSliderMath, EngineAndChannelMapping)
{
    ASSERT_EQ(VolumeSlider::width(), 42);
    struct Case { int centibels; int left; };
    const Case toThumb[] = {{-5000, 0}, {0, 42}, {-2500, 21}, {-10000, 0}, {-4940, 1}};
    for (const Case &c : toThumb)
        EXPECT_EQ(VolumeSlider::thumbForEngineVolume(c.centibels), c.left) << c.centibels;
    EXPECT_EQ(VolumeSlider::engineVolumeForThumb(0), -5000);
    EXPECT_EQ(VolumeSlider::engineVolumeForThumb(42), 0);
    EXPECT_EQ(VolumeSlider::engineVolumeForThumb(21), -2500);

    EXPECT_EQ(VolumeSlider::thumbForChannel(0), 0);
    EXPECT_EQ(VolumeSlider::thumbForChannel(255), 42);
    EXPECT_EQ(VolumeSlider::channelForThumb(0), 0);
    EXPECT_EQ(VolumeSlider::channelForThumb(42), 255);
    EXPECT_EQ(VolumeSlider::channelForThumb(21), 128); // 127.5 to even
    EXPECT_EQ(VolumeSlider::thumbForDrag(40, 10), 42);
    EXPECT_EQ(VolumeSlider::thumbForDrag(2, -10), 0);
}

TEST(VolumeSliderMath, StepsStopAtTheEnds)
{
    struct Case { int in, up, down; };
    const Case engine[] = {{-50, 0, -150}, {0, 0, -100}, {-5000, -4900, -5000},
                           {-4950, -4850, -5000}, {-2500, -2400, -2600}};
    for (const Case &c : engine) {
        EXPECT_EQ(engineVolumeUp(c.in), c.up) << c.in;
        EXPECT_EQ(engineVolumeDown(c.in), c.down) << c.in;
    }
    const Case channel[] = {{0, 10, 0}, {9, 19, 0}, {10, 20, 0}, {245, 255, 235},
                            {246, 255, 236}, {255, 255, 245}};
    for (const Case &c : channel) {
        EXPECT_EQ(channelUp(c.in), c.up) << c.in;
        EXPECT_EQ(channelDown(c.in), c.down) << c.in;
    }
}
