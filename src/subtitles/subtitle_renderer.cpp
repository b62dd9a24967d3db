#include "subtitles/subtitle_renderer.h"

#include <cmath>

#include "core/config/settings.h"

#include <QPainter>
#include <QStaticText>

#include <algorithm>
#include <vector>

namespace zv {

namespace {

// Accented capital over a descender: the tallest a Polish line gets.
const QString kReferenceText = QStringLiteral("Śy");

} // namespace

QFont subtitleFont(const Settings &s)
{
    QFont font;
    if (!s.FontName.isEmpty())
        font.setFamily(s.FontName);
    font.setPointSize(std::clamp(s.FontSize, 1, kMaxSubtitlePointSize));
    font.setBold(fontStyleIsBold(s.FontStyle));
    font.setItalic(fontStyleIsItalic(s.FontStyle));
    return font;
}

QColor colorFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

FontTextMeasurer::FontTextMeasurer(const QFont &font) : font_(font) {}

QFont FontTextMeasurer::fontAt(int pointSize, styled_text::Style style) const
{
    QFont f = font_;
    f.setPointSize(std::max(pointSize, 1));
    // Styled words must stand out from the rest of the line: in a font that is italic already
    // (the default one is bold italic) an italic run is drawn upright, as emphasis inside italic
    // print is, and a bold run in a bold font takes the heaviest weight the family has.
    if (style.italic)
        f.setItalic(!font_.italic());
    if (style.bold)
        f.setWeight(font_.bold() ? QFont::Black : QFont::Bold);
    return f;
}

const QFontMetrics &FontTextMeasurer::metricsAt(int pointSize, styled_text::Style style) const
{
    const int key = pointSize * 4 + (style.italic ? 1 : 0) + (style.bold ? 2 : 0);
    auto it = metrics_.find(key);
    if (it == metrics_.end())
        it = metrics_.emplace(key, QFontMetrics(fontAt(pointSize, style))).first;
    return it->second;
}

QSize FontTextMeasurer::size(const QString &text, int pointSize) const
{
    const QFontMetrics &fm = metricsAt(pointSize);
    return QSize(text.isEmpty() ? 0 : fm.horizontalAdvance(text), fm.height());
}

QSize FontTextMeasurer::styledSize(const QString &text, int pointSize, styled_text::Style style) const
{
    const QFontMetrics &fm = metricsAt(pointSize, style);
    return QSize(text.isEmpty() ? 0 : fm.horizontalAdvance(text), fm.height());
}

QRegion regionOfPixelsUnlike(const QImage &image, QRgb background)
{
    if (image.isNull())
        return {};
    const QImage img = (image.format() == QImage::Format_RGB32
                        || image.format() == QImage::Format_ARGB32
                        || image.format() == QImage::Format_ARGB32_Premultiplied)
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    const QRgb bg = background & 0xFFFFFF;
    const int w = img.width();
    QList<QRect> runs;
    qsizetype bandStart = 0; // first run of the band the previous row belongs to
    for (int y = 0; y < img.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        const qsizetype rowStart = runs.size();
        int x = 0;
        while (x < w) {
            if (((row[x] & 0xFFFFFF) ^ bg) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < w && ((row[x] & 0xFFFFFF) ^ bg) != 0)
                ++x;
            runs.append(QRect(start, y, x - start, 1));
        }
        // A row with the very runs of the band above only makes that band taller: fewer
        // rectangles for the window system to shape with.
        const qsizetype n = runs.size() - rowStart;
        bool same = n > 0 && rowStart - bandStart == n
                    && runs[bandStart].bottom() == y - 1;
        for (qsizetype i = 0; same && i < n; ++i)
            same = runs[bandStart + i].left() == runs[rowStart + i].left()
                   && runs[bandStart + i].width() == runs[rowStart + i].width();
        if (same) {
            runs.resize(rowStart);
            for (qsizetype i = bandStart; i < rowStart; ++i)
                runs[i].setBottom(y);
        } else {
            bandStart = rowStart;
        }
    }
    // Runs are sorted by row, then column, never touch and share their band's height: the
    // form setRects takes without re-sorting, far quicker than uniting rectangle by rectangle.
    QRegion region;
    if (!runs.isEmpty())
        region.setRects(runs.constData(), int(runs.size()));
    return region;
}

QRegion windowPixelsUnlike(const QImage &image, QRgb background, QSize windowSize)
{
    // Every window pixel holding any device pixel unlike the background: no letter's edge is
    // cut by the shape, whatever the ratio.
    const QImage device = image.convertToFormat(QImage::Format_RGB32);
    QImage cover(windowSize, QImage::Format_RGB32);
    cover.fill(background);
    const QRgb ink = ~background | 0xFF000000;
    const qreal ratio = qreal(device.width()) / qMax(1, windowSize.width());
    for (int y = 0; y < device.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(device.constScanLine(y));
        const int wy = qMin(windowSize.height() - 1, int(y / ratio));
        for (int x = 0; x < device.width(); ++x)
            if ((row[x] & 0xFFFFFF) != (background & 0xFFFFFF))
                cover.setPixel(qMin(windowSize.width() - 1, int(x / ratio)), wy, ink);
    }
    return regionOfPixelsUnlike(cover, background);
}

void SubtitleRenderer::DrawNapis(const QString &text, bool regionsMode, bool transparent,
                                 Settings &settings, const QRect &screen)
{
    RenderBusy = true;
    screen_ = screen;
    paint_ = regionsMode ? OverlayPaint::Mask
                         : (transparent ? OverlayPaint::Translucent : OverlayPaint::Opaque);
    if (regionsMode)
        settings.ShadowColor = regionShadowColor(settings.ShadowColor);

    options_ = SubtitleLayoutOptions{};
    options_.ScreenWidth = screen.width();
    options_.ScreenHeight = screen.height();
    options_.FontSize = settings.FontSize;
    options_.TextWrap = settings.TextWrap;
    options_.DecFontSize = settings.DecFontSize;
    options_.ShowShadow = settings.ShowShadow;
    options_.ShadowMode = settings.ShadowMode;
    options_.ShadowDistance = settings.ShadowDistance;
    options_.DisplayerBottom = settings.DisplayerBottom;
    options_.DisplayerDistance = settings.DisplayerDistance;

    // A fresh measurer per rendering: each line starts from the full size again.
    const FontTextMeasurer measurer(subtitleFont(settings));
    layout_ = layoutSubtitle(text, options_, regionsMode, measurer);
    referenceHeight_ = measurer.size(kReferenceText, std::clamp(settings.FontSize, 1,
                                                                kMaxSubtitlePointSize)).height();
    for (int k = 0; k < kSubtitleLines; ++k)
        paintLine(k, measurer, settings);
    RenderBusy = false;
}

void SubtitleRenderer::paintLine(int k, const FontTextMeasurer &measurer, const Settings &settings)
{
    const SubtitleLineLayout &l = layout_.lines[k];
    RenderedLine &out = lines_[k];
    out = RenderedLine{};
    const QRect logical = l.window.translated(screen_.topLeft());
    const QRect visible = logical & screen_;
    if (l.text.isEmpty() || visible.isEmpty()) {
        // Nothing to show: the window keeps the layout's place but never its (possibly huge)
        // size; it stays hidden anyway.
        out.geometry = QRect(logical.topLeft(), logical.size().boundedTo(screen_.size()));
        return;
    }
    out.geometry = visible;
    out.layoutOffset = logical.topLeft() - visible.topLeft();

    const QColor background = colorFromBgr(settings.BackGroundColor);
    QImage image(visible.size() * ratio_, paint_ == OverlayPaint::Translucent
                                              ? QImage::Format_ARGB32_Premultiplied
                                              : QImage::Format_RGB32);
    if (image.isNull())
        return; // out of memory: show nothing rather than fail
    image.setDevicePixelRatio(ratio_);   // painted in window pixels, stored in device pixels
    image.fill(paint_ == OverlayPaint::Translucent ? QColor(Qt::transparent) : background);

    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const LetterOffsets offsets = letterOffsets(settings.ShowShadow, settings.ShadowMode,
                                                settings.ShadowDistance, settings.ShadowHiQuality);
    if (styled_text::hasMarks(l.text)) {
        drawStyledText(p, l.text, measurer, l.pointSize, out.layoutOffset, offsets, settings);
    } else {
        const QFont font = measurer.fontAt(l.pointSize);
        QStaticText staticText(l.text);
        staticText.setTextFormat(Qt::PlainText);
        staticText.setPerformanceHint(QStaticText::AggressiveCaching);
        p.setFont(font);
        staticText.prepare(QTransform(), font);
        if (!offsets.shadow.isEmpty()) {
            p.setPen(colorFromBgr(settings.ShadowColor));
            for (const QPoint &at : offsets.shadow)
                p.drawStaticText(out.layoutOffset + at, staticText);
        }
        p.setPen(colorFromBgr(settings.FontColor));
        p.drawStaticText(out.layoutOffset + offsets.text, staticText);
    }
    p.end();

    if (paint_ == OverlayPaint::Mask) {
        out.mask = ratio_ == 1.0 ? regionOfPixelsUnlike(image, background.rgb())
                                 : windowPixelsUnlike(image, background.rgb(), visible.size());
    }
    out.image = image;
}

void SubtitleRenderer::drawStyledText(QPainter &p, const QString &text,
                                      const FontTextMeasurer &measurer, int pointSize, QPoint origin,
                                      const LetterOffsets &offsets, const Settings &settings) const
{
    // Each run in its own font, one after the other, on one baseline.
    struct Piece {
        QStaticText text;
        QFont font;
        QPoint at;
    };
    std::vector<Piece> pieces;
    int x = 0, ascent = 0;
    for (const styled_text::Run &run : styled_text::runs(text)) {
        const QFontMetrics &fm = measurer.metricsAt(pointSize, run.style);
        Piece piece{QStaticText(run.text), measurer.fontAt(pointSize, run.style), QPoint(x, fm.ascent())};
        piece.text.setTextFormat(Qt::PlainText);
        piece.text.setPerformanceHint(QStaticText::AggressiveCaching);
        piece.text.prepare(QTransform(), piece.font);
        x += fm.horizontalAdvance(run.text);
        ascent = std::max(ascent, fm.ascent());
        pieces.push_back(std::move(piece));
    }
    for (Piece &piece : pieces)
        piece.at.setY(ascent - piece.at.y()); // drawStaticText places the top, not the baseline
    const auto drawAt = [&](QPoint at) {
        for (const Piece &piece : pieces) {
            p.setFont(piece.font);
            p.drawStaticText(origin + at + piece.at, piece.text);
        }
    };
    if (!offsets.shadow.isEmpty()) {
        p.setPen(colorFromBgr(settings.ShadowColor));
        for (const QPoint &at : offsets.shadow)
            drawAt(at);
    }
    p.setPen(colorFromBgr(settings.FontColor));
    drawAt(offsets.text);
}

} // namespace zv
