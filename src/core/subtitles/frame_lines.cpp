// Frame lines: "{start}{end}text"; an empty end ("{1250}{}text") lasts TextDelay seconds.
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

#include <optional>
#include <type_traits>
#include <utility>

namespace zv {

namespace {

using loader_support::LineStatus;

struct ParsedFrameLine {
    LineStatus status = LineStatus::Unrecognised;
    int32_t startFrame = 0;
    int32_t endFrame = 0;
    int32_t startSecond = 0;
    qsizetype textFrom = 0;
};

// `braces`: where the first two "}" are, when the caller has found them already.
template <typename View>
ParsedFrameLine parseFrameLine(View s, double fps, int textDelay,
                               std::optional<std::pair<qsizetype, qsizetype>> braces = std::nullopt)
{
    using loader_support::indexOf;
    using subtitle_text::toInt32;
    ParsedFrameLine r;
    if (subtitle_text::isBlank(s)) {
        r.status = LineStatus::Skipped;
        return r;
    }
    const qsizetype b1 = braces ? braces->first : indexOf(s, '}');
    if (b1 < 0)
        return r;
    const qsizetype b2 = braces ? braces->second : indexOf(s, '}', b1 + 1);
    if (b2 < 0)
        return r;
    // Each field loses its first character (the "{") whatever it is.
    const View field1 = s.first(b1);
    const View field2 = s.sliced(b1 + 1, b2 - b1 - 1);
    const auto start = field1.isEmpty() ? std::nullopt : toInt32(field1.sliced(1));
    if (!start)
        return r;
    const View endField = field2.isEmpty() ? View() : field2.sliced(1);
    if (endField.isEmpty()) {
        // The end frame must still fit the table's 32 bits; a far start plus the delay is a
        // bad line, not a wrapped-around one.
        const auto end = subtitle_text::roundToRange(double(*start) + double(textDelay) * fps,
                                                     INT32_MIN, INT32_MAX);
        if (!end)
            return r;
        r.endFrame = int32_t(*end);
    } else {
        const auto end = toInt32(endField);
        if (!end)
            return r;
        r.endFrame = *end;
    }
    // fps >= 1, so the second always fits.
    r.startSecond = int32_t(subtitle_text::roundHalfEven(double(*start) / fps));
    r.startFrame = *start;
    r.textFrom = b2 + 1;
    r.status = LineStatus::Ok;
    return r;
}

} // namespace

double effectiveFrameRate(double mediaFrameRate)
{
    return mediaFrameRate >= 1.0 ? mediaFrameRate : 25.0;
}

LoadResult LoadProc1(Utf8Lines lines, const LoadSettings &settings)
{
    LoadResult result;
    std::vector<FrameRow> frames;
    std::vector<TimeRow> times;
    Utf8Lines texts;
    const double fps = effectiveFrameRate(settings.MediaFrameRate);
    const bool complete = loader_support::walkLines(
        std::move(lines), settings, texts,
        [&](qsizetype count) {
            frames.reserve(size_t(count));
            times.reserve(size_t(count) + 1);
        },
        [&](Utf8Lines::Rewriter &rewriter, QByteArrayView line) {
            // The fields end at the second "}": bytes suffice when everything up to it is ASCII.
            const qsizetype b1 = loader_support::indexOf(line, '}');
            const qsizetype b2 = b1 < 0 ? -1 : loader_support::indexOf(line, '}', b1 + 1);
            const auto parsed = loader_support::parseUtf8Line<ParsedFrameLine>(
                line, b2 < 0 || isAsciiPrefix(line, b2 + 1),
                [&](auto s) {
                    if constexpr (std::is_same_v<decltype(s), QByteArrayView>)
                        return parseFrameLine(s, fps, settings.TextDelay, std::pair(b1, b2));
                    else
                        return parseFrameLine(s, fps, settings.TextDelay);
                });
            if (parsed.status == LineStatus::Ok) {
                const uint32_t text = rewriter.keep(line.sliced(parsed.textFrom));
                times.push_back({parsed.startSecond, text}); // one text for both entries
                frames.push_back({parsed.startFrame, parsed.endFrame, text});
            } else if (parsed.status == LineStatus::Unrecognised) {
                ++result.unrecognised;
            }
        },
        [&] { times.push_back({kFrameLinesSentinel, kNoText}); });
    result.failed = !complete;
    result.table = SubtitleTable::fromFrameRows(std::move(texts), std::move(frames), std::move(times));
    result.lists = LadujOpisyDoOpcji(result.table, settings.shift);
    return result;
}

} // namespace zv
