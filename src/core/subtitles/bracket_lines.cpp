// Bracket lines: "[mm:ss]text", several tags allowed ("[00:10][01:05]Refren").
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

#include <QVarLengthArray>

#include <cstring>
#include <utility>

namespace zv {

namespace {

// Tag k (from 0) sits at the fixed characters 7k..7k+6: "[", two minute digits, ":", two
// second digits, "]". Anything finer after the seconds ("[00:10.50]") is ignored.
constexpr qsizetype kTagWidth = 7;

template <typename View>
std::optional<int32_t> tagSecond(View s, qsizetype k)
{
    const qsizetype at = k * kTagWidth;
    const auto minutes = subtitle_text::toInt32(s.sliced(at + 1, 2));
    const auto seconds = subtitle_text::toInt32(s.sliced(at + 4, 2));
    if (!minutes || !seconds || *minutes < 0 || *minutes > 59 || *seconds < 0 || *seconds > 59)
        return std::nullopt;
    return *minutes * 60 + *seconds;
}

// The "[" in a line and its length in characters (UTF-16 units), eight bytes at a time: every
// line of a file is counted, so this is most of a load.
std::pair<qsizetype, qsizetype> tagsAndLength(QByteArrayView line)
{
    constexpr uint64_t kHigh = 0x8080808080808080u, kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    // The bytes' top bits, counted by one multiplication (a popcount instruction is not
    // in the baseline the program is built for).
    const auto count = [](uint64_t topBits) { return qsizetype(((topBits >> 7) * 0x0101010101010101u) >> 56); };
    const char *p = line.data();
    const char *const end = p + line.size();
    qsizetype tags = 0, continuations = 0, fourByte = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        // A byte equal to "[" is a zero byte of x: exactly those keep bit 7 clear in t.
        const uint64_t x = w ^ 0x5B5B5B5B5B5B5B5Bu;
        const uint64_t t = ((x & kLow7) + kLow7) | x;
        tags += count(~t & kHigh);
        // Continuation bytes are 10xxxxxx; leaders of four-byte characters 11110xxx.
        continuations += count(w & ~(w << 1) & kHigh);
        fourByte += count(w & (w << 1) & (w << 2) & (w << 3) & kHigh);
    }
    for (; p < end; ++p) {
        const uint8_t c = uint8_t(*p);
        tags += c == '[';
        continuations += (c & 0xC0) == 0x80;
        fourByte += c >= 0xF0;
    }
    // Each character has one byte that is no continuation, and four-byte ones take a
    // surrogate pair.
    return {tags, line.size() - continuations + fourByte};
}

struct ParsedBracketLine {
    QVarLengthArray<int32_t, 8> starts; // one per good tag
    qsizetype unrecognised = 0;         // broken tags
    qsizetype textFrom = 0;
};

// `length` is the line's length in characters.
template <typename View>
ParsedBracketLine parseBracketLine(View s, qsizetype tags, qsizetype length)
{
    ParsedBracketLine r;
    // Tags whose characters run past the end of the line are broken, all at once.
    const qsizetype complete = std::min(tags, (length + 1) / kTagWidth);
    r.unrecognised = tags - complete;
    for (qsizetype k = 0; k < complete; ++k) {
        if (const auto second = tagSecond(s, k))
            r.starts.append(*second);
        else
            ++r.unrecognised;
    }
    // The text follows the last "]"; a line without one is all text.
    r.textFrom = loader_support::lastIndexOf(s, ']') + 1;
    return r;
}

} // namespace

LoadResult LoadProc2(Utf8Lines lines, const LoadSettings &settings)
{
    return loader_support::loadTimeRows(
        std::move(lines), settings,
        [](Utf8Lines::Rewriter &rewriter, QByteArrayView line, std::vector<TimeRow> &rows,
           qsizetype &unrecognised) {
            // Plain variables, not a structured binding: the lambda below captures them.
            const std::pair<qsizetype, qsizetype> counts = tagsAndLength(line);
            const qsizetype tags = counts.first, length = counts.second;
            const qsizetype tagChars = std::min(tags, (length + 1) / kTagWidth) * kTagWidth;
            // The tags sit at fixed character positions: bytes suffice when those are ASCII.
            const auto parsed = loader_support::parseUtf8Line<ParsedBracketLine>(
                line, isAsciiPrefix(line, tagChars),
                [&](auto s) { return parseBracketLine(s, tags, length); });
            unrecognised += parsed.unrecognised;
            if (parsed.starts.isEmpty())
                return;
            const uint32_t text = rewriter.keep(line.sliced(parsed.textFrom));
            for (int32_t start : parsed.starts)
                rows.push_back({start, text});
        },
        [](std::vector<TimeRow> &rows) {
            SortujTekst(rows);
            rows.push_back({kBracketLinesSentinel, kNoText});
        });
}

} // namespace zv
