#pragma once

#include "core/render/subtitle_layout.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QRegion>

class QPainter;

#include <array>
#include <map>

namespace zv {

struct Settings;

// The subtitle font of the settings: FontName, FontSize (clamped to the sizes the layout
// accepts) and the bold/italic of FontStyle. A face that does not exist falls back to Qt's
// substitute.
QFont subtitleFont(const Settings &settings);

// A stored colour (0x00BBGGRR) as an opaque QColor.
QColor colorFromBgr(quint32 bgr);

// Measures with QFontMetrics of `font` at each asked size; metrics are cached per size and
// style, so keep one measurer per rendering (a font change needs a new one).
class FontTextMeasurer : public TextMeasurer {
public:
    explicit FontTextMeasurer(const QFont &font);
    QSize size(const QString &text, int pointSize) const override;
    QSize styledSize(const QString &text, int pointSize, styled_text::Style style) const override;
    // The font at that size; a style sets it apart from the font's own: italics (upright in an
    // italic font) and/or bold (heavier in a bold one).
    QFont fontAt(int pointSize, styled_text::Style style = {}) const;
    const QFontMetrics &metricsAt(int pointSize, styled_text::Style style = {}) const;

private:
    QFont font_;
    mutable std::map<int, QFontMetrics> metrics_; // by size * 4 + style
};

// What surrounds the letters in the line windows.
enum class OverlayPaint {
    Opaque,      // BackGroundColor fills the window
    Translucent, // per-pixel alpha: only letters and shadow, for a compositing manager
    Mask,        // opaque pixels, the window shaped to every pixel unlike the background
};

// One line's picture and where it goes.
struct RenderedLine {
    QImage image;    // the LineBitmap: exactly the window's size; null when nothing to show
    QRegion mask;    // OverlayPaint::Mask only: the window shape, in window coordinates
    QRect geometry;  // the window in global coordinates (the layout's window, moved onto the
                     // screen and cut to it so that an overlong line never makes a huge image)
    QPoint layoutOffset; // layout window's top-left minus geometry's (how much was cut away)
};

// The painting half of the subtitle display: lays out a text with the font's metrics and draws
// each line into its LineBitmap. No windows are touched here.
class SubtitleRenderer {
public:
    // Lays out and paints `text` for the screen `screen` (global coordinates). In the mask path
    // a near-black ShadowColor becomes 0x0C0C0C in `settings` itself, so the changed option is
    // what gets saved. RenderBusy is true while it runs.
    void DrawNapis(const QString &text, bool regionsMode, bool transparent, Settings &settings,
                   const QRect &screen);

    bool RenderBusy = false;
    int LastLineIndex() const { return layout_.LastLineIndex; }
    OverlayPaint paint() const { return paint_; }
    const SubtitleLayout &layout() const { return layout_; }
    const SubtitleLayoutOptions &layoutOptions() const { return options_; }
    const RenderedLine &line(int k) const { return lines_[k]; } // k = 0..2
    QRect screen() const { return screen_; }
    // Device pixels per window pixel of the screen the lines show on (2 on a 2x screen): the
    // pictures are drawn at that resolution, so letters are not blown up pixel by pixel.
    void setDevicePixelRatio(qreal ratio) { ratio_ = ratio > 0 ? ratio : 1.0; }
    // Height of a reference text with accents and a descender in the unshrunk font; the gap
    // between lines saved at exit is measured against it.
    int referenceLineHeight() const { return referenceHeight_; }

private:
    void paintLine(int k, const FontTextMeasurer &measurer, const Settings &settings);
    // Line k's text at `origin` (its baseline-free top left, as drawStaticText takes it), once
    // per offset: the shadow copies and the letters are the same glyphs.
    void drawStyledText(QPainter &p, const QString &text, const FontTextMeasurer &measurer,
                        int pointSize, QPoint origin, const LetterOffsets &offsets,
                        const Settings &settings) const;

    SubtitleLayout layout_;
    SubtitleLayoutOptions options_;
    OverlayPaint paint_ = OverlayPaint::Opaque;
    std::array<RenderedLine, kSubtitleLines> lines_;
    QRect screen_;
    int referenceHeight_ = 0;
    qreal ratio_ = 1.0;
};

// Every pixel of `image` whose colour differs from `background` (alpha ignored), collected row
// by row from horizontal runs.
QRegion regionOfPixelsUnlike(const QImage &image, QRgb background);

// The same for a picture of more device pixels than the window it goes in (windowSize): every
// window pixel that holds any device pixel unlike `background`.
QRegion windowPixelsUnlike(const QImage &image, QRgb background, QSize windowSize);

} // namespace zv
