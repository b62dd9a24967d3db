#pragma once

#include "core/common/file_kind.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/time_list.h"

#include <QStringList>

#include <functional>
#include <span>
#include <vector>

namespace zv {

// Called from inside a load at most about every 100 ms with the lines done so far and their
// total, so that the caller can pump events and show progress without paying per line.
using LoadProgress = std::function<void(qsizetype done, qsizetype total)>;

struct LoadSettings {
    // Frames per second of the open media: -1 while a clip opens, 0 before any; below 1 the
    // frame loader assumes 25.
    double MediaFrameRate = 0;
    int TextDelay = 4; // seconds; fills an empty end frame
    TimeListShift shift;
    LoadProgress progress;
};

struct LoadResult {
    SubtitleTable table; // CurrentSubtitleFile empty: the caller sets the path
    TimeLists lists;
    qsizetype unrecognised = 0; // lines (bracket lines: tags) counted as not understood
    // Where they are, as 0-based indexes into the lines given (SubRip and MPL2 loaders only;
    // SubRip is given every line of the file, so these are file line numbers less one).
    std::vector<qsizetype> unrecognisedLines;
    bool failed = false;        // the load stopped early; table holds the lines read until then
};

// Frames per second used for frame lines, by the loader and the timer alike: the clip's rate,
// or 25 while none is known (no clip yet, one still opening, or a rate that is not a number).
double effectiveFrameRate(double mediaFrameRate);

// The loaders take the candidate lines of a classified file and build a complete new table;
// the lines' memory becomes the table's texts.
LoadResult LoadProc0(Utf8Lines lines, const LoadSettings &settings); // h:mm:ss:text
LoadResult LoadProc1(Utf8Lines lines, const LoadSettings &settings); // {start}{end}text
LoadResult LoadProc2(Utf8Lines lines, const LoadSettings &settings); // [mm:ss]text

LoadResult LoadSubRip(Utf8Lines lines, const LoadSettings &settings); // every line of the file
LoadResult LoadMpl2(Utf8Lines lines, const LoadSettings &settings);   // [ds][ds]text

// The same for lines held as strings.
inline LoadResult LoadProc0(const QStringList &lines, const LoadSettings &settings)
{
    return LoadProc0(Utf8Lines::fromStrings(lines), settings);
}
inline LoadResult LoadProc1(const QStringList &lines, const LoadSettings &settings)
{
    return LoadProc1(Utf8Lines::fromStrings(lines), settings);
}
inline LoadResult LoadProc2(const QStringList &lines, const LoadSettings &settings)
{
    return LoadProc2(Utf8Lines::fromStrings(lines), settings);
}

// How a failure that stops a whole load is reported.
enum class LoadFailureReport {
    General,     // the caller's general message
    FrameLoader, // the frame loader's own message
    Silent,      // swallowed
};

// What the classifier knows of a file when it asks the later formats whether they take it.
struct SubtitleSniff {
    QByteArrayView text;          // the file's bytes, BOM removed, in `encoding`
    TextEncoding encoding;
    const Utf8Lines &candidates;  // the candidate lines of the first-line rule
    FileKind original;            // what the first-line rule of the three line formats says
    bool subRipName;              // the name ends in ".srt"
};

// One row per subtitle line format; kind is the classifier's code for it.
struct SubtitleFormat {
    FileKind kind;
    const char *name;
    // nullptr for the three line formats, which the first-line rule tells apart; a later
    // format takes a file only where that rule fails it (or for its own extension).
    bool (*detect)(const SubtitleSniff &sniff);
    LoadResult (*parse)(Utf8Lines lines, const LoadSettings &settings);
    // Whether parse wants every line of the file rather than the candidate lines.
    bool wantsAllLines;
    int unrecognisedErrorCode; // ends the unrecognised-lines message
    LoadFailureReport failureReport;
};

std::span<const SubtitleFormat> subtitleFormats();

bool detectSubRip(const SubtitleSniff &sniff);
bool detectMpl2(const SubtitleSniff &sniff);
const SubtitleFormat *subtitleFormat(int kind); // nullptr for a kind that is no subtitle format

} // namespace zv
