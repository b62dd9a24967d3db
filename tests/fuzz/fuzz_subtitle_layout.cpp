// The subtitle layout with a fixed-width measurer. The first bytes choose the options, the
// rest is the subtitle text (UTF-8). Properties: wrapping only moves words, never loses or
// reorders them; each line's size lies between the floor and the starting size, and a line
// shrunk below the start fits the screen unless it reached the floor.

#include "core/render/subtitle_layout.h"
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QStringList>

#include <algorithm>

using namespace zv;

namespace {

// Every character is 3/5 of the point size wide, lines are 6/5 of it high.
struct FixedMeasurer : TextMeasurer {
    QSize size(const QString &text, int pointSize) const override
    {
        const qint64 w = qint64(text.size()) * pointSize * 3 / 5;
        return QSize(int(std::min<qint64>(w, INT_MAX)), pointSize * 6 / 5 + 1);
    }
};

// Style marks are no words: wrapping may repeat them where a moved word keeps its style.
QStringList wordsOf(const QString &text)
{
    return styled_text::stripMarks(text).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    SubtitleLayoutOptions o;
    o.ScreenWidth = in.ConsumeIntegralInRange<int>(-10, 4000);
    o.ScreenHeight = in.ConsumeIntegral<int>();
    o.FontSize = in.ConsumeIntegralInRange<int>(-5, 1200);
    o.TextWrap = in.ConsumeBool();
    o.DecFontSize = in.ConsumeBool();
    o.ShowShadow = in.ConsumeBool();
    o.ShadowMode = in.ConsumeIntegralInRange<int>(0, 1);
    o.ShadowDistance = in.ConsumeIntegral<int>();
    o.DisplayerBottom = in.ConsumeIntegral<int>();
    o.DisplayerDistance = in.ConsumeIntegral<int>();
    const bool regions = in.ConsumeBool();
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(rest.data(), qsizetype(rest.size()));

    const FixedMeasurer measurer;
    const SubtitleLayout layout = layoutSubtitle(text, o, regions, measurer);

    QStringList before, after;
    for (const QString &field : splitSubtitleLines(text))
        before += wordsOf(field);
    for (const SubtitleLineLayout &line : layout.lines)
        after += wordsOf(line.text);
    ZV_FUZZ_CHECK(before == after, before.join(u' '), after.join(u' '));

    const int start = std::clamp(o.FontSize, 1, kMaxSubtitlePointSize);
    const int screen = std::max(o.ScreenWidth, 0);
    for (const SubtitleLineLayout &line : layout.lines) {
        ZV_FUZZ_CHECK(line.pointSize <= start);
        ZV_FUZZ_CHECK(line.pointSize == start || line.pointSize >= kMinSubtitlePointSize);
        if (line.pointSize < start && line.pointSize > kMinSubtitlePointSize) {
            const QString bare = line.text.mid(1, line.text.size() - 2);
            ZV_FUZZ_CHECK(measureStyled(measurer, bare, line.pointSize).width() <= screen, bare);
        }
        ZV_FUZZ_CHECK(line.window.width() >= 0 && line.window.height() >= 0);
    }
    ZV_FUZZ_CHECK(layout.LastLineIndex >= 0 && layout.LastLineIndex <= kSubtitleLines);
    return 0;
}
