// MPL2: "[start][end]text", times in deciseconds; a "/" opening a display line marks italics,
// kept as style marks like the tags SubRip files also put in MPL2 ones.
// The loader gets every line of the file, so a bad line is counted where it stands.
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

#include <algorithm>
#include <optional>

namespace zv {

namespace {

// "[digits]" at `at`: the number (blanks around it allowed), nullopt when malformed, and
// empty when the brackets hold nothing. `at` moves past the "]".
struct Field {
    bool ok = false;
    bool empty = false;
    int64_t value = 0;
};

Field bracketField(QByteArrayView s, qsizetype &at)
{
    Field f;
    if (at >= s.size() || s[at] != '[')
        return f;
    const qsizetype close = s.indexOf(']', at + 1);
    if (close < 0)
        return f;
    QByteArrayView inside = s.sliced(at + 1, close - at - 1).trimmed();
    at = close + 1;
    if (inside.isEmpty()) {
        f.ok = f.empty = true;
        return f;
    }
    // Digits only: a sign, a fraction or a letter makes the line bad.
    if (inside.size() > 12)
        return f;
    for (char c : inside) {
        if (c < '0' || c > '9')
            return f;
        f.value = f.value * 10 + (c - '0');
    }
    f.ok = true;
    return f;
}

// The text with its markup read: a "/" opening a display line puts that line in italics, and
// "//" there is a "/" of the text itself (what the writer puts for one).
QByteArray styledText(QByteArrayView text)
{
    loader_support::MarkupReader reader;
    for (;;) {
        const qsizetype bar = text.indexOf('|');
        QByteArrayView line = bar < 0 ? text : text.first(bar);
        const bool slash = line.startsWith('/');
        reader.setForcedItalic(slash && !line.startsWith("//"));
        reader.append(slash ? line.sliced(1) : line);
        if (bar < 0)
            break;
        reader.setForcedItalic(false);
        reader.appendChar('|');
        text = text.sliced(bar + 1);
    }
    return reader.take();
}

bool startsLikeMpl2(QByteArrayView line)
{
    // "[digits][" at the very start of the line.
    if (line.size() < 4 || line[0] != '[')
        return false;
    qsizetype i = 1;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    return i > 1 && i + 1 < line.size() && line[i] == ']' && line[i + 1] == '[';
}

// "[mm:ss" at the start: a line of the bracket format proper.
bool startsWithBracketTag(QByteArrayView line)
{
    const auto digit = [&](qsizetype i) { return line[i] >= '0' && line[i] <= '9'; };
    return line.size() >= 6 && line[0] == '[' && digit(1) && digit(2) && line[3] == ':' && digit(4)
        && digit(5);
}

} // namespace

bool detectMpl2(const SubtitleSniff &sniff)
{
    // Only a bracket file without a single "[mm:ss" line. The bracket loader does not look at
    // the colon, so it "reads" MPL2 lines such as [12345][12400] as 12:45; such a file has no
    // real bracket line, and counting those accidental reads would leave most MPL2 files longer
    // than a quarter of an hour as garbage bracket files.
    if (sniff.original != kindBracketSubtitle || !startsLikeMpl2(sniff.candidates.line(0)))
        return false;
    for (qsizetype i = 0; i < sniff.candidates.size(); ++i) {
        if (startsWithBracketTag(sniff.candidates.line(i)))
            return false;
    }
    return true;
}

LoadResult LoadMpl2(Utf8Lines lines, const LoadSettings &settings)
{
    LoadResult result;
    Utf8Lines texts;
    std::vector<FrameRow> cues;
    // A missing end lasts TextDelay seconds, as an empty frame end does.
    const int64_t delayMs = int64_t(std::clamp(settings.TextDelay, 0, 86400)) * 1000;
    try {
        loader_support::ProgressTicker progress(settings.progress, lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            progress.step(i);
            const QByteArrayView line = lines.line(i);
            if (subtitle_text::isBlank(line))
                continue;
            qsizetype at = 0;
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
                ++at;
            const Field start = bracketField(line, at);
            const Field end = start.ok && !start.empty ? bracketField(line, at) : Field{};
            const int64_t startMs = start.value * 100;
            const int64_t endMs = end.empty ? startMs + delayMs : end.value * 100;
            if (!start.ok || start.empty || !end.ok || endMs > INT32_MAX || endMs < startMs) {
                ++result.unrecognised;
                result.unrecognisedLines.push_back(i);
                continue;
            }
            const uint32_t id = uint32_t(texts.size());
            texts.appendValidUtf8(styledText(line.sliced(at)));
            cues.push_back({int32_t(startMs), int32_t(endMs), id});
        }
    } catch (const std::exception &) {
        result.failed = true;
    }
    return loader_support::finishCueLoad(std::move(result), std::move(texts), std::move(cues), settings);
}

} // namespace zv
