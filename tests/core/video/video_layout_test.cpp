#include "core/video/video_layout.h"

#include <gtest/gtest.h>

using namespace zv::video;

namespace {

struct RectCase {
    const char *what;
    int w, h;
    Framing f;
    QRect expected;
};

const RectCase kRects[] = {
    {"pan-scan off fills the panel", 640, 480, {false, 120, 0, 0, 0}, QRect(0, 0, 640, 480)},
    {"offsets move, inset cuts both bands", 640, 480, {false, 120, -5, 10, 20},
     QRect(-5, 30, 640, 440)},
    {"100 % with pan-scan equals off", 640, 480, {true, 100, 3, 4, 5}, QRect(3, 9, 640, 470)},
    {"120 % centred", 640, 480, {true, 120, 0, 0, 0}, QRect(-64, -48, 768, 576)},
    {"below 100 % leaves a border", 640, 480, {true, 90, 0, 0, 0}, QRect(32, 24, 576, 432)},
    // 101 % of 333 x 111: dx = 1.665, dy = 0.555, both truncated toward zero.
    {"fractions truncated toward zero", 333, 111, {true, 101, 0, 0, 0}, QRect(-1, 0, 336, 112)},
    {"negative centring truncated toward zero", 333, 111, {true, 99, 0, 0, 0},
     QRect(1, 0, 329, 109)},
    {"inset over half the height: negative height", 640, 480, {false, 120, 0, 0, 300},
     QRect(0, 300, 640, -120)},
    {"zoom 0 gives an empty rectangle in the centre", 640, 480, {true, 0, 0, 0, 0},
     QRect(320, 240, 0, 0)},
    {"negative zoom does not wrap", 640, 480, {true, -100, 0, 0, 0}, QRect(640, 480, -640, -480)},
    {"huge zoom saturates instead of overflowing", 1920, 1080, {true, 2000000000, 0, 0, 0},
     QRect(-536870912, -536870912, 536870911, 536870911)},
    {"empty panel", 0, 0, {true, 150, 7, 7, 0}, QRect(7, 7, 0, 0)},
};

TEST(VideoLayout, EngineRectangle)
{
    for (const RectCase &c : kRects) {
        const QRect r = engineRect(c.w, c.h, c.f);
        EXPECT_EQ(r.left(), c.expected.left()) << c.what;
        EXPECT_EQ(r.top(), c.expected.top()) << c.what;
        EXPECT_EQ(r.width(), c.expected.width()) << c.what;
        EXPECT_EQ(r.height(), c.expected.height()) << c.what;
    }
}

TEST(VideoLayout, AutomaticZoom)
{
    struct Case {
        int sw, sh, iw, ih;
        std::optional<int> zoom;
    } cases[] = {
        {1024, 768, 720, 576, 94},        // PAL on 4:3
        {1920, 1080, 1920, 800, 135},     // scope film on 16:9
        {1920, 1080, 1920, 1080, 100},
        {1024, 768, 0, 0, std::nullopt},  // no picture
        {1024, 768, 720, 0, std::nullopt},
        {1024, 768, 0, 576, std::nullopt},
        {0, 768, 720, 576, std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(autoPanScanValue(c.sw, c.sh, c.iw, c.ih), c.zoom) << c.iw << "x" << c.ih;
}

TEST(VideoLayout, FramingSteps)
{
    const Framing start{false, 120, 10, -10, 15};
    struct Case {
        FramingStep step;
        Framing expected;
    } cases[] = {
        {FramingStep::PanScanInc, {false, 122, 10, -10, 15}},
        {FramingStep::PanScanDec, {false, 118, 10, -10, 15}},
        {FramingStep::PanScanNormal, {false, 100, 10, -10, 15}},
        {FramingStep::OffsetLeft, {false, 120, 5, -10, 15}},
        {FramingStep::OffsetRight, {false, 120, 15, -10, 15}},
        {FramingStep::OffsetUp, {false, 120, 10, -15, 15}},
        {FramingStep::OffsetDown, {false, 120, 10, -5, 15}},
        {FramingStep::OffsetReset, {false, 120, 0, 0, 15}},
        {FramingStep::InsetLess, {false, 120, 10, -10, 10}},
        {FramingStep::InsetMore, {false, 120, 10, -10, 20}},
        {FramingStep::InsetReset, {false, 120, 10, -10, 0}},
    };
    for (const Case &c : cases) {
        const Framing f = stepped(start, c.step);
        EXPECT_EQ(f.panScanValue, c.expected.panScanValue) << int(c.step);
        EXPECT_EQ(f.offsetX, c.expected.offsetX) << int(c.step);
        EXPECT_EQ(f.offsetY, c.expected.offsetY) << int(c.step);
        EXPECT_EQ(f.verticalInset, c.expected.verticalInset) << int(c.step);
        EXPECT_FALSE(f.panScanOn) << int(c.step);
    }
    // Held keys stop at a bound instead of wrapping around.
    Framing f{true, 0, 0, 0, 0};
    f.panScanValue = std::numeric_limits<int>::min() / 4;
    EXPECT_EQ(stepped(f, FramingStep::PanScanDec).panScanValue, f.panScanValue);
}

TEST(VideoLayout, DisplayModeTexts)
{
    struct Case {
        const char *text;
        std::optional<DisplayMode> mode;
    } cases[] = {
        {"640 x 480 x 16", DisplayMode{640, 480, 16, 0}},
        {"640x480x16", DisplayMode{640, 480, 16, 0}},
        {" 1920 x 1080 x 24 x 60 ", DisplayMode{1920, 1080, 24, 60}},
        {"800 x 600", DisplayMode{800, 600, 0, 0}},
        {"", std::nullopt},
        {"640", std::nullopt},
        {"640 x", std::nullopt},
        {"0 x 480 x 16", std::nullopt},
        {"a x b x c", std::nullopt},
        {"640 x -480 x 16", std::nullopt},
        {"1 x 2 x 3 x 4 x 5", std::nullopt},
        {"99999999999 x 480 x 16", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseDisplayMode(QString::fromLatin1(c.text)), c.mode) << c.text;
    EXPECT_EQ(displayModeText({1024, 768, 24, 0}), QStringLiteral("1024 x 768 x 24"));
    EXPECT_EQ(displayModeText({1024, 768, 24, 75}), QStringLiteral("1024 x 768 x 24 x 75"));
}

} // namespace
