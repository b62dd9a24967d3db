#include "core/render/subtitle_layout.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace zv {

namespace {

// Options are stored integers; keep the placement arithmetic far from overflow.
constexpr int kCoordinateLimit = 1 << 24;

int clampCoordinate(qint64 v)
{
    return int(std::clamp<qint64>(v, -kCoordinateLimit, kCoordinateLimit));
}

// Only style marks: other blanks (a tab, U+2005) are a word's text like any letter.
bool marksOnly(QStringView s)
{
    for (QChar c : s) {
        if (!styled_text::isMark(c.unicode()))
            return false;
    }
    return true;
}

// Words as wrapping moves them: split at blanks, a word of marks alone joined to the next
// (or, at the end, the previous) word, so that no blank is left where only a mark was.
QStringList wordsOf(const QString &text)
{
    QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!styled_text::hasMarks(text))
        return words;
    QStringList out;
    QString pending;
    for (QString &w : words) {
        if (marksOnly(w)) {
            pending += w;
            continue;
        }
        out.append(pending + w);
        pending.clear();
    }
    if (!pending.isEmpty()) {
        if (out.isEmpty())
            out.append(pending);
        else
            out.last() += pending;
    }
    return out;
}

// Trimmed as QString::trimmed does, the marks among the blanks at either end kept in front.
QString trimmedStyled(const QString &s)
{
    if (!styled_text::hasMarks(s))
        return s.trimmed();
    qsizetype b = 0, e = s.size();
    QString lead;
    while (b < e && (s[b].isSpace() || styled_text::isMark(s[b].unicode()))) {
        if (!s[b].isSpace())
            lead += s[b];
        ++b;
    }
    if (b == e)
        return QString(); // marks alone show nothing
    while (e > b && (s[e - 1].isSpace() || styled_text::isMark(s[e - 1].unicode())))
        --e; // trailing marks change nothing drawn
    return lead + s.sliced(b, e - b);
}

class LineFitter {
public:
    LineFitter(const TextMeasurer &m, int screenWidth) : m_(m), sw_(screenWidth) {}

    bool fits(const QString &text, int pt) const { return measureStyled(m_, text, pt).width() <= sw_; }

    // Moves whole words from the end of `from` to the front of `to` until `from` fits or holds
    // one word. The words to keep are found by bisection: widths grow with the prefix, so the
    // longest fitting prefix is what moving one word at a time would stop at.
    void wrap(QString &from, QString &to, int pt) const
    {
        if (from.isEmpty() || fits(from, pt))
            return;
        const QStringList words = wordsOf(from);
        const qsizetype n = words.size();
        if (n < 2)
            return;
        qsizetype keep = 1;
        qsizetype lo = 1, hi = n - 1;
        while (lo <= hi) {
            const qsizetype mid = lo + (hi - lo) / 2;
            if (fits(words.mid(0, mid).join(QLatin1Char(' ')), pt)) {
                keep = mid;
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        from = words.mid(0, keep).join(QLatin1Char(' '));
        QString moved = words.mid(keep).join(QLatin1Char(' '));
        if (styled_text::hasMarks(moved) || styled_text::hasMarks(from)) {
            // The moved words keep the style they had; `to` starts upright and regular.
            const styled_text::Style atSplit = styled_text::styleAfter(from);
            const styled_text::Style atEnd = styled_text::styleAfter(moved, atSplit);
            moved = styled_text::marksBetween({}, atSplit) + moved;
            if (!to.isEmpty())
                moved += styled_text::marksBetween(atEnd, {});
        }
        to = to.isEmpty() ? moved : moved + QLatin1Char(' ') + to;
    }

    // The largest size not above `pt` (and not below the floor) at which `text` fits.
    int shrink(const QString &text, int pt) const
    {
        if (text.isEmpty() || pt <= kMinSubtitlePointSize || fits(text, pt))
            return pt;
        int best = kMinSubtitlePointSize;
        int lo = kMinSubtitlePointSize, hi = pt - 1;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            if (fits(text, mid)) {
                best = mid;
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        return best;
    }

private:
    const TextMeasurer &m_;
    int sw_;
};

} // namespace

QSize measureStyled(const TextMeasurer &measurer, const QString &text, int pointSize)
{
    if (!styled_text::hasMarks(text))
        return measurer.size(text, pointSize);
    QSize total(0, measurer.size(QString(), pointSize).height());
    for (const styled_text::Run &run : styled_text::runs(text)) {
        const QSize s = run.style.isPlain() ? measurer.size(run.text, pointSize)
                                            : measurer.styledSize(run.text, pointSize, run.style);
        total.setWidth(total.width() + s.width());
        total.setHeight(std::max(total.height(), s.height()));
    }
    return total;
}

std::array<QString, kSubtitleLines> splitSubtitleLines(const QString &text)
{
    std::array<QString, kSubtitleLines> lines;
    int k = 0;
    qsizetype start = 0;
    styled_text::Style style; // at the start of the field
    while (k < kSubtitleLines) {
        const qsizetype bar = text.indexOf(QLatin1Char('|'), start);
        QString field = text.mid(start, bar < 0 ? -1 : bar - start);
        bool marks = false;
        for (QChar &c : field) {
            if (styled_text::isMark(c.unicode()))
                marks = true;
            else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                c = QLatin1Char(' ');
        }
        if (marks || !style.isPlain()) {
            field.prepend(styled_text::marksBetween({}, style));
            style = styled_text::styleAfter(field);
        }
        lines[k++] = trimmedStyled(field);
        if (bar < 0)
            break;
        start = bar + 1;
    }
    return lines;
}

int subtitleExtraHeight(bool regionsMode, bool showShadow, int shadowMode, int shadowDistance)
{
    const int d = std::clamp(shadowDistance, 0, kMaxShadowDistance);
    if (regionsMode)
        return 2 * d;
    if (!showShadow)
        return 0;
    return shadowMode == 0 ? d : 2 * d;
}

SubtitleLayout layoutSubtitle(const QString &text, const SubtitleLayoutOptions &o,
                              bool regionsMode, const TextMeasurer &measurer)
{
    SubtitleLayout out;
    out.shadowDistance = std::clamp(o.ShadowDistance, 0, kMaxShadowDistance);
    out.extraHeight = subtitleExtraHeight(regionsMode, o.ShowShadow, o.ShadowMode, o.ShadowDistance);

    const int sw = std::max(o.ScreenWidth, 0);
    const int sh = std::max(o.ScreenHeight, 0);
    const int startSize = std::clamp(o.FontSize, 1, kMaxSubtitlePointSize);
    const LineFitter fitter(measurer, sw);

    std::array<QString, kSubtitleLines> lines = splitSubtitleLines(text);
    if (o.TextWrap) {
        fitter.wrap(lines[0], lines[1], startSize);
        fitter.wrap(lines[1], lines[2], startSize);
    }

    for (int k = 0; k < kSubtitleLines; ++k) {
        SubtitleLineLayout &line = out.lines[k];
        line.pointSize = o.DecFontSize ? fitter.shrink(lines[k], startSize) : startSize;
        if (!lines[k].isEmpty()) {
            line.text = QLatin1Char(' ') + lines[k] + QLatin1Char(' ');
            out.LastLineIndex = k + 1;
        }
        line.textSize = measureStyled(measurer, line.text, line.pointSize);
        if (line.text.isEmpty())
            line.textSize.setWidth(0);
        line.textSize = line.textSize.expandedTo(QSize(0, 0));
    }

    if (out.LastLineIndex == 0) {
        for (SubtitleLineLayout &line : out.lines)
            line.window = QRect(0, 0, 1, 1);
        return out;
    }

    const qint64 bottom = std::clamp(o.DisplayerBottom, -kCoordinateLimit, kCoordinateLimit);
    const qint64 gap = std::clamp(o.DisplayerDistance, -kCoordinateLimit, kCoordinateLimit);
    std::array<qint64, kSubtitleLines> tops{0, 0, 0};
    const int last = out.LastLineIndex - 1;
    const auto h = [&](int k) -> qint64 { return out.lines[k].textSize.height(); };
    // A single line keeps the gap below it as well; a stack puts its last line on the bottom.
    tops[last] = sh - bottom - h(last) - (last == 0 ? gap : 0);
    for (int k = last - 1; k >= 0; --k)
        tops[k] = tops[k + 1] - h(k) - gap;

    for (int k = 0; k < kSubtitleLines; ++k) {
        SubtitleLineLayout &line = out.lines[k];
        const int w = line.textSize.width();
        const int left = sw / 2 - w / 2;
        line.window = QRect(left, clampCoordinate(k <= last ? tops[k] : 0), w,
                            clampCoordinate(h(k) + out.extraHeight));
    }
    return out;
}

LetterOffsets letterOffsets(bool showShadow, int shadowMode, int shadowDistance, bool hiQuality)
{
    LetterOffsets out;
    if (!showShadow)
        return out;
    const int d = std::clamp(shadowDistance, 0, kMaxShadowDistance);
    const auto add = [&](QPoint p) {
        if (!out.shadow.contains(p))
            out.shadow.append(p);
    };
    const int from = hiQuality ? 0 : d;
    if (shadowMode == 0) {
        for (int i = from; i <= d; ++i)
            add(QPoint(i, i));
        return out;
    }
    for (int i = from; i <= d; ++i) {
        add(QPoint(-i, d - i));
        add(QPoint(i, d - i));
        add(QPoint(-i, d + i));
        add(QPoint(i, d + i));
    }
    out.text = QPoint(0, d);
    return out;
}

quint32 regionShadowColor(quint32 c)
{
    const quint32 r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return (r <= 11 && g <= 11 && b <= 11) ? 0x0C0C0Cu : c;
}

std::optional<RenderFlags> renderFlagsFor(int displayMode, bool overlayUsable)
{
    switch (displayMode) {
    case 0:
        return RenderFlags{false, false};
    case 1:
    case 3:
        return RenderFlags{!overlayUsable, true};
    case 2:
        return RenderFlags{true, true};
    default:
        return std::nullopt;
    }
}

int movedDisplayerBottom(int displayerBottom, bool up, bool ctrlHeld)
{
    const qint64 step = ctrlHeld ? 1 : 20;
    const qint64 v = qint64(displayerBottom) + (up ? step : -step);
    return int(std::clamp<qint64>(v, INT_MIN, INT_MAX));
}

std::optional<int> displayerBottomAfterDrag(const SubtitleLayout &layout,
                                            const SubtitleLayoutOptions &o, int draggedTop)
{
    if (layout.LastLineIndex < 1 || layout.LastLineIndex > kSubtitleLines)
        return std::nullopt;
    const int k = layout.LastLineIndex - 1;
    // The inverse of the placement above, so a click without movement changes nothing.
    qint64 b = qint64(o.ScreenHeight) - draggedTop - layout.lines[k].textSize.height();
    if (k == 0)
        b -= std::clamp(o.DisplayerDistance, -kCoordinateLimit, kCoordinateLimit);
    return clampCoordinate(b);
}

int displayerDistanceToSave(const SubtitleLayout &layout, int referenceHeight, int current)
{
    if (layout.LastLineIndex < 2)
        return current;
    return clampCoordinate(qint64(layout.lines[1].window.top()) - layout.lines[0].window.top()
                           - referenceHeight);
}

} // namespace zv
