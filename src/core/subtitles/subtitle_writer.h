#pragma once

#include "core/common/text_codec.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/time_shift.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

namespace zv {

// Formats subtitles can be saved in. The first three are the options' SaveTextFormat 0..2.
enum class SubtitleSaveFormat { Tmp = 0, Mdvd = 1, Lrc = 2, Srt = 3, Mpl2 = 4 };

// "tmp", "mdvd", "lrc", "srt", "mpl2" (any letter case); nullopt for anything else.
std::optional<SubtitleSaveFormat> saveFormatByName(QStringView name);

// One line to save: seconds as the file gives them, at the finest precision it has; end NaN
// when the line has none of its own. The text is UTF-8, as the table keeps it, so that a large
// file is written without decoding and encoding every line.
struct SubtitleCue {
    double start = 0;
    double end = 0;
    QByteArray text;
};

// The lines of a loaded table, in table order, sentinel excluded. Frame files are read from
// their frame table (so nothing is lost to whole seconds) at `mediaFrameRate` (below 1: 25, as
// the loader assumes); SubRip and MPL2 keep their milliseconds and ends; time and bracket lines
// have no end. The texts are not copied: they point into the table, which must outlive them.
std::vector<SubtitleCue> subtitleCues(const SubtitleTable &table, double mediaFrameRate);

struct SubtitleSaveOptions {
    SubtitleSaveFormat format = SubtitleSaveFormat::Tmp;
    double frameRate = 0;   // MDVD: frames per second; below 1 (no film open) 25 is assumed
    int textDelay = 4;      // seconds: the end written for a line without one (SRT, MPL2)
    bool frameEnds = false; // MDVD: "{start}{end}" instead of "{start}{}"
    // Film time = subtitle time * factor + offset, applied when `correct` is set (the
    // ShiftFactorInverse and ShiftOffsetInverse of the correction).
    bool correct = false;
    ShiftCoefficients shift;
    PiecewiseShift pieces;  // used instead of `shift` when it holds pieces
};

struct SubtitleSaveText {
    QByteArray text;               // the file's text in UTF-8, "\r\n" after every line
    qsizetype lines = 0;           // subtitle lines written
    qsizetype clampedToZero = 0;   // lines whose corrected time fell before 0, written at 0
    qsizetype skippedEmpty = 0;    // SRT: lines without text (a blank would end the cue)
    qsizetype pastOneDay = 0;      // TMP: lines at 24 h or later, which no TMP reader takes
    bool assumedFrameRate = false; // MDVD with no frame rate known: 25 was used
};

// The latest time, in seconds, a line is written at: far past any film, and every rounded value
// stays exact in 64 bits. A later time would be written as this one.
inline constexpr double kLatestSubtitleTime = 1e12;

// False when the correction of `options` puts a line of the table past kLatestSubtitleTime.
bool subtitleTimesFit(const SubtitleTable &table, double mediaFrameRate, const SubtitleSaveOptions &options);

// The lines as the format writes them. TMP "h:mm:ss:text" and LRC "[mm:ss]text" (minutes
// within the hour) round to whole seconds and are trimmed; MDVD "{frame}{}text" is not
// trimmed; SRT keeps milliseconds and turns "|" into line breaks, with a no-break space on an
// empty display line (a blank line would end the cue); MPL2 writes deciseconds and doubles a
// "/" opening a display line (one alone marks italics).
// Every rounding is to the nearest, ties to even.
SubtitleSaveText formatSubtitles(const std::vector<SubtitleCue> &cues, const SubtitleSaveOptions &options);

// `utf8` in `preferred`: an 8-bit code page only when the file reads back as exactly this
// text, otherwise UTF-8 with a BOM. `*used` receives the encoding chosen.
QByteArray encodeSubtitleText(const QByteArray &utf8, TextEncoding preferred, TextEncoding *used = nullptr);

// Writes `utf8` atomically, encoded by encodeSubtitleText. On failure the old file is
// untouched and `*error` says why.
bool saveSubtitleFile(const QString &path, const QByteArray &utf8, TextEncoding preferred,
                      TextEncoding *used = nullptr, QString *error = nullptr);

// Receives formatted text piece by piece, each ending at a line's end; false stops the
// formatting (a failed write).
using SubtitleTextSink = std::function<bool(QByteArrayView)>;

// subtitleCues, formatSubtitles and encodeSubtitleText in one, without copying the table out,
// into `write`. In UTF-8 the text goes out piece by piece as it is formatted; a code page needs
// it whole, as it is kept only when all of it reads back, and goes out in one piece. False when
// a write failed. `*counts` gets the result without its text.
bool streamSubtitles(const SubtitleTable &table, double mediaFrameRate, const SubtitleSaveOptions &options,
                     TextEncoding preferred, const SubtitleTextSink &write, SubtitleSaveText *counts,
                     TextEncoding *used = nullptr);

// streamSubtitles into a file, atomically: on failure the old file is untouched and `*error`
// says why. `*counts` is empty when the file could not even be opened.
bool saveSubtitles(const QString &path, const SubtitleTable &table, double mediaFrameRate,
                   const SubtitleSaveOptions &options, TextEncoding preferred, SubtitleSaveText *counts,
                   TextEncoding *used = nullptr, QString *error = nullptr);

// "Zapisz tekst jako..." of the timing correction: the loaded table written in one of the
// formats, corrected when OffsetEnabled is on, in the encoding the file was read in.
struct CorrectedSaveRequest {
    SubtitleSaveFormat format = SubtitleSaveFormat::Tmp;
    double MediaFrameRate = 0;        // of the open film; below 1 (none) 25 is assumed for MDVD
    bool OffsetEnabled = false;
    ShiftCoefficients shift;          // its inverse pair maps the stored times
    TextEncoding encoding = TextEncoding::Utf8; // of the loaded file
};

struct CorrectedSaveResult {
    bool ok = false;
    QString error;                    // why the file could not be written; it is then untouched
    QString note;                     // Polish, for the status: what the file got other than asked
    qsizetype lines = 0;
    qsizetype clampedToZero = 0;
    qsizetype pastOneDay = 0;
    bool assumedFrameRate = false;
    TextEncoding used = TextEncoding::Utf8;
};

// The table is only read: saving over the loaded file replaces the file atomically and leaves
// the table as it is.
// `pieces`, when it holds any, is used instead of the request's pair.
CorrectedSaveResult ZapiszTekst(const SubtitleTable &table, const QString &path,
                                const CorrectedSaveRequest &request, const PiecewiseShift &pieces = {});

} // namespace zv
