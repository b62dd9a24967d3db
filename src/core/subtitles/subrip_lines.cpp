// SubRip: an optional counter line, "hh:mm:ss,mmm --> hh:mm:ss,mmm", text lines, a blank line.
// Italics and bold tags are kept as style marks; a tag left open ends with its cue.
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"

#include <optional>

namespace zv {

namespace {

bool isBlankByte(char c)
{
    return uint8_t(c) <= 0x20;
}

QByteArrayView trimmedBytes(QByteArrayView s)
{
    qsizetype first = 0, last = s.size();
    while (first < last && isBlankByte(s[first]))
        ++first;
    while (last > first && isBlankByte(s[last - 1]))
        --last;
    return s.sliced(first, last - first);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isCounterLine(QByteArrayView line)
{
    const QByteArrayView t = trimmedBytes(line);
    if (t.isEmpty() || t.size() > 18)
        return false;
    for (char c : t) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// One time "h:mm:ss,mmm" (a dot is taken for the comma, one to three fraction digits) at
// `at`, skipping blanks before it; milliseconds, nullopt when malformed. `at` moves past it.
std::optional<int64_t> parseTime(QByteArrayView s, qsizetype &at)
{
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t'))
        ++at;
    const auto number = [&](int minDigits, int maxDigits) -> std::optional<int64_t> {
        int64_t v = 0;
        int digits = 0;
        while (at < s.size() && isDigit(s[at]) && digits < maxDigits) {
            v = v * 10 + (s[at] - '0');
            ++at;
            ++digits;
        }
        if (digits < minDigits || (at < s.size() && isDigit(s[at])))
            return std::nullopt;
        return v;
    };
    const auto expect = [&](char c) {
        if (at < s.size() && s[at] == c) {
            ++at;
            return true;
        }
        return false;
    };
    const auto hours = number(1, 9);
    if (!hours || !expect(':'))
        return std::nullopt;
    const auto minutes = number(1, 2);
    if (!minutes || !expect(':'))
        return std::nullopt;
    const auto seconds = number(1, 2);
    if (!seconds || *minutes > 59 || *seconds > 59)
        return std::nullopt;
    int64_t ms = 0;
    if (expect(',') || expect('.')) {
        const qsizetype from = at;
        const auto fraction = number(1, 3);
        if (!fraction)
            return std::nullopt;
        ms = *fraction;
        for (qsizetype d = at - from; d < 3; ++d)
            ms *= 10; // ",5" is half a second
    }
    return ((*hours * 60 + *minutes) * 60 + *seconds) * 1000 + ms;
}

struct Timing {
    bool isTiming = false; // the line has the "-->" shape at all
    bool ok = false;       // and its times are usable
    int32_t start = 0, end = 0;
};

// "start --> end", anything after the end (position hints) ignored.
Timing parseTiming(QByteArrayView line)
{
    Timing r;
    const qsizetype arrow = line.indexOf("-->");
    if (arrow < 0)
        return r;
    qsizetype at = 0;
    const auto start = parseTime(line, at);
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (!start || at != arrow)
        return r;
    r.isTiming = true;
    at = arrow + 3;
    const auto end = parseTime(line, at);
    // Times go into 32-bit milliseconds (about 596 hours); a cue may not end before it starts.
    if (!end || *start > INT32_MAX || *end > INT32_MAX || *end < *start)
        return r;
    r.ok = true;
    r.start = int32_t(*start);
    r.end = int32_t(*end);
    return r;
}

bool startsWithBom(QByteArrayView s)
{
    return s.startsWith("\xEF\xBB\xBF");
}

// Whether the start of a file holds a good cue: a counter line and, after any blank lines, a
// timing line with usable times (for a .srt, such a timing line alone). A first cue with a typo
// in its arrow, a negative time or a title line in front then does not hide a file whose other
// cues are fine. Only lines that end inside the first kSubRipSearchBytes count, so that a
// prefix of the file that long gives the whole file's answer.
bool goodCueNearStart(QByteArrayView text, bool subRipName)
{
    const bool whole = text.size() <= loader_support::kSubRipSearchBytes;
    const QByteArrayView window = whole ? text : text.first(loader_support::kSubRipSearchBytes);
    bool afterCounter = false;
    for (qsizetype from = 0; from < window.size();) {
        qsizetype eol = from;
        while (eol < window.size() && window[eol] != '\n' && window[eol] != '\r')
            ++eol;
        if (eol == window.size() && !whole)
            break; // the line goes on past the window
        const QByteArrayView line = window.sliced(from, eol - from);
        from = eol + 1;
        if (trimmedBytes(line).isEmpty())
            continue;
        if ((afterCounter || subRipName) && parseTiming(line).ok)
            return true;
        afterCounter = isCounterLine(line);
    }
    return false;
}

} // namespace

bool detectSubRip(const SubtitleSniff &sniff)
{
    // The three line formats keep every .txt they can read: only a file they fail, or one named
    // .srt, is looked at.
    if (sniff.original != kindUnrecognisedSubtitle && !sniff.subRipName)
        return false;
    QByteArrayView rest = sniff.text;
    // The first two non-blank lines: a counter and a timing line (a .srt may lack the counter).
    QByteArrayView found[2];
    int n = 0;
    while (!rest.isEmpty() && n < 2) {
        qsizetype eol = 0;
        while (eol < rest.size() && rest[eol] != '\n' && rest[eol] != '\r')
            ++eol;
        const QByteArrayView line = rest.first(eol);
        rest = rest.sliced(eol < rest.size() ? eol + 1 : eol);
        if (!trimmedBytes(line).isEmpty())
            found[n++] = line;
    }
    if (n >= 1 && sniff.subRipName && parseTiming(found[0]).isTiming)
        return true;
    if (n == 2 && isCounterLine(found[0]) && parseTiming(found[1]).isTiming)
        return true;
    return goodCueNearStart(sniff.text, sniff.subRipName);
}

LoadResult LoadSubRip(Utf8Lines lines, const LoadSettings &settings)
{
    LoadResult result;
    Utf8Lines texts;
    std::vector<FrameRow> cues;
    const qsizetype count = lines.size();
    enum class State { Between, Text, Skipping } state = State::Between;
    QByteArray text;
    int32_t start = 0, end = 0;
    bool firstTextLine = true;

    const auto bad = [&](qsizetype i) {
        ++result.unrecognised;
        result.unrecognisedLines.push_back(i);
        state = State::Skipping;
    };
    const auto finishCue = [&] {
        if (state == State::Text) {
            const uint32_t id = uint32_t(texts.size());
            texts.appendValidUtf8(loader_support::styledFromMarkup(text));
            cues.push_back({start, end, id});
        }
        text.clear();
        state = State::Between;
    };
    const auto lineAt = [&](qsizetype i) {
        QByteArrayView l = lines.line(i);
        return i == 0 && startsWithBom(l) ? l.sliced(3) : l;
    };
    // A cue starts at a timing line, or at a counter line followed by one. Between cues, blank
    // lines may stand between the counter and its timing; inside a cue's text a number followed
    // by a blank line is text.
    const auto beginsCue = [&](qsizetype i, QByteArrayView line, bool blanksBefore) {
        if (!isCounterLine(line))
            return false;
        qsizetype next = i + 1;
        while (blanksBefore && next < count && trimmedBytes(lineAt(next)).isEmpty())
            ++next;
        return next < count && parseTiming(lineAt(next)).isTiming;
    };

    try {
        loader_support::ProgressTicker progress(settings.progress, count);
        for (qsizetype i = 0; i < count; ++i) {
            progress.step(i);
            const QByteArrayView line = lineAt(i);
            const bool blank = trimmedBytes(line).isEmpty();
            if (blank) {
                finishCue();
                continue;
            }
            const Timing timing = parseTiming(line);
            const bool between = state == State::Between;
            if (state == State::Text && !timing.isTiming && !beginsCue(i, line, false)) {
                if (!firstTextLine)
                    text.append('|');
                text.append(line.data(), line.size());
                firstTextLine = false;
                continue;
            }
            if (state == State::Skipping && !timing.isTiming && !beginsCue(i, line, false))
                continue; // the rest of a bad cue
            finishCue();
            if (timing.isTiming) {
                if (!timing.ok) {
                    bad(i);
                    continue;
                }
                start = timing.start;
                end = timing.end;
                firstTextLine = true;
                state = State::Text;
            } else if (beginsCue(i, line, between)) {
                // The counter; its value is not checked (files renumbered by hand are common).
            } else {
                bad(i);
            }
        }
        finishCue();
    } catch (const std::exception &) {
        result.failed = true;
    }
    return loader_support::finishCueLoad(std::move(result), std::move(texts), std::move(cues), settings);
}

} // namespace zv
