#include "core/files/get_typ.h"

#include "core/subtitles/subtitle_loader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {

// A line can start a subtitle only if, trimmed, it begins with a digit or a bracket and its
// second character (when it has one) is a digit or a colon. Comments, blank lines and text
// lines are dropped this way wherever they stand. Judged on the file's own bytes: blanks,
// digits and brackets are ASCII in every encoding read, and no other byte is one of them.
bool isCandidateLine(QByteArrayView line)
{
    const auto blank = [](char c) { return uint8_t(c) <= 0x20; };
    qsizetype first = 0;
    qsizetype last = line.size() - 1;
    while (first <= last && blank(line[first]))
        ++first;
    while (last >= first && blank(line[last]))
        --last;
    if (first > last)
        return false;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(line[first]) && line[first] != '[' && line[first] != '{')
        return false;
    return last == first || digit(line[first + 1]) || line[first + 1] == ':';
}

qsizetype countLineFeeds(QByteArrayView bytes)
{
    qsizetype n = 0;
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))))) {
        ++n;
        ++p;
    }
    return n;
}

// Appends the candidate lines of `text` to `lines`, decoded from `encoding`. For plain UTF-8
// every line must be valid: returns false, with `lines` emptied, at the first that is not.
bool splitCandidateLines(QByteArrayView text, TextEncoding encoding, Utf8Lines &lines,
                         bool allLines = false)
{
    const bool strictUtf8 = encoding == TextEncoding::Utf8;
    // Subtitle files are nearly all candidate lines: room for all of them saves regrowing.
    lines.clear();
    lines.reserve(text.size() + text.size() / 16, countLineFeeds(text) + 1);
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *eol = p;
        while (eol < end && *eol != '\n' && *eol != '\r')
            ++eol;
        const QByteArrayView line(p, eol - p);
        const bool candidate = allLines || isCandidateLine(line);
        if (strictUtf8) {
            // Line breaks never occur inside a UTF-8 sequence, so checking every line checks
            // the file.
            if (!isValidUtf8(line)) {
                lines.clear();
                return false;
            }
            if (candidate)
                lines.appendValidUtf8(line);
        } else if (candidate) {
            lines.appendDecoded(line, encoding);
        }
        p = eol;
        if (p < end)
            p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
    }
    return true;
}

// Reads a whole regular file, refusing anything that could block (FIFOs, devices) or that is
// too large to be a subtitle file. The type is checked on the opened descriptor, so a file
// swapped for a FIFO after the caller's stat cannot hang us.
bool readRegularFile(const QString &path, QByteArray &out)
{
    if (path.contains(QChar(0)))
        return false;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxSubtitleFileBytes)
        return false;

    // One byte more than the size, so that the read that sees the end needs no larger buffer
    // (growing would copy the whole file).
    out.resize(qsizetype(st.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == out.size()) {
            // The file may have grown since fstat; keep reading up to the limit.
            if (out.size() > kMaxSubtitleFileBytes)
                return false;
            out.resize(std::min<qsizetype>(out.size() + 64 * 1024, kMaxSubtitleFileBytes + 1));
        }
        const ssize_t n = ::read(fd, out.data() + filled, size_t(out.size() - filled));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        filled += n;
    }
    if (filled > kMaxSubtitleFileBytes)
        return false;
    out.truncate(filled);
    return true;
}

} // namespace

bool isSubtitleCandidateLine(QByteArrayView line)
{
    return isCandidateLine(line);
}

QStringView fileExtension(QStringView path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QStringView name = path.sliced(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : name.sliced(dot);
}

FileKind subtitleFormatOfLine(QStringView line)
{
    if (line.startsWith(u'{'))
        return kindFrameSubtitle;
    if (line.startsWith(u'['))
        return kindBracketSubtitle;
    // Characters 2 to 5 (1-based), as far as the line reaches.
    for (qsizetype i = 1; i <= 4 && i < line.size(); ++i) {
        if (line[i] == u':')
            return kindTimeSubtitle;
    }
    return kindUnrecognisedSubtitle;
}

FileKind detectSubtitleFormat(const QString &path, Utf8Lines &scratchLines, TextEncoding *encoding)
{
    scratchLines.clear();
    QByteArray bytes;
    if (!readRegularFile(path, bytes))
        return kindUnreadable;
    return detectSubtitleFormatOfBytes(std::move(bytes), scratchLines, encoding,
                                       hasSubRipExtension(path));
}

FileKind detectSubtitleFormatOfBytes(QByteArray bytes, Utf8Lines &scratchLines, TextEncoding *encoding,
                                     bool subRipName)
{
    scratchLines.clear();

    // Lines are decoded one at a time into UTF-8 and only candidate lines are kept, so the
    // whole decoded text never exists next to the line list. A file without a BOM is split as
    // UTF-8 while every line checks out, which for a UTF-8 file is all of them, so it is not
    // also checked whole beforehand; a line that is not UTF-8 makes the file an 8-bit one
    // (detectEncoding's rule) and the split starts again in that encoding.
    QByteArrayView rest(bytes);
    TextEncoding enc = TextEncoding::Utf8;
    if (rest.startsWith("\xEF\xBB\xBF")) {
        rest = rest.sliced(3);
        enc = TextEncoding::Utf8Bom;
    }
    if (!splitCandidateLines(rest, enc, scratchLines)) {
        enc = detectEncoding(bytes);
        splitCandidateLines(rest, enc, scratchLines);
    }
    if (encoding)
        *encoding = enc;
    if (scratchLines.isEmpty())
        return kindUnreadable;
    FileKind kind = subtitleFormatOfLine(scratchLines.at(0));
    // The later formats may take what the first-line rule fails (or a file named for them).
    const SubtitleSniff sniff{rest, enc, scratchLines, kind, subRipName};
    for (const SubtitleFormat &format : subtitleFormats()) {
        if (format.detect && format.detect(sniff)) {
            kind = format.kind;
            if (format.wantsAllLines)
                splitCandidateLines(rest, enc, scratchLines, true);
            break;
        }
    }
    return kind;
}

FileClassifier::FileClassifier(const QString &fileTypes)
    : fileTypesLower_(fileTypes.toLower())
{
}

FileKind FileClassifier::classify(const QString &path, bool mediaFallback, Utf8Lines &scratchLines,
                                  TextEncoding *encoding) const
{
    // A NUL would cut the native path short and name some other file.
    if (path.isEmpty() || path.contains(QChar(0)))
        return kindMissing;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        // A directory entry that cannot be followed (dangling or looping link) exists but has
        // no readable attributes.
        struct stat lst {};
        return ::lstat(native.constData(), &lst) == 0 ? kindUnrecognisedSubtitle : kindMissing;
    }
    return classifyExisting(path, S_ISDIR(st.st_mode), mediaFallback, scratchLines, encoding);
}

FileKind FileClassifier::classifyExisting(const QString &path, bool isDirectory, bool mediaFallback,
                                          Utf8Lines &scratchLines, TextEncoding *encoding) const
{
    if (hasPlaylistExtension(path))
        return kindPlaylist;
    const QString extLower = fileExtension(path).toString().toLower();
    if (isDirectory)
        return kindFolder;

    const QStringView bare = QStringView(extLower).sliced(extLower.isEmpty() ? 0 : 1);
    if (!bare.isEmpty() && fileTypesLower_.contains(bare))
        return kindMedia;

    // The line formats' extensions match as substrings of their pattern, as they always did.
    if (!extLower.isEmpty() && QStringView(kLineFormatExtensionPattern).contains(extLower))
        return detectSubtitleFormat(path, scratchLines, encoding);
    // ".srt" only whole, so that no other name changes its kind, and only for SubRip content:
    // any other .srt stays what it always was.
    if (extLower == u".srt") {
        Utf8Lines lines;
        TextEncoding enc = TextEncoding::Utf8;
        if (detectSubtitleFormat(path, lines, &enc) == kindSubRipSubtitle) {
            scratchLines = std::move(lines);
            if (encoding)
                *encoding = enc;
            return kindSubRipSubtitle;
        }
    }

    return mediaFallback ? kindMedia : kindOther;
}

bool hasSubRipExtension(QStringView path)
{
    return fileExtension(path).compare(u".srt", Qt::CaseInsensitive) == 0;
}

bool hasPlaylistExtension(QStringView path)
{
    const QStringView ext = fileExtension(path);
    return ext.compare(u".m3u", Qt::CaseInsensitive) == 0 || ext.compare(u".zvl", Qt::CaseInsensitive) == 0;
}

FileKind GetTyp(const QString &path, bool mediaFallback, const QString &fileTypes,
                Utf8Lines &scratchLines, TextEncoding *encoding)
{
    return FileClassifier(fileTypes).classify(path, mediaFallback, scratchLines, encoding);
}

} // namespace zv
