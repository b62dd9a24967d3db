#pragma once

#include "core/common/text_codec.h"
#include "core/common/utf8_lines.h"
#include "core/common/file_kind.h"

#include <QString>
#include <QStringView>

namespace zv {

// The subtitle open dialog's pattern.
inline constexpr char16_t kSubtitleExtensionPattern[] = u"*.txt;*.lrc;*.sfl;*.srt";
// The line formats' part of it: an extension that occurs anywhere inside it sends the file to
// the content test; ".srt", ".sub" and ".mpl" do only as a whole, for their own formats.
inline constexpr char16_t kLineFormatExtensionPattern[] = u"*.txt;*.lrc;*.sfl";

// Subtitle files larger than this are not read at all (kindUnreadable): real ones are a few
// hundred kilobytes, and the whole file is held in memory as lines; a million-line file is
// about 70 MB.
inline constexpr qint64 kMaxSubtitleFileBytes = 256 * 1024 * 1024;

// Classifies `path` (the first rule that applies decides):
//   attributes unreadable -> kindMissing, or kindUnrecognisedSubtitle when a directory entry of
//   that name exists (a dangling or looping symbolic link); ".m3u"/".zvl" -> kindPlaylist, even
//   for a folder; folder -> kindFolder; extension inside `fileTypes` ("/"-separated, substring
//   match, case-insensitive) -> kindMedia; extension inside the line formats' pattern -> content
//   test; ".srt" holding SubRip -> kindSubRipSubtitle, ".sub" starting with frame lines ->
//   kindFrameSubtitle, ".mpl" holding MPL2 -> kindMpl2Subtitle; otherwise kindMedia when
//   `mediaFallback`, else kindOther.
// The content test reads the file into `scratchLines`, keeps only the candidate lines (in file
// order, untouched) and decides the format from the first one. `scratchLines` is left alone for
// paths that never reach the content test and emptied when the file cannot be read. When the
// file was read, `*encoding` (if given) receives the encoding it was decoded from, so that it
// can be written back the same way.
// Only regular files are opened; FIFOs, sockets and devices are kindUnreadable.
FileKind GetTyp(const QString &path, bool mediaFallback, const QString &fileTypes,
                Utf8Lines &scratchLines, TextEncoding *encoding = nullptr);

// GetTyp with the `fileTypes` text prepared once, for callers that classify many paths.
class FileClassifier {
public:
    explicit FileClassifier(const QString &fileTypes);

    FileKind classify(const QString &path, bool mediaFallback, Utf8Lines &scratchLines,
                      TextEncoding *encoding = nullptr) const;

    // The rules after the attribute test, for an entry already known to exist (a folder scan
    // knows this from the directory listing and saves a stat per file).
    FileKind classifyExisting(const QString &path, bool isDirectory, bool mediaFallback,
                              Utf8Lines &scratchLines, TextEncoding *encoding = nullptr) const;
    // The same kind without the lines, for a scan that only collects paths: subtitle files are
    // judged from their first kilobytes where those decide (see detectSubtitleKind).
    // A scan opens the file by `name` inside the folder open as `dirFd`, saving a path walk.
    FileKind kindOfExisting(const QString &path, bool isDirectory, bool mediaFallback,
                            int dirFd = -1, const char *name = nullptr) const;

private:
    FileKind classifyEntry(const QString &path, bool isDirectory, bool mediaFallback,
                           Utf8Lines *scratchLines, TextEncoding *encoding, int dirFd = -1,
                           const char *name = nullptr) const;

    QString fileTypesLower_;
};

// The extension of the last path component, from its last "." on (dot included); empty when
// the name has no dot.
QStringView fileExtension(QStringView path);

// True when the name ends in ".srt", any letter case.
bool hasSubRipExtension(QStringView path);

// True when the name says playlist (".m3u", ".zvl", any letter case), the rule GetTyp applies.
bool hasPlaylistExtension(QStringView path);

// The content test alone: reads a regular file and decides its subtitle format.
FileKind detectSubtitleFormat(const QString &path, Utf8Lines &scratchLines,
                              TextEncoding *encoding = nullptr);

// The kind detectSubtitleFormat gives, reading only a bounded prefix of a larger file when that
// decides: the first candidate line, when its first characters are ASCII, and the first two
// lines that are not blank. Anything else (an MPL2 candidate among them) reads the whole file.
// `name`, when given, is opened inside the folder open as `dirFd` instead of `path`.
FileKind detectSubtitleKind(const QString &path, bool subRipName, int dirFd = -1,
                            const QByteArray &name = QByteArray());

// The same for a file's bytes already in memory. `subRipName`: the file's name ends in ".srt".
// A file the first-line rule reads keeps that kind; SubRip takes one it fails (or any .srt
// that looks like SubRip), and then `scratchLines` holds every line of the file, not only the
// candidates; MPL2 takes a bracket file whose lines the bracket loader would all reject.
FileKind detectSubtitleFormatOfBytes(QByteArray bytes, Utf8Lines &scratchLines,
                                     TextEncoding *encoding = nullptr, bool subRipName = false);

// Whether the content test keeps a line of the file (its bytes, any encoding) as a candidate.
bool isSubtitleCandidateLine(QByteArrayView line);

// The format of a candidate line as it stands in the file (leading blanks kept).
FileKind subtitleFormatOfLine(QStringView line);

} // namespace zv
