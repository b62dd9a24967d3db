#include "core/subtitles/loader_support.h"

#include <algorithm>

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

QByteArray stripFormattingTags(QByteArrayView utf8)
{
    QByteArray out;
    if (!utf8.contains('<') && !utf8.contains('{'))
        return utf8.toByteArray();
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (c == '<' || c == '{') {
            if (const qsizetype len = tagLength(utf8, i)) {
                i += len;
                continue;
            }
        }
        out.append(c);
        ++i;
    }
    return out;
}

} // namespace zv::loader_support
