#include "core/subtitles/loader_support.h"

#include "core/subtitles/styled_text.h"

#include <algorithm>
#include <optional>

namespace zv::loader_support {

namespace {
constexpr qint64 kProgressIntervalMs = 100;
}

ProgressTicker::ProgressTicker(const LoadProgress &callback, qsizetype total)
    : callback_(callback), total_(total)
{
    if (callback_)
        clock_.start();
}

void ProgressTicker::report(qsizetype done)
{
    if (clock_.elapsed() < kProgressIntervalMs)
        return;
    callback_(done, total_);
    clock_.restart();
}

LoadResult finishCueLoad(LoadResult result, Utf8Lines texts, std::vector<FrameRow> cues,
                         const LoadSettings &settings)
{
    std::stable_sort(cues.begin(), cues.end(),
                     [](const FrameRow &a, const FrameRow &b) { return a.startFrame < b.startFrame; });
    std::vector<TimeRow> times;
    times.reserve(cues.size() + 1);
    for (const FrameRow &c : cues)
        times.push_back({c.startFrame / 1000, c.text}); // starts are never negative
    times.push_back({kCueLinesSentinel, kNoText});
    result.table = SubtitleTable::fromCueRows(std::move(texts), std::move(cues), std::move(times));
    result.lists = LadujOpisyDoOpcji(result.table, settings.shift);
    return result;
}

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Length of a tag starting at `at` ("<i>", "</font>", "<font color=...>", "{\an8}"), 0 when
// none starts there. Tags are short; a lone "<" or "{" in the text stays.
qsizetype tagLength(QByteArrayView s, qsizetype at)
{
    constexpr qsizetype kMaxTag = 128;
    const qsizetype n = s.size();
    if (s[at] == '<') {
        qsizetype i = at + 1;
        if (i < n && s[i] == '/')
            ++i;
        if (i >= n || !isAsciiLetter(s[i]))
            return 0;
        for (; i < n && i - at < kMaxTag; ++i) {
            if (s[i] == '>')
                return i - at + 1;
            if (s[i] == '<')
                return 0;
        }
        return 0;
    }
    if (s[at] == '{' && at + 1 < n && s[at + 1] == '\\') {
        for (qsizetype i = at + 2; i < n && i - at < kMaxTag; ++i) {
            if (s[i] == '}')
                return i - at + 1;
        }
    }
    return 0;
}

} // namespace

namespace {

bool isMarkByte(char c)
{
    return styled_text::isMark(uint8_t(c));
}

// "i1", "I0", "b1", "b700" (an ASS weight): which style and whether on; nullopt for any other
// override ("\blur3", "\bord2", "\an8").
struct Switch {
    bool italic;
    bool on;
};
std::optional<Switch> styleSwitch(QByteArrayView o)
{
    if (o.size() < 2 || o.size() > 4)
        return std::nullopt;
    const char name = char(o[0] | 0x20);
    if (name != 'i' && name != 'b')
        return std::nullopt;
    int value = 0;
    for (char c : o.sliced(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return Switch{name == 'i', value != 0};
}

// Whether a tag's inside ("i", "/B") is `name`, in any case.
bool isTag(QByteArrayView tag, const char *name)
{
    return tag.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0;
}

} // namespace

void MarkupReader::put(QByteArrayView run)
{
    const bool italic = italic_ || forcedItalic_;
    if (italic != shownItalic_) {
        out_.append(italic ? styled_text::kItalicOn : styled_text::kItalicOff);
        shownItalic_ = italic;
    }
    if (bold_ != shownBold_) {
        out_.append(bold_ ? styled_text::kBoldOn : styled_text::kBoldOff);
        shownBold_ = bold_;
    }
    out_.append(run.data(), run.size());
}

void MarkupReader::appendChar(char c)
{
    if (!isMarkByte(c))
        put(QByteArrayView(&c, 1));
}

void MarkupReader::append(QByteArrayView utf8)
{
    const qsizetype n = utf8.size();
    for (qsizetype i = 0; i < n;) {
        // Text up to the next byte that may begin markup goes out in one piece.
        qsizetype j = i;
        while (j < n && utf8[j] != '<' && utf8[j] != '{' && !isMarkByte(utf8[j]))
            ++j;
        if (j > i)
            put(utf8.sliced(i, j - i));
        if (j == n)
            break;
        const char c = utf8[j];
        const qsizetype len = isMarkByte(c) ? 0 : tagLength(utf8, j);
        i = j + 1;
        if (isMarkByte(c))
            continue; // the file's own: dropped
        if (len == 0) {
            put(utf8.sliced(j, 1));
            continue;
        }
        i = j + len;
        if (c == '<') {
            const QByteArrayView tag = utf8.sliced(j + 1, len - 2);
            if (isTag(tag, "i") || isTag(tag, "/i"))
                italic_ = tag.size() == 1;
            else if (isTag(tag, "b") || isTag(tag, "/b"))
                bold_ = tag.size() == 1;
            continue;
        }
        // "{\an8\i1}": every override of the block in turn.
        const QByteArrayView block = utf8.sliced(j + 2, len - 3);
        for (qsizetype from = 0; from <= block.size();) {
            qsizetype to = block.indexOf('\\', from);
            if (to < 0)
                to = block.size();
            if (const auto s = styleSwitch(block.sliced(from, to - from).trimmed()))
                (s->italic ? italic_ : bold_) = s->on;
            from = to + 1;
        }
    }
}

QByteArray MarkupReader::take()
{
    QByteArray out = std::move(out_);
    *this = MarkupReader();
    return out;
}

QByteArray styledFromMarkup(QByteArrayView utf8)
{
    if (!utf8.contains('<') && !utf8.contains('{') && !styled_text::hasMarks(utf8))
        return utf8.toByteArray();
    MarkupReader reader;
    reader.append(utf8);
    return reader.take();
}

} // namespace zv::loader_support
