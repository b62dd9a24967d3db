#pragma once

#include "core/subtitles/styled_text.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace zv {

// Measures one line of text in the subtitle font at a given size (points). The layout never
// sees a font: the window side answers with QFontMetrics, tests with a fixed-width fake.
// An empty text has width 0 and the font's line height. `text` holds no style marks.
struct TextMeasurer {
    virtual ~TextMeasurer() = default;
    virtual QSize size(const QString &text, int pointSize) const = 0;
    // The same in italics and/or bold (wider glyphs); by default as upright and regular.
    virtual QSize styledSize(const QString &text, int pointSize, styled_text::Style style) const
    {
        (void)style;
        return size(text, pointSize);
    }
};

// A text that may hold style marks: the sum of its runs' widths, each in its style, and the
// tallest run's height. Marks take no room; a text without them is measured in one call.
QSize measureStyled(const TextMeasurer &measurer, const QString &text, int pointSize);

// Shrinking never goes below this size: a line that cannot fit at any size still ends.
inline constexpr int kMinSubtitlePointSize = 6;
// Sizes beyond this would only make gigantic bitmaps; the font size is clamped into [1, max].
inline constexpr int kMaxSubtitlePointSize = 1000;
// The options dialog offers shadow distances 0..100; other stored values are clamped to it.
inline constexpr int kMaxShadowDistance = 100;
// The position reset (keypad "*") puts the subtitles here, not at the settings default.
inline constexpr int kDisplayerResetBottom = 40;
// Display lines of one subtitle; fields after the third "|" are dropped.
inline constexpr int kSubtitleLines = 3;

// Everything the layout reads: the options (named like their keys) and the screen size.
struct SubtitleLayoutOptions {
    int ScreenWidth = 0;
    int ScreenHeight = 0;
    int FontSize = 22;          // points
    bool TextWrap = true;
    bool DecFontSize = true;
    bool ShowShadow = true;
    int ShadowMode = 1;         // 0 shadow, 1 outline
    int ShadowDistance = 1;     // pixels
    int DisplayerBottom = 70;   // pixels from the bottom of the screen
    int DisplayerDistance = 0;  // pixels between line windows
};

struct SubtitleLineLayout {
    QString text;         // padded with one blank on each side; empty for an empty line. It
                          // may hold style marks and starts upright and regular.
    int pointSize = 0;    // the font size this line is drawn in (after shrinking)
    QSize textSize;       // measured size of `text`; width 0 for an empty line
    QRect window;         // line window in screen-relative coordinates (height includes e)
};

struct SubtitleLayout {
    std::array<SubtitleLineLayout, kSubtitleLines> lines;
    int LastLineIndex = 0;  // 1..3: the last non-empty line; 0 when all are empty
    int extraHeight = 0;    // e: room below the letters for the shadow or outline
    int shadowDistance = 0; // d after clamping
};

// The first three "|"-separated fields, trimmed; control characters count as blanks so that a
// stray tab or line break neither reaches the painter nor glues words together. Style marks
// stay, and a line that starts inside a style opens with that style's marks.
std::array<QString, kSubtitleLines> splitSubtitleLines(const QString &text);

// e: in the colour path d for a shadow, 2d for an outline, 0 without shadow; 2d always when the
// windows are shaped by a mask (the mask path draws the outline offsets either way).
int subtitleExtraHeight(bool regionsMode, bool showShadow, int shadowMode, int shadowDistance);

// Split, wrap, shrink, pad and place. Wrapping moves whole words (last first) from line 1 to
// the front of line 2 while line 1 is wider than the screen, then from line 2 to line 3; line 3
// is not wrapped further. Shrinking lowers each line's size one point at a time while it is too
// wide, stopping at kMinSubtitlePointSize. Bounded for any input: the cost is logarithmic in
// the number of words and font sizes, not linear.
SubtitleLayout layoutSubtitle(const QString &text, const SubtitleLayoutOptions &options,
                              bool regionsMode, const TextMeasurer &measurer);

// Where the shadow or outline copies and then the letters are drawn inside a line's bitmap.
struct LetterOffsets {
    QList<QPoint> shadow; // drawn first, in the shadow colour
    QPoint text;          // drawn last, in the font colour
};
LetterOffsets letterOffsets(bool showShadow, int shadowMode, int shadowDistance, bool hiQuality);

// In the mask path a shadow as dark as a black background would vanish from the mask; a
// colour whose red, green and blue are all at most 11 becomes 0x0C0C0C (0x00BBGGRR).
quint32 regionShadowColor(quint32 shadowColor);

// The two flags the chosen DisplayMode gives the drawing: the mask path (regionsMode) and a
// see-through background (transparent). Modes 1 and 3 need a compositing manager for the
// see-through windows; without one they take the mask path so no black boxes appear.
// nullopt (a value outside 0..3) draws nothing.
struct RenderFlags {
    bool regionsMode = false;
    bool transparent = false;
    bool operator==(const RenderFlags &) const = default;
};
std::optional<RenderFlags> renderFlagsFor(int displayMode, bool overlayUsable);

// The keypad plus/minus commands: 20 pixels, 1 with Ctrl held. Saturates instead of
// overflowing.
int movedDisplayerBottom(int displayerBottom, bool up, bool ctrlHeld);

// The DisplayerBottom that makes the next rendering put line `LastLineIndex` where the user
// dragged its window (window top `draggedTop`, screen-relative). nullopt when no line is shown.
std::optional<int> displayerBottomAfterDrag(const SubtitleLayout &layout,
                                            const SubtitleLayoutOptions &options, int draggedTop);

// The gap between the windows of lines 1 and 2 as saved at exit: window 2's top minus window
// 1's top minus the height of the font's reference text. Only meaningful while lines 1 and 2
// are both laid out; otherwise `current` is kept.
int displayerDistanceToSave(const SubtitleLayout &layout, int referenceHeight, int current);

} // namespace zv
