#pragma once

#include "core/subtitles/subtitle_loader.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <exception>

// Pieces shared by the three line-format loaders.
namespace zv::loader_support {

// How far into a file (BOM removed) the SubRip detector looks for a first good cue. The
// classifier judges a scanned file from a prefix of about 4 KB, which must hold this much.
inline constexpr qsizetype kSubRipSearchBytes = 3 * 1024;

// What one line (or one bracket tag) turned out to be.
enum class LineStatus { Ok, Skipped, Unrecognised };

// Calls the progress callback at most about every 100 ms; the clock is looked at only every
// 1024 lines, so a normal line costs one test and branch.
class ProgressTicker {
public:
    ProgressTicker(const LoadProgress &callback, qsizetype total);
    void step(qsizetype done)
    {
        if (callback_ && done != 0 && (done & 1023) == 0)
            report(done);
    }

private:
    void report(qsizetype done);

    const LoadProgress &callback_;
    qsizetype total_;
    QElapsedTimer clock_;
};

// The loop every loader runs: `prepare(count)` once, `step(rewriter, line)` per candidate line
// in file order (keeping a line's text turns it into a text of the table, in the same memory),
// then `close()`. Progress is reported on the way. Returns false when the load stopped early
// (out of memory on a huge file); `texts` receives the texts kept until then either way.
template <typename Prepare, typename Step, typename Close>
bool walkLines(Utf8Lines lines, const LoadSettings &settings, Utf8Lines &texts, Prepare prepare,
               Step step, Close close)
{
    Utf8Lines::Rewriter rewriter(std::move(lines));
    bool complete = true;
    try {
        prepare(rewriter.count());
        ProgressTicker progress(settings.progress, rewriter.count());
        for (qsizetype i = 0; i < rewriter.count(); ++i) {
            progress.step(i);
            step(rewriter, rewriter.next());
        }
        close();
    } catch (const std::exception &) {
        complete = false;
    }
    texts = rewriter.finish();
    return complete;
}

// Time and bracket lines: `step(rewriter, line, rows, unrecognised)` per line adds rows of
// (start second, text) and counts what it cannot read; `close(rows)` places the sentinel.
template <typename Step, typename Close>
LoadResult loadTimeRows(Utf8Lines lines, const LoadSettings &settings, Step step, Close close)
{
    LoadResult result;
    std::vector<TimeRow> rows;
    Utf8Lines texts;
    const bool complete = walkLines(
        std::move(lines), settings, texts, [&](qsizetype count) { rows.reserve(size_t(count) + 1); },
        [&](Utf8Lines::Rewriter &rewriter, QByteArrayView line) {
            step(rewriter, line, rows, result.unrecognised);
        },
        [&] { close(rows); });
    result.failed = !complete;
    result.table = SubtitleTable::fromTimeRows(std::move(texts), std::move(rows));
    result.lists = LadujOpisyDoOpcji(result.table, settings.shift);
    return result;
}

// SubRip and MPL2: cues of [start, end) milliseconds in file order become a table sorted by
// start (stable), with one time row per cue at its start second and the sentinel.
LoadResult finishCueLoad(LoadResult result, Utf8Lines texts, std::vector<FrameRow> cues,
                         const LoadSettings &settings);

// Reads a text's markup: italics and bold ("<i>", "</i>", "<b>", "</b>" in any case, "\i1",
// "\i0", "\b1", "\b0" inside "{\...}" blocks) become the style marks of styled_text.h; other
// tags ("<font ...>", "{\an8}") are dropped; mark characters the file itself holds are dropped,
// so a file cannot forge them. Other text, "<" and "{" included, is kept. A mark is written only
// where the style of the next character changes: a tag left open ends with the text.
class MarkupReader {
public:
    // Italics for what follows whatever the tags say (MPL2's "/" display lines).
    void setForcedItalic(bool on) { forcedItalic_ = on; }
    void append(QByteArrayView utf8);
    void appendChar(char c);
    QByteArray take();

private:
    void put(QByteArrayView run); // text without markup, after the marks its style needs

    QByteArray out_;
    bool italic_ = false, bold_ = false, forcedItalic_ = false;
    bool shownItalic_ = false, shownBold_ = false;
};

// A whole text through a fresh MarkupReader; a text without markup is copied as it is.
QByteArray styledFromMarkup(QByteArrayView utf8);

// The line parsers are written once for characters and run on a line's UTF-8 bytes when that
// gives the same answer: when the part of the line the format's fields occupy is ASCII, byte
// positions are character positions there. Otherwise the line is decoded and parsed as
// characters, and `textFrom` (where the text begins) is turned back into a byte offset.
template <typename Parsed, typename Parse>
Parsed parseUtf8Line(QByteArrayView line, bool bytesSuffice, Parse parse)
{
    if (bytesSuffice)
        return parse(line);
    const QString wide = QString::fromUtf8(line);
    Parsed r = parse(QStringView(wide));
    r.textFrom = utf8OffsetOfUtf16Index(line, r.textFrom);
    return r;
}

// The same few operations on characters and on bytes, for the parsers.
inline char16_t unitAt(QStringView s, qsizetype i) { return s[i].unicode(); }
inline char16_t unitAt(QByteArrayView s, qsizetype i) { return uint8_t(s[i]); }
inline qsizetype indexOf(QStringView s, char c, qsizetype from = 0) { return s.indexOf(QLatin1Char(c), from); }
// The fields sit at the start of a line: a few bytes are looked at in place before a call to
// memchr, which costs more than the search itself over so short a distance.
inline qsizetype indexOf(QByteArrayView s, char c, qsizetype from = 0)
{
    const qsizetype n = s.size();
    const qsizetype near = std::min(n, from + 32);
    for (qsizetype i = from; i < near; ++i) {
        if (s.data()[i] == c)
            return i;
    }
    if (near >= n)
        return -1;
    const void *hit = std::memchr(s.data() + near, c, size_t(n - near));
    return hit ? static_cast<const char *>(hit) - s.data() : -1;
}
inline qsizetype lastIndexOf(QStringView s, char c) { return s.lastIndexOf(QLatin1Char(c)); }
inline qsizetype lastIndexOf(QByteArrayView s, char c)
{
    const void *hit = s.isEmpty() ? nullptr : ::memrchr(s.data(), c, size_t(s.size()));
    return hit ? static_cast<const char *>(hit) - s.data() : -1;
}

} // namespace zv::loader_support
