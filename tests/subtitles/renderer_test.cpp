#include "core/config/settings.h"
#include "subtitles/subtitle_renderer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdlib>
#include <functional>
#include <vector>

using namespace zv;

namespace {

const QRect kScreen(0, 0, 1920, 1080);
constexpr QRgb kYellow = 0xFFFFFF00; // FontColor 0x0000FFFF
constexpr QRgb kBlue = 0xFF0000FF;   // BackGroundColor 0x00FF0000
constexpr QRgb kRed = 0xFFFF0000;    // ShadowColor 0x000000FF

Settings colours()
{
    Settings s;
    s.FontColor = 0x0000FFFF;
    s.BackGroundColor = 0x00FF0000;
    s.ShadowColor = 0x000000FF;
    s.ShadowHiQuality = true;
    s.DisplayerBottom = 70;
    s.DisplayerDistance = 4;
    return s;
}

int count(const QImage &image, const std::function<bool(QPoint, QRgb)> &pred)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pred(QPoint(x, y), image.pixel(x, y)) ? 1 : 0;
    return n;
}

bool sameRgb(QRgb a, QRgb b)
{
    return (a & 0xFFFFFF) == (b & 0xFFFFFF);
}

} // namespace

TEST(SubtitleRenderer, PaintsEachModeAroundTheLetters)
{
    const struct {
        const char *name;
        bool regions, transparent;
        OverlayPaint paint;
    } cases[] = {
        {"opaque background", false, false, OverlayPaint::Opaque},
        {"translucent", false, true, OverlayPaint::Translucent},
        {"shaped by a mask", true, true, OverlayPaint::Mask},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Settings s = colours();
        SubtitleRenderer r;
        r.DrawNapis(QStringLiteral("Ala ma kota|Zażółć gęślą jaźń"), c.regions, c.transparent, s,
                    kScreen);
        EXPECT_FALSE(r.RenderBusy);
        EXPECT_EQ(r.paint(), c.paint);
        ASSERT_EQ(r.LastLineIndex(), 2);
        for (int k = 0; k < 2; ++k) {
            const RenderedLine &line = r.line(k);
            ASSERT_FALSE(line.image.isNull());
            EXPECT_EQ(line.image.size(), line.geometry.size());
            EXPECT_EQ(line.geometry, r.layout().lines[k].window);
            EXPECT_GT(count(line.image, [](QPoint, QRgb p) { return p == kYellow; }), 50);
            EXPECT_GT(count(line.image, [](QPoint, QRgb p) { return p == kRed; }), 20);
            // The leading blank's corner holds no letter.
            const QRgb corner = line.image.pixel(0, 0);
            switch (c.paint) {
            case OverlayPaint::Opaque:
                EXPECT_EQ(corner, kBlue);
                EXPECT_TRUE(line.mask.isEmpty());
                break;
            case OverlayPaint::Translucent:
                EXPECT_EQ(qAlpha(corner), 0);
                break;
            case OverlayPaint::Mask: {
                // Exactly the pixels unlike the background are in the shape, so the picture
                // under the window shows between the letters.
                const int mismatches = count(line.image, [&](QPoint at, QRgb p) {
                    return line.mask.contains(at) == sameRgb(p, kBlue);
                });
                EXPECT_EQ(mismatches, 0);
                const int holes = count(line.image, [&](QPoint at, QRgb) {
                    return line.mask.boundingRect().contains(at) && !line.mask.contains(at);
                });
                EXPECT_GT(holes, line.image.width());
                break;
            }
            }
        }
        EXPECT_TRUE(r.line(2).image.isNull());
    }
}

TEST(SubtitleRenderer, NearBlackShadowBecomesVisibleInTheMask)
{
    for (const bool regions : {false, true}) {
        Settings s = colours();
        s.BackGroundColor = 0;
        s.ShadowColor = 0x000B0A;
        SubtitleRenderer r;
        r.DrawNapis(QStringLiteral("Ala ma kota"), regions, regions, s, kScreen);
        const int dark = count(r.line(0).image, [](QPoint, QRgb p) { return sameRgb(p, 0x0C0C0C); });
        if (regions) {
            EXPECT_EQ(s.ShadowColor, 0x0C0C0Cu); // the option itself changes and is saved so
            EXPECT_GT(dark, 20);
        } else {
            EXPECT_EQ(s.ShadowColor, 0x000B0Au);
            EXPECT_EQ(dark, 0);
        }
    }
}

TEST(SubtitleRenderer, PlacesLinesOnTheScreenItIsGiven)
{
    // A second screen to the right: the place the layout gives, moved by the screen's origin.
    Settings s = colours();
    SubtitleRenderer r;
    r.DrawNapis(QStringLiteral("Ala|ma"), false, false, s, QRect(1920, 0, 1280, 1024));
    const QRect lower = r.line(1).geometry;
    EXPECT_EQ(lower.top() + lower.height(), 1024 - 70 + 2);
    EXPECT_NEAR(lower.center().x(), 1920 + 640, 2);
    EXPECT_EQ(lower, r.layout().lines[1].window.translated(1920, 0));
}

TEST(SubtitleRenderer, BadInputStaysBoundedAndQuick)
{
    QString words;
    while (words.size() < 10000)
        words += QStringLiteral("żółw ");
    words.truncate(10000);
    const struct {
        const char *name;
        QString text;
        std::function<void(Settings &)> change;
    } cases[] = {
        {"10 000 characters", words, [](Settings &) {}},
        {"10 000 characters, no wrapping or shrinking", words,
         [](Settings &s) { s.TextWrap = false; s.DecFontSize = false; }},
        {"a 2 000-character word", QString(2000, QLatin1Char('W')), [](Settings &) {}},
        {"only separators", QStringLiteral("||||||"), [](Settings &) {}},
        {"control characters", QStringLiteral("\x01\x02\tAla\r\n\x1b|\x7f"), [](Settings &) {}},
        {"a font that does not exist", QStringLiteral("Ala ma kota"),
         [](Settings &s) { s.FontName = QStringLiteral("Nieistniejąca Czcionka 123"); }},
        {"font size 0", QStringLiteral("Ala ma kota"), [](Settings &s) { s.FontSize = 0; }},
        {"font size 1000", QStringLiteral("Ala ma kota|i psa|i chomika"),
         [](Settings &s) { s.FontSize = 1000; }},
        {"font size 1000 without shrinking", QStringLiteral("Ala ma kota"),
         [](Settings &s) { s.FontSize = 1000; s.DecFontSize = false; }},
        {"shadow distance 100", QStringLiteral("Ala ma kota|i psa"),
         [](Settings &s) { s.ShadowDistance = 100; }},
        {"negative shadow distance", QStringLiteral("Ala"), [](Settings &s) { s.ShadowDistance = -5; }},
        {"bottom beyond the screen", QStringLiteral("Ala|ma"),
         [](Settings &s) { s.DisplayerBottom = 5000; }},
        {"bottom below the screen", QStringLiteral("Ala|ma"),
         [](Settings &s) { s.DisplayerBottom = -5000; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool regions : {false, true}) {
            Settings s = colours();
            c.change(s);
            SubtitleRenderer r;
            QElapsedTimer t;
            t.start();
            r.DrawNapis(c.text, regions, true, s, kScreen);
            EXPECT_LT(t.elapsed(), 5000);
            for (int k = 0; k < 3; ++k) {
                const RenderedLine &line = r.line(k);
                EXPECT_LE(line.image.width(), kScreen.width());
                EXPECT_LE(line.image.height(), kScreen.height());
                EXPECT_LE(line.geometry.width(), kScreen.width());
                if (!line.image.isNull()) {
                    EXPECT_TRUE(kScreen.contains(line.geometry));
                }
            }
        }
    }
}

TEST(SubtitleRenderer, MaskHoldsExactlyThePixelsUnlikeTheBackground)
{
    // Rows 0-2 share their runs (one band), row 3 is empty, rows 4-5 differ from each other.
    QImage image(10, 6, QImage::Format_RGB32);
    image.fill(kBlue);
    for (int y = 0; y < 3; ++y) {
        image.setPixel(1, y, kYellow);
        image.setPixel(2, y, kRed);
        image.setPixel(6, y, kYellow);
    }
    image.setPixel(0, 4, kYellow);
    image.setPixel(9, 4, qRgba(0, 0, 255, 0)); // only alpha differs: still background
    image.setPixel(0, 5, kYellow);
    image.setPixel(1, 5, kYellow);
    const QRegion region = regionOfPixelsUnlike(image, kBlue);
    EXPECT_EQ(region.rectCount(), 4);
    const int mismatches = count(image, [&](QPoint at, QRgb p) {
        return region.contains(at) == sameRgb(p, kBlue);
    });
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(regionOfPixelsUnlike(QImage(), kBlue).isEmpty());
    QImage plain(5, 5, QImage::Format_RGB32);
    plain.fill(kBlue);
    EXPECT_TRUE(regionOfPixelsUnlike(plain, kBlue).isEmpty());
}

// On a 2x screen the pictures hold twice the pixels each way, with detail finer than a window
// pixel (not a 1x picture blown up), and the mask still covers every letter pixel.
TEST(SubtitleRenderer, DrawsAtTheScreensPixelRatio)
{
    for (const bool regions : {false, true}) {
        SCOPED_TRACE(regions ? "mask" : "opaque");
        Settings s = colours();
        SubtitleRenderer r;
        r.setDevicePixelRatio(2.0);
        r.DrawNapis(QStringLiteral("Zażółć gęślą jaźń"), regions, true, s, kScreen);
        const RenderedLine &line = r.line(0);
        ASSERT_FALSE(line.image.isNull());
        EXPECT_EQ(line.image.size(), line.geometry.size() * 2);
        EXPECT_EQ(line.image.devicePixelRatio(), 2.0);
        int finer = 0;   // 2x2 blocks whose pixels differ: drawn at the device resolution
        for (int y = 0; y + 1 < line.image.height(); y += 2)
            for (int x = 0; x + 1 < line.image.width(); x += 2) {
                const QRgb a = line.image.pixel(x, y);
                finer += a != line.image.pixel(x + 1, y) || a != line.image.pixel(x, y + 1)
                         || a != line.image.pixel(x + 1, y + 1);
            }
        EXPECT_GT(finer, 50);
        if (regions) {
            EXPECT_TRUE(QRect(QPoint(0, 0), line.geometry.size()).contains(line.mask.boundingRect()));
            const QRgb background = line.image.pixel(0, 0);
            const int uncovered = count(line.image, [&](QPoint p, QRgb c) {
                return !sameRgb(c, background) && !line.mask.contains(QPoint(p.x() / 2, p.y() / 2));
            });
            EXPECT_EQ(uncovered, 0);
        }
    }
}

// An italic run leans: the right edge of a tall upright letter is as far right at its top as at
// its foot, an italic one's top edge is further right. The shadow is the same glyphs, so it
// leans too, and the mask covers the slanted letters. In an italic font (the default bold
// italic) a marked run stands upright instead, so it still stands out.
TEST(SubtitleRenderer, ItalicRunsLeanAndTheirShadowFollows)
{
    // How much further right the colour reaches in its top rows than in its bottom rows.
    const auto lean = [](const QImage &image, QRgb colour) {
        std::vector<int> rightmost;
        for (int y = 0; y < image.height(); ++y) {
            int right = -1;
            for (int x = 0; x < image.width(); ++x)
                if (sameRgb(image.pixel(x, y), colour))
                    right = x;
            if (right >= 0)
                rightmost.push_back(right);
        }
        if (rightmost.size() < 10)
            return -1000;
        return rightmost[2] - rightmost[rightmost.size() - 3];
    };
    const QString italicI = QString(QChar(0x1C)) + QStringLiteral("I");
    const struct {
        const char *name;
        QString text;
        int fontStyle;
        bool italic;
    } cases[] = {
        {"upright", QStringLiteral("I"), FontStyleRegular, false},
        {"italic", italicI, FontStyleRegular, true},
        {"italic font", QStringLiteral("I"), FontStyleBoldItalic, true},
        {"marked run in an italic font", italicI, FontStyleBoldItalic, false},
    };
    for (const auto &c : cases) {
        for (const bool regions : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (regions ? " mask" : " opaque"));
            Settings s = colours();
            s.FontStyle = c.fontStyle;
            s.FontSize = 60;
            s.ShowShadow = true;
            s.ShadowMode = 0;
            s.ShadowDistance = 3;
            s.ShadowHiQuality = false;
            SubtitleRenderer r;
            r.DrawNapis(c.text, regions, regions, s, kScreen);
            ASSERT_EQ(r.LastLineIndex(), 1);
            const RenderedLine &line = r.line(0);
            ASSERT_FALSE(line.image.isNull());
            const int letters = lean(line.image, kYellow), shadow = lean(line.image, kRed);
            if (c.italic) {
                EXPECT_GE(letters, 5);
                EXPECT_GE(shadow, 5);
            } else {
                EXPECT_LE(std::abs(letters), 1);
                EXPECT_LE(std::abs(shadow), 1);
            }
            if (regions) {
                EXPECT_EQ(count(line.image, [&](QPoint p, QRgb px) {
                              return !sameRgb(px, kBlue) && !line.mask.contains(p);
                          }),
                          0);
            }
        }
    }
}
