#pragma once

// Checks shared by the SubRip and MPL2 targets.

#include "core/common/text_codec.h"
#include "core/common/utf8_lines.h"
#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_writer.h"
#include "fuzz/fuzz_support.h"

namespace zv::fuzz {

// Every cue lies in [0, 2^31) ms with its end not before its start, the time table mirrors
// the cues and ends in the sentinel, and the bad lines are counted once each, in order.
inline void checkCueLoad(const LoadResult &r, qsizetype lineCount)
{
    ZV_FUZZ_CHECK(r.table.CueTimed());
    const auto cues = r.table.FrameTable();
    const auto times = r.table.TimeTable();
    ZV_FUZZ_CHECK(times.size() == cues.size() + 1);
    ZV_FUZZ_CHECK(r.table.start(times.size() - 1) == kCueLinesSentinel);
    for (qsizetype i = 0; i < cues.size(); ++i) {
        const FrameEntry c = cues[i];
        ZV_FUZZ_CHECK(c.startFrame >= 0 && c.endFrame >= c.startFrame);
        ZV_FUZZ_CHECK(r.table.start(i) == c.startFrame / 1000);
        ZV_FUZZ_CHECK(i == 0 || cues[i - 1].startFrame <= c.startFrame);
    }
    ZV_FUZZ_CHECK(r.unrecognised == qsizetype(r.unrecognisedLines.size()));
    for (size_t i = 0; i < r.unrecognisedLines.size(); ++i) {
        ZV_FUZZ_CHECK(r.unrecognisedLines[i] >= 0 && r.unrecognisedLines[i] < lineCount);
        ZV_FUZZ_CHECK(i == 0 || r.unrecognisedLines[i - 1] < r.unrecognisedLines[i]);
    }
}

// Every writer takes the lines; none may crash or write a negative time.
inline void writeEveryFormat(const LoadResult &r)
{
    const std::vector<SubtitleCue> cues = subtitleCues(r.table, 25);
    for (int f = 0; f <= int(SubtitleSaveFormat::Mpl2); ++f) {
        SubtitleSaveOptions o;
        o.format = SubtitleSaveFormat(f);
        o.frameRate = 23.976;
        o.frameEnds = true;
        const SubtitleSaveText text = formatSubtitles(cues, o);
        ZV_FUZZ_CHECK(text.clampedToZero == 0);
    }
}

// The lines a loader gets: the classifier's when it takes the bytes as `kind`, else the raw
// lines (the loader still has to survive them).
inline Utf8Lines cueLines(const uint8_t *data, size_t size, FileKind kind, bool asSrt)
{
    Utf8Lines lines;
    TextEncoding encoding = TextEncoding::Utf8;
    const QByteArray bytes = bytesOf(data, size);
    if (detectSubtitleFormatOfBytes(bytes, lines, &encoding, asSrt) != kind)
        lines = Utf8Lines::fromStrings(splitLines(QString::fromUtf8(bytes)));
    return lines;
}

// Written in `format` and loaded again by `load`: no bad line, and (when `sameTimes`) every
// cue back with its start and end.
template <class Load>
LoadResult writtenAndReadBack(const LoadResult &r, SubtitleSaveFormat format, Load load,
                              bool sameTimes)
{
    SubtitleSaveOptions o;
    o.format = format;
    const QString written = QString::fromUtf8(formatSubtitles(subtitleCues(r.table, 25), o).text);
    Utf8Lines again = Utf8Lines::fromStrings(splitLines(written));
    const qsizetype againCount = again.size();
    LoadResult back = load(std::move(again), LoadSettings{});
    checkCueLoad(back, againCount);
    if (sameTimes) {
        const auto a = r.table.FrameTable();
        const auto b = back.table.FrameTable();
        ZV_FUZZ_CHECK(a.size() == b.size());
        for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
            ZV_FUZZ_CHECK(a[i].startFrame == b[i].startFrame && a[i].endFrame == b[i].endFrame);
    }
    return back;
}

} // namespace zv::fuzz
