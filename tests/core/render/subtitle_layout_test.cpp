#include "core/render/subtitle_layout.h"

#include <gtest/gtest.h>

#include <climits>

using namespace zv;

namespace {

// Every character is `pointSize` pixels wide and a line is twice the size high, so widths are
// easy to reckon: " Ala " at 10 points is 50 x 20. Counts its calls to prove the work bounded.
struct FixedWidthMeasurer : TextMeasurer {
    mutable int calls = 0;
    QSize size(const QString &text, int pointSize) const override
    {
        ++calls;
        return QSize(int(text.size()) * pointSize, 2 * pointSize);
    }
};

SubtitleLayoutOptions options(int sw = 1000, int sh = 800)
{
    SubtitleLayoutOptions o;
    o.ScreenWidth = sw;
    o.ScreenHeight = sh;
    o.FontSize = 10;
    o.ShowShadow = true;
    o.ShadowMode = 1;
    o.ShadowDistance = 1;
    o.DisplayerBottom = 70;
    o.DisplayerDistance = 5;
    return o;
}

QString texts(const SubtitleLayout &l)
{
    return l.lines[0].text + u'/' + l.lines[1].text + u'/' + l.lines[2].text;
}

} // namespace

TEST(SubtitleLayout, SplitsIntoThreeTrimmedLines)
{
    struct Case {
        const char16_t *input;
        std::array<const char16_t *, 3> lines;
    } cases[] = {
        {u"Ala|ma|kota|psa", {u"Ala", u"ma", u"kota"}},
        {u"  Ala  |", {u"Ala", u"", u""}},
        {u"|||", {u"", u"", u""}},
        {u"", {u"", u"", u""}},
        {u"|dwa", {u"", u"dwa", u""}},
        {u"a\tb\nc|\x01\x7f|\r", {u"a b c", u"", u""}},
        {u"Zażółć gęślą|jaźń", {u"Zażółć gęślą", u"jaźń", u""}},
    };
    for (const Case &c : cases) {
        const auto lines = splitSubtitleLines(QString::fromUtf16(c.input));
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(lines[k], QString::fromUtf16(c.lines[k])) << QString::fromUtf16(c.input).toStdString();
    }
}

TEST(SubtitleLayout, WrapsAndShrinks)
{
    // Screen 100 px wide, 10 points: ten characters per line.
    struct Case {
        const char *name;
        const char16_t *input;
        bool wrap, shrink;
        const char16_t *expected; // padded lines joined by "/"
        std::array<int, 3> sizes;
    } cases[] = {
        {"fitting lines stay", u"Ala ma|kota", true, true, u" Ala ma / kota /", {10, 10, 10}},
        {"whole words move, last first, to the front of line 2", u"jeden dwa trzy|pięć", true,
         true, u" jeden dwa / trzy pięć /", {10, 10, 10}},
        {"line 2 overflows into line 3, which is not wrapped but shrinks",
         u"aaaa bbbb cccc dddd eeee ffff gggg hhhh", true, true,
         u" aaaa bbbb / cccc dddd / eeee ffff gggg hhhh ", {10, 10, 6}},
        {"a single overlong word stays and shrinks", u"Konstantynopolitańczykowianeczka",
         true, true, u" Konstantynopolitańczykowianeczka //", {6, 10, 10}},
        {"a long word after a short one is moved whole", u"a Konstantynopolitańczyk", true, true,
         u" a / Konstantynopolitańczyk /", {10, 6, 10}},
        {"without wrapping each overlong line shrinks on its own",
         u"aaaaaaaaaaaa|bb|cccccccccccccccc", false, true,
         u" aaaaaaaaaaaa / bb / cccccccccccccccc ", {8, 10, 6}},
        {"without shrinking nothing changes size", u"aaaaaaaaaaaa", false, false,
         u" aaaaaaaaaaaa //", {10, 10, 10}},
        {"runs of blanks between moved words collapse", u"jeden  dwa   trzy", true, true,
         u" jeden dwa / trzy /", {10, 10, 10}},
    };
    for (const Case &c : cases) {
        SubtitleLayoutOptions o = options(100, 800);
        o.TextWrap = c.wrap;
        o.DecFontSize = c.shrink;
        const SubtitleLayout l = layoutSubtitle(QString::fromUtf16(c.input), o, false,
                                                FixedWidthMeasurer{});
        EXPECT_EQ(texts(l), QString::fromUtf16(c.expected)) << c.name;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(l.lines[k].pointSize, c.sizes[k]) << c.name << " line " << k + 1;
    }
}

// Marks ("[i]" below) take no room, open again on a line that starts inside a style, follow
// a wrapped word, and make the measurer size italic runs in italics.
TEST(SubtitleLayout, StyledTextKeepsItsStyleThroughSplitAndWrap)
{
    const auto marks = [](QString t) {
        return t.replace(QLatin1String("[i]"), QString(QChar(0x1C)))
            .replace(QLatin1String("[/i]"), QString(QChar(0x1D)))
            .replace(QLatin1String("[b]"), QString(QChar(0x1E)));
    };
    // Italics half as wide again.
    struct ItalicMeasurer : FixedWidthMeasurer {
        QSize styledSize(const QString &text, int pointSize, styled_text::Style style) const override
        {
            const QSize s = size(text, pointSize);
            return style.italic ? QSize(s.width() * 3 / 2, s.height()) : s;
        }
    };
    const struct {
        const char *name;
        const char16_t *input;
        bool italicWider;
        const char16_t *expected; // padded lines joined by "/"
        std::array<int, 3> widths;
    } cases[] = {
        {"marks are zero-width", u"[i]Ala[/i] ma", false, u" [i]Ala[/i] ma //", {80, 0, 0}},
        {"italic runs measured in italics", u"[i]Ala[/i] ma", true, u" [i]Ala[/i] ma //", {95, 0, 0}},
        {"a line inside a span opens with it", u"[i]a|b[/i]c|d", false, u" [i]a / [i]b[/i]c / d ", {30, 40, 30}},
        {"blanks and marks trimmed, marks alone show nothing", u"  [i]  Ala [/i] |[b] [/i]", false,
         u" [i]Ala //", {50, 0, 0}},
        {"a wrapped word keeps its style, the next line's start does not",
         u"jeden [i]dwa trzy[/i]|pięć", false, u" jeden [i]dwa / [i]trzy[/i] pięć /", {110, 110, 0}},
        {"wider italics wrap sooner", u"jeden [i]dwa trzy", true, u" jeden / [i]dwa / [i]trzy ", {70, 70, 85}},
    };
    for (const auto &c : cases) {
        SubtitleLayoutOptions o = options(100, 800);
        const SubtitleLayout l = c.italicWider
            ? layoutSubtitle(marks(QString::fromUtf16(c.input)), o, false, ItalicMeasurer{})
            : layoutSubtitle(marks(QString::fromUtf16(c.input)), o, false, FixedWidthMeasurer{});
        EXPECT_EQ(texts(l), marks(QString::fromUtf16(c.expected))) << c.name;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(l.lines[k].textSize.width(), c.widths[k]) << c.name << " line " << k + 1;
            EXPECT_EQ(l.lines[k].pointSize, 10) << c.name << " line " << k + 1;
        }
    }
}

TEST(SubtitleLayout, PlacesWindowsFromTheBottomOfTheScreen)
{
    // 1000 x 800 screen, B 70, D 5, outline of 1 px: e = 2; each line is 20 px high.
    struct Case {
        const char *name;
        const char16_t *input;
        int last;
        std::array<QRect, 3> windows;
    } cases[] = {
        {"one line: bottom edge at SH - B - D + e", u"Ala", 1,
         {QRect(475, 705, 50, 22), QRect(500, 0, 0, 22), QRect(500, 0, 0, 22)}},
        {"two lines: lower bottom edge at SH - B + e, upper h(1) + D above it", u"Ala|ma", 2,
         {QRect(475, 685, 50, 22), QRect(480, 710, 40, 22), QRect(500, 0, 0, 22)}},
        {"three lines", u"a|b|c", 3,
         {QRect(485, 660, 30, 22), QRect(485, 685, 30, 22), QRect(485, 710, 30, 22)}},
        {"an empty middle line keeps its place with width 0", u"a||c", 3,
         {QRect(485, 660, 30, 22), QRect(500, 685, 0, 22), QRect(485, 710, 30, 22)}},
        {"an empty first line", u"|ma", 2,
         {QRect(500, 685, 0, 22), QRect(480, 710, 40, 22), QRect(500, 0, 0, 22)}},
        {"empty text: three 1 x 1 windows at 0,0", u"", 0,
         {QRect(0, 0, 1, 1), QRect(0, 0, 1, 1), QRect(0, 0, 1, 1)}},
        {"only separators", u"|||", 0,
         {QRect(0, 0, 1, 1), QRect(0, 0, 1, 1), QRect(0, 0, 1, 1)}},
    };
    for (const Case &c : cases) {
        const SubtitleLayout l =
            layoutSubtitle(QString::fromUtf16(c.input), options(), false, FixedWidthMeasurer{});
        EXPECT_EQ(l.LastLineIndex, c.last) << c.name;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(l.lines[k].window, c.windows[k]) << c.name << " line " << k + 1;
    }
}

TEST(SubtitleLayout, ExtraHeightAndLetterOffsets)
{
    struct ECase {
        bool regions, shadow;
        int mode, d, e;
    } ecases[] = {
        {false, false, 1, 5, 0}, {false, true, 0, 5, 5}, {false, true, 1, 5, 10},
        {true, false, 0, 5, 10}, {true, true, 0, 5, 10}, {false, true, 1, -3, 0},
        {false, true, 1, 1000, 200},
    };
    for (const ECase &c : ecases)
        EXPECT_EQ(subtitleExtraHeight(c.regions, c.shadow, c.mode, c.d), c.e)
            << c.regions << c.shadow << c.mode << " d=" << c.d;

    struct OCase {
        const char *name;
        bool shadow;
        int mode, d;
        bool hq;
        QList<QPoint> offsets;
        QPoint text;
    } ocases[] = {
        {"no shadow", false, 1, 3, true, {}, QPoint(0, 0)},
        {"shadow", true, 0, 2, false, {QPoint(2, 2)}, QPoint(0, 0)},
        {"continuous shadow", true, 0, 2, true, {QPoint(0, 0), QPoint(1, 1), QPoint(2, 2)},
         QPoint(0, 0)},
        {"outline", true, 1, 2, false, {QPoint(-2, 0), QPoint(2, 0), QPoint(-2, 4), QPoint(2, 4)},
         QPoint(0, 2)},
        {"continuous outline, repeated points drawn once", true, 1, 1, true,
         {QPoint(0, 1), QPoint(-1, 0), QPoint(1, 0), QPoint(-1, 2), QPoint(1, 2)}, QPoint(0, 1)},
    };
    for (const OCase &c : ocases) {
        const LetterOffsets o = letterOffsets(c.shadow, c.mode, c.d, c.hq);
        EXPECT_EQ(o.shadow, c.offsets) << c.name;
        EXPECT_EQ(o.text, c.text) << c.name;
    }
    // Distance 100 with continuous outline: bounded, every copy within reach.
    const LetterOffsets big = letterOffsets(true, 1, 100, true);
    EXPECT_LE(big.shadow.size(), 4 * 101);
    EXPECT_EQ(letterOffsets(true, 1, 5000, false).text, QPoint(0, 100));
}

TEST(SubtitleLayout, RegionShadowColour)
{
    const struct {
        quint32 in, out;
    } cases[] = {
        {0x000000, 0x0C0C0C}, {0x0B0B0B, 0x0C0C0C}, {0x0B000B, 0x0C0C0C},
        {0x0B0B0C, 0x0B0B0C}, {0x0000FF, 0x0000FF}, {0xFFFFFF, 0xFFFFFF},
    };
    for (const auto &c : cases)
        EXPECT_EQ(regionShadowColor(c.in), c.out) << std::hex << c.in;
}

TEST(SubtitleLayout, MovingAndResettingThePosition)
{
    const struct {
        int bottom;
        bool up, ctrl;
        int result;
    } cases[] = {
        {70, true, false, 90}, {70, false, false, 50}, {70, true, true, 71},
        {70, false, true, 69}, {INT_MAX, true, false, INT_MAX}, {INT_MIN, false, true, INT_MIN},
    };
    for (const auto &c : cases)
        EXPECT_EQ(movedDisplayerBottom(c.bottom, c.up, c.ctrl), c.result) << c.bottom;

    // After the reset a two-line subtitle's lower window ends at SH - 40 + e.
    SubtitleLayoutOptions o = options();
    o.DisplayerBottom = kDisplayerResetBottom;
    const SubtitleLayout l = layoutSubtitle(QStringLiteral("Ala|ma"), o, false, FixedWidthMeasurer{});
    EXPECT_EQ(l.lines[1].window.top() + l.lines[1].window.height(), 800 - 40 + 2);
}

TEST(SubtitleLayout, DragGivesTheBottomThatKeepsThePlace)
{
    for (const char16_t *text : {u"Ala", u"Ala|ma", u"a|b|c", u"|b"}) {
        for (const bool regions : {false, true}) {
            const SubtitleLayoutOptions o = options();
            const SubtitleLayout l = layoutSubtitle(QString::fromUtf16(text), o, regions,
                                                    FixedWidthMeasurer{});
            const int top = l.lines[l.LastLineIndex - 1].window.top();
            // A click without movement keeps the option; a drag moves it by the drag.
            EXPECT_EQ(displayerBottomAfterDrag(l, o, top), o.DisplayerBottom);
            const std::optional<int> up = displayerBottomAfterDrag(l, o, top - 30);
            ASSERT_TRUE(up);
            SubtitleLayoutOptions moved = o;
            moved.DisplayerBottom = *up;
            EXPECT_EQ(*up, o.DisplayerBottom + 30);
            const SubtitleLayout again = layoutSubtitle(QString::fromUtf16(text), moved, regions,
                                                        FixedWidthMeasurer{});
            EXPECT_EQ(again.lines[again.LastLineIndex - 1].window.top(), top - 30);
        }
    }
    const SubtitleLayout none = layoutSubtitle(QString(), options(), false, FixedWidthMeasurer{});
    EXPECT_FALSE(displayerBottomAfterDrag(none, options(), 300));
}

TEST(SubtitleLayout, DistanceSavedOnlyFromTwoPlacedLines)
{
    const SubtitleLayout two = layoutSubtitle(QStringLiteral("Ala|ma"), options(), false,
                                              FixedWidthMeasurer{});
    EXPECT_EQ(displayerDistanceToSave(two, 20, 99), 5);
    // With one line the second window sits at 0: subtracting would save a large negative gap.
    const SubtitleLayout one = layoutSubtitle(QStringLiteral("Ala"), options(), false,
                                              FixedWidthMeasurer{});
    EXPECT_EQ(displayerDistanceToSave(one, 20, 7), 7);
}

TEST(SubtitleLayout, BadInputEndsQuickly)
{
    QString manyWords;
    for (int i = 0; i < 2000; ++i)
        manyWords += QStringLiteral("słowo ");
    const QString longWord(2000, QLatin1Char('w'));
    struct Case {
        const char *name;
        QString text;
        int fontSize, shadowDistance, bottom, screenWidth;
    } cases[] = {
        {"10 000 characters of words", manyWords.left(10000), 22, 1, 70, 1920},
        {"a single 2 000-character word", longWord, 22, 1, 70, 1920},
        {"the long word after blanks", QStringLiteral("   ") + longWord, 22, 1, 70, 1920},
        {"only separators", QString(5000, QLatin1Char('|')), 22, 1, 70, 1920},
        {"control characters", QString(3000, QChar(7)) + QString::fromUtf16(u"a\x1b") + QString(2000, QChar(0)), 22,
         1, 70, 1920},
        {"font size 0", QStringLiteral("Ala ma kota"), 0, 1, 70, 1920},
        {"font size 1000", manyWords.left(300), 1000, 1, 70, 1920},
        {"shadow distance 100", QStringLiteral("Ala|ma"), 22, 100, 70, 1920},
        {"bottom beyond the screen", QStringLiteral("Ala|ma|kota"), 22, 1, 5000, 1920},
        {"bottom at the integer limit", QStringLiteral("Ala|ma|kota"), 22, 1, INT_MAX, 1920},
        {"bottom below the integer floor", QStringLiteral("Ala"), 22, 1, INT_MIN, 1920},
        {"no screen", manyWords.left(500), 22, 1, 70, 0},
    };
    for (const Case &c : cases) {
        SubtitleLayoutOptions o = options(c.screenWidth, 1080);
        o.FontSize = c.fontSize;
        o.ShadowDistance = c.shadowDistance;
        o.DisplayerBottom = c.bottom;
        FixedWidthMeasurer m;
        const SubtitleLayout l = layoutSubtitle(c.text, o, true, m);
        EXPECT_LT(m.calls, 200) << c.name; // bisection, not a word-by-word or point-by-point walk
        for (const SubtitleLineLayout &line : l.lines) {
            EXPECT_GE(line.pointSize, 1) << c.name;
            EXPECT_LE(line.pointSize, kMaxSubtitlePointSize) << c.name;
            EXPECT_GE(line.window.width(), 0) << c.name;
            EXPECT_GE(line.window.height(), 0) << c.name;
            for (QChar ch : line.text)
                EXPECT_GE(ch.unicode(), 0x20) << c.name;
        }
    }

    // The overlong word keeps its letters and stops shrinking at the floor.
    SubtitleLayoutOptions o = options(1920, 1080);
    const SubtitleLayout l = layoutSubtitle(longWord, o, false, FixedWidthMeasurer{});
    EXPECT_EQ(l.lines[0].text.trimmed(), longWord);
    EXPECT_EQ(l.lines[0].pointSize, kMinSubtitlePointSize);
    // Nothing is lost when words move: all 2 000 words arrive, in order, over three lines.
    const SubtitleLayout w = layoutSubtitle(manyWords, o, false, FixedWidthMeasurer{});
    const QString joined = (w.lines[0].text + w.lines[1].text + w.lines[2].text).simplified();
    EXPECT_EQ(joined, manyWords.simplified());
    // A size below the floor is not raised to it.
    o.FontSize = 3;
    EXPECT_EQ(layoutSubtitle(longWord, o, false, FixedWidthMeasurer{}).lines[0].pointSize, 3);
}

TEST(SubtitleLayout, DisplayModeFlags)
{
    const struct {
        int mode;
        bool compositor;
        std::optional<RenderFlags> flags;
    } cases[] = {
        {0, false, RenderFlags{false, false}}, {0, true, RenderFlags{false, false}},
        {1, true, RenderFlags{false, true}},   {1, false, RenderFlags{true, true}},
        {2, true, RenderFlags{true, true}},    {2, false, RenderFlags{true, true}},
        {3, true, RenderFlags{false, true}},   {3, false, RenderFlags{true, true}},
        {4, true, std::nullopt},               {-1, false, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(renderFlagsFor(c.mode, c.compositor), c.flags) << c.mode << c.compositor;
}
