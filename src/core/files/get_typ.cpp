#include "core/files/get_typ.h"

#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"

#include <QFile>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
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

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// The end of the line starting at p: its first CR or LF, or `end`. Steps over eight bytes at a
// time while none of them is a line break.
const char *lineEnd(const char *p, const char *end)
{
    while (end - p >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        const uint64_t lf = w ^ (kOnes * '\n');
        const uint64_t cr = w ^ (kOnes * '\r');
        // A zero byte in lf or cr is a break; the lowest one found this way is exact.
        const uint64_t hit = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHighBits;
        if (hit)
            return p + (std::countr_zero(hit) >> 3);
        p += 8;
    }
    while (p < end && *p != '\n' && *p != '\r')
        ++p;
    return p;
}

bool isAscii(QByteArrayView line)
{
    const char *p = line.data();
    const char *const end = p + line.size();
    uint64_t any = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        any |= w;
    }
    for (; p < end; ++p)
        any |= uint8_t(*p);
    return (any & kHighBits) == 0;
}

const char *nextLine(const char *eol, const char *end)
{
    if (eol == end)
        return end;
    return eol + ((*eol == '\r' && eol + 1 < end && eol[1] == '\n') ? 2 : 1);
}

// Gives the lines of a file one after another, from bytes in memory or from a descriptor read
// in pieces: a whole file never needs to be in memory next to its lines, and its pages are
// never faulted in twice. Offsets count from the start of the bytes or file.
class LineSource {
public:
    explicit LineSource(QByteArrayView bytes)
        : data_(bytes.data()), end_(bytes.size()), eof_(true)
    {
    }
    LineSource(int fd, qint64 sizeHint)
        : fd_(fd), cap_(qsizetype(std::clamp<qint64>(sizeHint + 1, 64, kPiece)))
    {
        buffer_.reset(new char[size_t(cap_)]);
        data_ = buffer_.get();
    }

    // The next line without its break; false at the end, or when reading failed (failed()).
    bool next(QByteArrayView &line)
    {
        for (;;) {
            const char *p = data_ + begin_;
            const char *e = data_ + end_;
            if (p == e && eof_)
                return false;
            const char *eol = lineEnd(p, e);
            // A CR as the last byte read may be the first half of a CR LF.
            if ((eol < e && (*eol == '\n' || eol + 1 < e || eof_)) || (eol == e && eof_)) {
                line = QByteArrayView(p, eol - p);
                lineOffset_ = dataOffset_ + begin_;
                begin_ = nextLine(eol, e) - data_;
                return true;
            }
            if (!refill())
                return false;
        }
    }
    // Where the line last returned starts.
    qint64 lineOffset() const { return lineOffset_; }
    // The next line starts at `offset`.
    bool seek(qint64 offset)
    {
        if (offset >= dataOffset_ && offset <= dataOffset_ + end_) {
            begin_ = qsizetype(offset - dataOffset_);
            return true;
        }
        if (fd_ < 0 || ::lseek(fd_, offset, SEEK_SET) != offset)
            return fail();
        dataOffset_ = offset;
        begin_ = end_ = 0;
        eof_ = false;
        return true;
    }
    bool failed() const { return failed_; }

private:
    static constexpr qsizetype kPiece = 64 * 1024;

    // Moves the unfinished line to the front and reads more after it; a line longer than the
    // buffer doubles it.
    bool refill()
    {
        if (fd_ < 0)
            return fail();
        if (begin_ > 0) {
            std::memmove(buffer_.get(), data_ + begin_, size_t(end_ - begin_));
            dataOffset_ += begin_;
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == cap_) {
            std::unique_ptr<char[]> bigger(new char[size_t(2 * cap_)]);
            std::memcpy(bigger.get(), buffer_.get(), size_t(end_));
            buffer_ = std::move(bigger);
            data_ = buffer_.get();
            cap_ *= 2;
        }
        for (;;) {
            const ssize_t n = ::read(fd_, buffer_.get() + end_, size_t(cap_ - end_));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fail();
            if (n == 0)
                eof_ = true;
            end_ += n;
            // The file may have grown since its size was looked at.
            return dataOffset_ + end_ <= kMaxSubtitleFileBytes || fail();
        }
    }
    bool fail()
    {
        failed_ = true;
        return false;
    }

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    const char *data_ = nullptr;
    qsizetype cap_ = 0;
    qsizetype begin_ = 0;   // where the next line starts in data_
    qsizetype end_ = 0;     // bytes in data_
    qint64 dataOffset_ = 0; // offset of data_[0]
    qint64 lineOffset_ = 0;
    bool eof_ = false;
    bool failed_ = false;
};

// Splits the lines from `start` on into the candidate lines (every line when `allLines`) in
// one pass, decoded into UTF-8, and returns the encoding they were read in (nullopt when
// reading failed). `encoding` Utf8 means "unknown, without a BOM": lines are checked as UTF-8
// while they are ASCII or valid; at the first one that is not, the file is an 8-bit one
// (detectEncoding's rule) and the split goes on from the first line that held a byte above
// ASCII, decoding as Windows-1250 while it counts the letters that tell the two code pages
// apart. Lines before that point read the same in every encoding. Only when the counts say
// ISO-8859-2 (rare) is that part decoded again. `size` (about the bytes to come) sizes the list.
std::optional<TextEncoding> splitCandidateLines(LineSource &source, qint64 start, qint64 size,
                                                TextEncoding encoding, Utf8Lines &lines,
                                                bool allLines = false)
{
    // Room for the longest decoding: pages never written cost no memory, and the list never
    // grows by copying. A short line is about 20 bytes.
    const bool eightBit = encoding == TextEncoding::Windows1250 || encoding == TextEncoding::Iso8859_2;
    lines.clear();
    lines.reserve(eightBit ? 3 * size : size, size / 16 + 16);
    if (!source.seek(start))
        return std::nullopt;

    QByteArrayView line;
    if (encoding == TextEncoding::Utf8) {
        // Where the first line holding a byte above ASCII starts, and how many lines came before.
        qint64 firstHigh = -1;
        qsizetype linesBeforeHigh = 0;
        bool valid = true;
        while (source.next(line)) {
            const bool candidate = allLines || isCandidateLine(line);
            if (!isAscii(line)) {
                if (firstHigh < 0) {
                    firstHigh = source.lineOffset();
                    linesBeforeHigh = lines.size();
                }
                // Line breaks never occur inside a UTF-8 sequence, so checking every line
                // checks the file.
                if (!isValidUtf8(line)) {
                    valid = false;
                    break;
                }
            }
            if (candidate)
                lines.appendValidUtf8(line);
        }
        if (source.failed())
            return std::nullopt;
        if (valid)
            return TextEncoding::Utf8;
        {
            // A fresh list sized for the decoding: growing this one would copy all the room
            // reserved for UTF-8, used or not. Only the ASCII lines before firstHigh stay.
            Utf8Lines ascii = std::move(lines);
            ascii.truncate(linesBeforeHigh);
            lines = Utf8Lines();
            lines.reserve(ascii.byteSize() + 3 * (size - (firstHigh - start)), size / 16 + 16);
            for (qsizetype i = 0; i < ascii.size(); ++i)
                lines.appendValidUtf8(ascii.line(i));
        }
        EightBitVotes votes;
        if (!source.seek(firstHigh))
            return std::nullopt;
        while (source.next(line)) {
            if (allLines || isCandidateLine(line))
                lines.appendDecoded(line, TextEncoding::Windows1250, votes);
            else
                votes.add(line);
        }
        if (source.failed())
            return std::nullopt;
        encoding = votes.choice();
        if (encoding == TextEncoding::Windows1250)
            return encoding;
        lines.truncate(linesBeforeHigh);
        if (!source.seek(firstHigh))
            return std::nullopt;
    }
    while (source.next(line)) {
        if (allLines || isCandidateLine(line))
            lines.appendDecoded(line, encoding);
    }
    if (source.failed())
        return std::nullopt;
    return encoding;
}

// The first-line rule and the later formats' detectors over a file's lines; `head` is the
// start of the file (BOM removed) as far as the detectors look.
FileKind detectFromSource(LineSource &source, qint64 start, qint64 size, QByteArrayView head,
                          TextEncoding enc, Utf8Lines &scratchLines, TextEncoding *encoding,
                          bool subRipName)
{
    scratchLines.clear();
    const auto split = splitCandidateLines(source, start, size, enc, scratchLines);
    if (!split) {
        scratchLines.clear();
        return kindUnreadable;
    }
    enc = *split;
    if (encoding)
        *encoding = enc;
    if (scratchLines.isEmpty())
        return kindUnreadable;
    FileKind kind = subtitleFormatOfLine(scratchLines.at(0));
    // The later formats may take what the first-line rule fails (or a file named for them).
    const SubtitleSniff sniff{head, enc, scratchLines, kind, subRipName};
    for (const SubtitleFormat &format : subtitleFormats()) {
        if (format.detect && format.detect(sniff)) {
            kind = format.kind;
            if (format.wantsAllLines && !splitCandidateLines(source, start, size, enc, scratchLines, true)) {
                scratchLines.clear();
                return kindUnreadable;
            }
            break;
        }
    }
    return kind;
}

// An open regular file. FIFOs and devices are refused (they could block or never end), and so
// are files too large to be subtitles. The type is checked on the opened descriptor, so a file
// swapped for a FIFO after the caller's stat cannot hang us.
class RegularFile {
public:
    explicit RegularFile(const QString &path)
        : RegularFile(AT_FDCWD, path.contains(QChar(0)) ? QByteArray() : QFile::encodeName(path))
    {
    }
    // `name` relative to the folder open as `dirFd` (AT_FDCWD: the current one); empty opens nothing.
    RegularFile(int dirFd, const QByteArray &name)
    {
        if (name.isEmpty())
            return;
        fd_ = ::openat(dirFd, name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxSubtitleFileBytes)
            size_ = st.st_size;
    }
    ~RegularFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    bool usable() const { return size_ >= 0; }
    int fd() const { return fd_; }
    qint64 size() const { return size_; }

    // Up to `limit` bytes from the start (fewer at the end of the file); false on a read error.
    bool readHead(qint64 limit, QByteArray &out) const
    {
        out.resize(qsizetype(std::min(limit, kMaxSubtitleFileBytes + 1)));
        qsizetype filled = 0;
        while (filled < out.size()) {
            const ssize_t n = ::pread(fd_, out.data() + filled, size_t(out.size() - filled), filled);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                break;
            filled += n;
        }
        out.truncate(filled);
        return true;
    }

private:
    int fd_ = -1;
    qint64 size_ = -1;
};

// Lines (a break after them) holding more than blanks, as far as two.
int completeNonBlankLines(QByteArrayView bytes)
{
    int found = 0;
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end && found < 2) {
        const char *eol = lineEnd(p, end);
        if (eol == end)
            break;
        found += std::any_of(p, eol, [](char c) { return uint8_t(c) > 0x20; });
        p = eol + 1;
    }
    return found;
}

// The format a name outside the line formats' pattern stands for: ".srt" SubRip, ".sub"
// MicroDVD frame lines, ".mpl" MPL2; kindOther for any other. `extLower` has its dot.
FileKind subtitleKindOfName(QStringView extLower)
{
    if (extLower == u".srt")
        return kindSubRipSubtitle;
    if (extLower == u".sub")
        return kindFrameSubtitle;
    if (extLower == u".mpl")
        return kindMpl2Subtitle;
    return kindOther;
}

// Whether the file's first line that is not blank (after a BOM) starts with "{", as every
// MicroDVD file does and no VobSub one (whose first bytes are an MPEG pack header).
bool startsWithFrameLine(const RegularFile &file)
{
    QByteArray head;
    if (!file.usable() || !file.readHead(4 * 1024, head))
        return false;
    QByteArrayView rest(head);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    const auto first = std::find_if(rest.begin(), rest.end(), [](char c) { return uint8_t(c) > 0x20; });
    return first != rest.end() && *first == '{';
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
    const RegularFile file(path);
    // The detectors look at the first lines only; the head holds at least two that are not
    // blank, or the whole file.
    constexpr qint64 kHead = 64 * 1024;
    QByteArray head;
    if (!file.usable() || !file.readHead(kHead, head))
        return kindUnreadable;
    if (head.size() == kHead && completeNonBlankLines(head) < 2 && !file.readHead(kMaxSubtitleFileBytes + 1, head))
        return kindUnreadable;
    if (head.size() > kMaxSubtitleFileBytes)
        return kindUnreadable;
    const bool bom = head.startsWith("\xEF\xBB\xBF");
    const qint64 start = bom ? 3 : 0;
    LineSource source(file.fd(), file.size());
    return detectFromSource(source, start, file.size() - start, QByteArrayView(head).sliced(start),
                            bom ? TextEncoding::Utf8Bom : TextEncoding::Utf8, scratchLines, encoding,
                            hasSubRipExtension(path));
}

FileKind detectSubtitleFormatOfBytes(QByteArray bytes, Utf8Lines &scratchLines, TextEncoding *encoding,
                                     bool subRipName)
{
    // Lines are decoded one at a time into UTF-8 and only candidate lines are kept, so the
    // whole decoded text never exists next to the line list; the split also decides the
    // encoding, in the same pass (see splitCandidateLines).
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    const qint64 start = bom ? 3 : 0;
    LineSource source{QByteArrayView(bytes)};
    return detectFromSource(source, start, bytes.size() - start, QByteArrayView(bytes).sliced(start),
                            bom ? TextEncoding::Utf8Bom : TextEncoding::Utf8, scratchLines, encoding,
                            subRipName);
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
    return classifyEntry(path, isDirectory, mediaFallback, &scratchLines, encoding);
}

FileKind FileClassifier::kindOfExisting(const QString &path, bool isDirectory, bool mediaFallback,
                                        int dirFd, const char *name) const
{
    return classifyEntry(path, isDirectory, mediaFallback, nullptr, nullptr, dirFd, name);
}

FileKind FileClassifier::classifyEntry(const QString &path, bool isDirectory, bool mediaFallback,
                                       Utf8Lines *scratchLines, TextEncoding *encoding, int dirFd,
                                       const char *name) const
{
    const auto kindOnly = [&](bool subRipName) {
        return detectSubtitleKind(path, subRipName, dirFd, name ? QByteArray(name) : QByteArray());
    };
    if (hasPlaylistExtension(path))
        return kindPlaylist;
    if (isDirectory)
        return kindFolder;
    // Extensions are short: lower-cased on the stack, since a scan does this for every file.
    const QStringView ext = fileExtension(path);
    char16_t lowered[32];
    QString heapLowered;
    QStringView extLower;
    const bool ascii = std::all_of(ext.begin(), ext.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii && ext.size() <= qsizetype(std::size(lowered))) {
        for (qsizetype i = 0; i < ext.size(); ++i) {
            const char16_t c = ext[i].unicode();
            lowered[i] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        }
        extLower = QStringView(lowered, ext.size());
    } else {
        heapLowered = ext.toString().toLower();
        extLower = heapLowered;
    }

    const QStringView bare = extLower.sliced(extLower.isEmpty() ? 0 : 1);
    if (!bare.isEmpty() && fileTypesLower_.contains(bare))
        return kindMedia;

    // The line formats' extensions match as substrings of their pattern, as they always did.
    if (!extLower.isEmpty() && QStringView(kLineFormatExtensionPattern).contains(extLower))
        return scratchLines ? detectSubtitleFormat(path, *scratchLines, encoding)
                            : kindOnly(false);
    // The names the desktop entry claims for the formats beyond that pattern count only whole
    // and only for the content they stand for: any other such file stays what it always was.
    const FileKind named = subtitleKindOfName(extLower);
    if (named != kindOther) {
        // A VobSub .sub is binary: never taken for frame lines found somewhere inside it.
        const bool shapeOk = named != kindFrameSubtitle
            || (name ? startsWithFrameLine(RegularFile(dirFd, QByteArray(name)))
                     : startsWithFrameLine(RegularFile(path)));
        if (shapeOk && !scratchLines) {
            if (kindOnly(named == kindSubRipSubtitle) == named)
                return named;
        } else if (shapeOk) {
            Utf8Lines lines;
            TextEncoding enc = TextEncoding::Utf8;
            if (detectSubtitleFormat(path, lines, &enc) == named) {
                *scratchLines = std::move(lines);
                if (encoding)
                    *encoding = enc;
                return named;
            }
        }
    }

    return mediaFallback ? kindMedia : kindOther;
}

FileKind detectSubtitleKind(const QString &path, bool subRipName, int dirFd, const QByteArray &name)
{
    const auto wholeFile = [&] {
        Utf8Lines lines;
        return detectSubtitleFormat(path, lines);
    };
    const RegularFile file = name.isEmpty() ? RegularFile(path) : RegularFile(dirFd, name);
    // Subtitle files start with their lines: a few kilobytes nearly always decide.
    constexpr qint64 kPrefix = 4 * 1024;
    // Whole lines of it, BOM removed, still cover the window SubRip looks for its first cue in.
    static_assert(kPrefix - 3 - 1 >= loader_support::kSubRipSearchBytes);
    QByteArray head;
    if (!file.usable() || !file.readHead(kPrefix, head))
        return kindUnreadable;
    if (head.size() < kPrefix) { // the whole file
        Utf8Lines lines;
        return detectSubtitleFormatOfBytes(std::move(head), lines, nullptr, subRipName);
    }
    // Whole lines only; a CR LF cut in two still ends its line at the CR.
    qsizetype cut = head.size();
    while (cut > 0 && head[cut - 1] != '\n' && head[cut - 1] != '\r')
        --cut;
    QByteArrayView prefix = QByteArrayView(head).first(cut);
    if (prefix.startsWith("\xEF\xBB\xBF"))
        prefix = prefix.sliced(3);
    // The detectors look at the first two lines that are not blank.
    if (completeNonBlankLines(prefix) < 2)
        return wholeFile();
    LineSource source(prefix);
    QByteArrayView line;
    bool found = false;
    while (!found && source.next(line))
        found = isCandidateLine(line);
    // The first-line rule reads the line's first five characters. Bytes above ASCII there are
    // one character or part of one depending on the encoding, which only the whole file tells.
    if (!found || !isAscii(line.first(std::min<qsizetype>(line.size(), 5))))
        return wholeFile();
    Utf8Lines first;
    if (isValidUtf8(line))
        first.appendValidUtf8(line);
    else
        first.appendDecoded(line, TextEncoding::Windows1250);
    const FileKind original = subtitleFormatOfLine(QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 5))));
    // Bytes above ASCII after the first five characters only ever sit in the text, past
    // anything the detectors match, so every reading of them gives the same answer.
    const SubtitleSniff sniff{prefix, TextEncoding::Utf8, first, original, subRipName};
    for (const SubtitleFormat &format : subtitleFormats()) {
        if (format.detect && format.detect(sniff)) {
            // MPL2 takes a bracket file only when none of its lines is a bracket line.
            return format.kind == kindMpl2Subtitle ? wholeFile() : format.kind;
        }
    }
    return original;
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
