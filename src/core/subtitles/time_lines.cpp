// Time lines: "h:mm:ss:text", "hh:mm:ss text", "h:m:s=text", ...
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

namespace zv {

namespace {

using loader_support::LineStatus;

// The seconds field ends at the first non-digit, but never looks past the ninth character:
// files in the wild put the text straight after the seconds with any separator.
constexpr qsizetype kSecondsScanLimit = 9;

struct ParsedTimeLine {
    LineStatus status = LineStatus::Unrecognised;
    int32_t start = 0;
    qsizetype textFrom = 0; // index of the text in the line
};

template <typename View>
ParsedTimeLine parseTimeLine(View s)
{
    using loader_support::indexOf;
    using loader_support::unitAt;
    using subtitle_text::toInt32;
    ParsedTimeLine r;
    const qsizetype c1 = indexOf(s, ':');
    if (c1 < 0)
        return r;
    const qsizetype c2 = indexOf(s, ':', c1 + 1);
    if (c2 < 0)
        return r;
    const auto hours = toInt32(s.first(c1));
    const auto minutes = toInt32(s.sliced(c1 + 1, c2 - c1 - 1));
    if (!hours || !minutes)
        return r;

    // 1-based positions from here on: c is the second colon, p the separator after the seconds.
    const qsizetype c = c2 + 1;
    qsizetype p = 0;
    if (c + 1 <= kSecondsScanLimit) {
        p = kSecondsScanLimit;
        for (qsizetype q = c + 1; q <= kSecondsScanLimit; ++q) {
            if (q > s.size() || unitAt(s, q - 1) < u'0' || unitAt(s, q - 1) > u'9') {
                p = q;
                break;
            }
        }
    }
    if (p - 1 < c + 1) // empty seconds field
        return r;
    const auto seconds = toInt32(s.sliced(c, p - 1 - c));
    if (!seconds)
        return r;

    r.textFrom = p; // the separator at p is dropped
    if (r.textFrom >= s.size() || subtitle_text::isBlank(s.sliced(r.textFrom))) {
        r.status = LineStatus::Skipped;
        return r;
    }
    if (*hours < 0 || *hours > 23 || *minutes < 0 || *minutes > 59 || *seconds < 0 || *seconds > 59)
        return r;
    r.status = LineStatus::Ok;
    r.start = *hours * 3600 + *minutes * 60 + *seconds;
    return r;
}

} // namespace

LoadResult LoadProc0(Utf8Lines lines, const LoadSettings &settings)
{
    return loader_support::loadTimeRows(
        std::move(lines), settings,
        [](Utf8Lines::Rewriter &rewriter, QByteArrayView line, std::vector<TimeRow> &rows,
           qsizetype &unrecognised) {
            // Every field lies inside the scan limit or is checked whole, so bytes suffice
            // when the characters up to the limit are ASCII.
            const auto parsed = loader_support::parseUtf8Line<ParsedTimeLine>(
                line, isAsciiPrefix(line, kSecondsScanLimit), [](auto s) { return parseTimeLine(s); });
            if (parsed.status == LineStatus::Ok)
                rows.push_back({parsed.start, rewriter.keep(line.sliced(parsed.textFrom))});
            else if (parsed.status == LineStatus::Unrecognised)
                ++unrecognised;
        },
        [](std::vector<TimeRow> &rows) {
            rows.push_back({kTimeLinesSentinel, kNoText});
            SortujTekst(rows);
        });
}

} // namespace zv
