#include "core/playlist/playlist_file.h"

#include "core/common/atomic_file.h"
#include "core/config/paths.h"
#include "core/playlist/find_moved_file.h"
#include "core/playlist/playlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {

// No file name on Linux is longer than PATH_MAX (4096 bytes, at least as many as characters);
// longer lines are dropped before they cost a lookup under every volume.
constexpr qsizetype kMaxPathChars = 4096;

bool isExistingFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool statIsFile(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Names and folders hashed eight bytes at a time; std::hash on strings showed up in profiles of
// 100 000-entry playlists.
quint64 hashBytes(std::string_view s)
{
    quint64 h = 0x9E3779B97F4A7C15ull ^ s.size();
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        quint64 chunk;
        std::memcpy(&chunk, s.data() + i, 8);
        h = (h ^ chunk) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    quint64 tail = 0;
    std::memcpy(&tail, s.data() + i, s.size() - i);
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

struct FastHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return size_t(hashBytes(s)); }
};

// The entries of one folder in a small open-addressing table (names in one buffer), so that
// looking up all the folder's lines stays within the cache.
class FolderListing {
public:
    enum class Outcome {
        Listed,
        Unsearchable,   // missing, not a folder or not searchable: no file can be opened in it
        Unlisted,       // cannot be read, or holds too many entries: a stat per path answers
    };
    // Unlisted also when it holds more than maxEntries entries (then a stat per path is cheaper
    // than the listing).
    Outcome read(const QByteArray &dir, size_t maxEntries)
    {
        if (::access(dir.constData(), X_OK) != 0)
            return Outcome::Unsearchable;
        DIR *d = ::opendir(dir.constData());
        if (!d)
            return Outcome::Unlisted;
        std::vector<Slot> entries;
        while (const dirent *e = ::readdir(d)) {
            if (entries.size() >= maxEntries) {
                ::closedir(d);
                return Outcome::Unlisted;
            }
            const std::string_view name(e->d_name);
            entries.push_back({hashBytes(name), uint32_t(names_.size()), uint32_t(name.size()), e->d_type, true});
            names_.append(name);
        }
        ::closedir(d);
        size_t size = 16;
        while (size < entries.size() * 2)
            size *= 2;
        slots_.assign(size, Slot{});
        for (const Slot &e : entries) {
            size_t at = e.hash & (size - 1);
            while (slots_[at].used)
                at = (at + 1) & (size - 1);
            slots_[at] = e;
        }
        return Outcome::Listed;
    }
    // The entry's d_type, or -1 when there is no such entry.
    int typeOf(std::string_view name, quint64 hash) const
    {
        const size_t mask = slots_.size() - 1;
        for (size_t at = hash & mask; slots_[at].used; at = (at + 1) & mask) {
            const Slot &s = slots_[at];
            if (s.hash == hash && std::string_view(names_).substr(s.offset, s.size) == name)
                return s.type;
        }
        return -1;
    }

private:
    struct Slot {
        quint64 hash = 0;
        uint32_t offset = 0;
        uint32_t size = 0;
        unsigned char type = 0;
        bool used = false;
    };
    std::string names_;
    std::vector<Slot> slots_;
};

// Which absolute paths name existing files (symbolic links followed), as a stat of each would
// say. A stat costs microseconds, too much for 100 000 entries, so a folder that many entries
// share is listed once instead, and one that cannot be searched answers for all of them at
// once. Lines are first grouped by folder, so that each folder's table is looked up while it is
// in the cache. What the folders said is kept for later calls: the second reading of a
// playlist's lines looks into the same folders.
class FileLookup {
public:
    std::vector<bool> existing(const std::vector<QByteArray> &paths);

private:
    struct Folder {
        FolderListing::Outcome outcome = FolderListing::Outcome::Unlisted;
        FolderListing listing;
    };
    std::unordered_map<std::string, Folder, FastHash, std::equal_to<>> folders_;
};

std::vector<bool> FileLookup::existing(const std::vector<QByteArray> &paths)
{
    constexpr size_t kListFrom = 8;   // entries in one folder before listing it pays off
    struct Line {
        std::string_view name;
        quint64 hash = 0;
        size_t index = 0;
    };
    const size_t n = paths.size();
    std::vector<bool> result(n, false);
    std::vector<int> folderOf(n, -1);
    std::vector<Line> lines(n);
    std::vector<std::string_view> folderNames;
    std::vector<size_t> folderLines;
    std::unordered_map<std::string_view, int, FastHash> folderIds;

    std::string_view lastName;
    int last = -1;   // lines of one folder usually come together
    for (size_t i = 0; i < n; ++i) {
        const std::string_view p(paths[i].constData(), size_t(paths[i].size()));
        const size_t cut = p.rfind('/');
        if (cut == std::string_view::npos)
            continue;
        const std::string_view name = p.substr(cut + 1);
        if (name.empty() || name == "." || name == "..")
            continue;
        const std::string_view folder = cut == 0 ? std::string_view("/") : p.substr(0, cut);
        if (last < 0 || folder != lastName) {
            const auto [it, added] = folderIds.try_emplace(folder, int(folderNames.size()));
            if (added) {
                folderNames.push_back(folder);
                folderLines.push_back(0);
            }
            last = it->second;
            lastName = folder;
        }
        ++folderLines[last];
        folderOf[i] = last;
        lines[i] = {name, hashBytes(name), i};
    }

    // Counting sort of the lines by folder.
    std::vector<size_t> start(folderNames.size() + 1, 0);
    for (size_t f = 0; f < folderNames.size(); ++f)
        start[f + 1] = start[f] + folderLines[f];
    std::vector<Line> grouped(start.back());
    {
        std::vector<size_t> next(start.begin(), start.end() - 1);
        for (size_t i = 0; i < n; ++i) {
            if (folderOf[i] < 0)
                result[i] = statIsFile(paths[i]);
            else
                grouped[next[folderOf[i]]++] = lines[i];
        }
    }

    for (size_t f = 0; f < folderNames.size(); ++f) {
        const std::string_view folderName = folderNames[f];
        auto known = folders_.find(folderName);
        if (known == folders_.end() && folderLines[f] >= kListFrom) {
            Folder folder;
            folder.outcome = folder.listing.read(QByteArray(folderName.data(), qsizetype(folderName.size())),
                                                 folderLines[f] * 16 + 256);
            known = folders_.emplace(std::string(folderName), std::move(folder)).first;
        }
        const Folder *folder = known == folders_.end() ? nullptr : &known->second;
        for (size_t k = start[f]; k < start[f + 1]; ++k) {
            const Line &l = grouped[k];
            if (!folder || folder->outcome == FolderListing::Outcome::Unlisted) {
                result[l.index] = statIsFile(paths[l.index]);
                continue;
            }
            if (folder->outcome == FolderListing::Outcome::Unsearchable)
                continue;
            const int type = folder->listing.typeOf(l.name, l.hash);
            if (type == DT_REG)
                result[l.index] = true;
            else if (type == DT_LNK || type == DT_UNKNOWN)
                result[l.index] = statIsFile(paths[l.index]);
        }
    }
    return result;
}

// Reads at most kMaxPlaylistFileSize bytes of a regular file. Devices and FIFOs are refused:
// they may never end.
bool readBounded(const QString &fileName, QByteArray *bytes, QString *error)
{
    const QFileInfo info(fileName);
    if (!info.isFile()) {
        *error = info.exists() ? QStringLiteral("not a regular file") : QStringLiteral("file not found");
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    // Chunks rather than one read of the limit: QFile allocates the whole requested size.
    const qint64 expected = file.size();
    bytes->clear();
    if (expected <= kMaxPlaylistFileSize)
        bytes->reserve(expected);
    char chunk[64 * 1024];
    while (bytes->size() <= kMaxPlaylistFileSize) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            *error = file.errorString();
            bytes->clear();
            return false;
        }
        if (n == 0)
            return true;
        bytes->append(chunk, n);
    }
    *error = QStringLiteral("file too large");
    bytes->clear();
    return false;
}

bool isPathLine(const QString &line)
{
    return !line.isEmpty() && !line.startsWith(u'#');
}

// One line of a playlist that names a file, and how it reads. A line of UTF-8 above ASCII can
// also be a line of a Polish code page ("\xD3\xAF" is "ÓŻ" or "ӯ"): it has two readings.
struct PathLine {
    QByteArrayView bytes;   // as in the file; empty when the line came decoded, in `text`
    QString text;
    TextEncoding first = TextEncoding::Utf8;
    TextEncoding second = TextEncoding::Utf8;   // the same as `first` when there is one reading
    bool twoReadings() const { return first != second; }
};

QString lineText(const PathLine &line, TextEncoding reading)
{
    return line.bytes.isEmpty() ? line.text : decodeAs(line.bytes, reading);
}

bool isUtf8(TextEncoding e)
{
    return e == TextEncoding::Utf8 || e == TextEncoding::Utf8Bom;
}

QString pathOf(const QString &line, const QDir &base)
{
    return line.startsWith(u'/') ? line : QDir::cleanPath(base.absoluteFilePath(line));
}

// The bytes the system takes for the path the line names in one reading. An absolute line is
// converted without a detour through a QString: most lines are looked up and never shown.
QByteArray fileSystemPath(const PathLine &line, TextEncoding reading, const QDir &base)
{
    if (line.bytes.startsWith('/')) {
        if (isUtf8(reading))   // such a reading exists only for valid UTF-8
            return line.bytes.toByteArray();
        QByteArray out;
        appendAsUtf8(out, line.bytes, reading);
        return out;
    }
    return QFile::encodeName(pathOf(lineText(line, reading), base));
}

// No file name on Linux is longer than PATH_MAX (4096 bytes, at least as many as characters);
// longer lines are dropped before they cost a lookup under every volume. A NUL would end the
// name early in the system call and match another file.
bool canNameFile(const PathLine &line)
{
    if (line.bytes.isEmpty())
        return line.text.size() <= kMaxPathChars && !line.text.contains(QChar(u'\0'));
    if (line.bytes.contains('\0'))
        return false;
    return line.bytes.size() <= kMaxPathChars || lineText(line, line.first).size() <= kMaxPathChars;
}

struct ResolvedLines {
    QStringList paths;
    qsizetype missing = 0;
    bool secondReadingFound = false;   // some line was found in its second reading
};

// Each line becomes the file it names in its first reading, else in its second one, else what
// FindMovedFile finds for it. Relative lines are taken against baseDir. The second reading is
// looked up only for lines the first one missed (in the folders already listed), and the
// moved-file lookup runs once per line found in neither: a playlist of 100 000 missing files
// costs one decoding and one moved-file lookup a line.
ResolvedLines resolveLines(const std::vector<PathLine> &lines, const QString &baseDir,
                           const MovedFileFinder &finder)
{
    enum Found : uint8_t { None, InFirst, InSecond, Unusable };
    const QDir base(baseDir);
    const size_t n = lines.size();
    std::vector<uint8_t> found(n, None);
    FileLookup lookup;

    std::vector<QByteArray> paths;
    std::vector<size_t> lineOf;
    paths.reserve(n);
    lineOf.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (!canNameFile(lines[i])) {
            found[i] = Unusable;
            continue;
        }
        paths.push_back(fileSystemPath(lines[i], lines[i].first, base));
        lineOf.push_back(i);
    }
    std::vector<bool> exists = lookup.existing(paths);
    for (size_t k = 0; k < paths.size(); ++k) {
        if (exists[k])
            found[lineOf[k]] = InFirst;
    }

    paths.clear();
    lineOf.clear();
    qsizetype firstHits = 0;   // among lines with two readings
    for (size_t i = 0; i < n; ++i) {
        if (!lines[i].twoReadings())
            continue;
        if (found[i] == InFirst) {
            ++firstHits;
        } else if (found[i] == None) {
            paths.push_back(fileSystemPath(lines[i], lines[i].second, base));
            lineOf.push_back(i);
        }
    }
    exists = lookup.existing(paths);
    qsizetype secondHits = 0;
    for (size_t k = 0; k < paths.size(); ++k) {
        if (exists[k]) {
            found[lineOf[k]] = InSecond;
            ++secondHits;
        }
    }
    // A line found in neither reading is looked for elsewhere in the reading that found more of
    // the file's other such lines (a Windows-1250 file whose names all pass for UTF-8).
    const bool preferSecond = secondHits > firstHits;

    ResolvedLines out;
    out.paths.reserve(qsizetype(n));
    out.secondReadingFound = secondHits > 0;
    for (size_t i = 0; i < n; ++i) {
        const PathLine &l = lines[i];
        switch (found[i]) {
        case InFirst:
            out.paths << pathOf(lineText(l, l.first), base);
            break;
        case InSecond:
            out.paths << pathOf(lineText(l, l.second), base);
            break;
        case None:
            if (QString moved = finder.find(lineText(l, preferSecond ? l.second : l.first)); !moved.isEmpty())
                out.paths << std::move(moved);
            else
                ++out.missing;
            break;
        default:
            ++out.missing;
            break;
        }
    }
    return out;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (uint8_t(c) >= 0x80)
            return false;
    }
    return true;
}

bool hasUtf8Bom(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

} // namespace

QStringList parsePlaylistText(const QString &text, const QString &baseDir, const MovedFileFinder &finder)
{
    std::vector<PathLine> lines;
    for (QString &line : splitLines(text)) {
        if (isPathLine(line))
            lines.push_back({{}, std::move(line)});
    }
    return resolveLines(lines, baseDir, finder).paths;
}

PlaylistReadResult parsePlaylistBytes(QByteArrayView bytes, const QString &baseDir, const MovedFileFinder &finder)
{
    PlaylistReadResult result;
    result.ok = true;
    const bool bom = hasUtf8Bom(bytes);
    const QByteArrayView body = bom ? bytes.sliced(3) : bytes;

    // Lines end at CR LF, CR or LF, bytes that mean the same in every encoding read here.
    enum Kind : uint8_t { Ascii, Utf8, EightBit };
    std::vector<PathLine> lines;
    std::vector<Kind> kinds;
    EightBitVotes votes;   // of the lines that can only be 8-bit
    bool eightBitOnly = false;
    const char *p = body.data();
    const char *const end = p + body.size();
    while (p < end) {
        const char *stop = p;
        while (stop < end && *stop != '\n' && *stop != '\r')
            ++stop;
        const QByteArrayView line(p, stop - p);
        p = stop;
        if (p < end && *p++ == '\r' && p < end && *p == '\n')
            ++p;
        if (line.isEmpty() || line.front() == '#')
            continue;
        Kind kind = Ascii;
        if (!isAscii(line)) {
            kind = isValidUtf8(line) ? Utf8 : EightBit;
            if (kind == EightBit) {
                votes.add(line);
                eightBitOnly = true;
            }
        }
        lines.push_back({line, {}});
        kinds.push_back(kind);
    }
    // The code page from the lines that can be nothing else, so that the letters of UTF-8
    // lines in the same file do not vote.
    const TextEncoding eightBit = eightBitOnly ? votes.choice() : eightBitEncodingOf(body);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (kinds[i] == Utf8)
            lines[i].second = eightBit;
        else if (kinds[i] == EightBit)
            lines[i].first = lines[i].second = eightBit;
    }

    ResolvedLines resolved = resolveLines(lines, baseDir, finder);
    result.paths = std::move(resolved.paths);
    result.missing = resolved.missing;
    if (bom)
        result.encoding = TextEncoding::Utf8Bom;
    else if (eightBitOnly || resolved.secondReadingFound)
        result.encoding = eightBit;
    else
        result.encoding = TextEncoding::Utf8;
    return result;
}

PlaylistReadResult readPlaylistFile(const QString &fileName, const QString &baseDir,
                                    const MovedFileFinder &finder)
{
    QByteArray bytes;
    QString error;
    if (!readBounded(fileName, &bytes, &error)) {
        PlaylistReadResult result;
        result.error = error;
        return result;
    }
    return parsePlaylistBytes(bytes, baseDir, finder);
}

PlaylistReadResult readPlaylistFile(const QString &fileName, const MovedFileFinder &finder)
{
    return readPlaylistFile(fileName, QFileInfo(fileName).absolutePath(), finder);
}

PlaylistReadResult readPlaylistFile(const QString &fileName)
{
    return readPlaylistFile(fileName, MovedFileFinder());
}

QString playlistMissingText(qsizetype missing)
{
    return QStringLiteral("Nie znaleziono plików z playlisty: %1").arg(missing);
}

QByteArray playlistFileBytes(const QStringList &paths, TextEncoding encoding, TextEncoding *used)
{
    QString text;
    qsizetype size = 0;
    for (const QString &p : paths)
        size += p.size() + 2;
    text.reserve(size);
    for (const QString &p : paths) {
        if (p.contains(u'\r') || p.contains(u'\n') || p.contains(QChar(u'\0')))
            continue;
        text += p;
        text += QStringLiteral("\r\n");
    }
    if (used)
        *used = encoding;
    if (text.isEmpty())
        return {};
    return encodeReadingBack(text, encoding, used);
}

TextEncoding previousPlaylistEncoding(const QString &fileName)
{
    QByteArray bytes;
    QString ignored;
    if (!readBounded(fileName, &bytes, &ignored))
        return TextEncoding::Utf8;
    return detectEncoding(bytes);
}

bool SavePlaylist(const TPlaylist &playlist, const QString &fileName, QString *error)
{
    return writeFileAtomically(fileName, playlistFileBytes(playlist.paths(), previousPlaylistEncoding(fileName)),
                               error);
}

bool saveTemporaryPlaylist(const TPlaylist &playlist, QString *error)
{
    return SavePlaylist(playlist, Paths::tempPlaylist(), error);
}

bool loadTemporaryPlaylist(TPlaylist &playlist, const QString &baseDir, const MovedFileFinder &finder,
                           QString *error)
{
    QString file = Paths::tempPlaylist();
    if (!isExistingFile(file)) {
        file = finder.find(file);
        if (file.isEmpty())
            return false;
    }
    const PlaylistReadResult read = readPlaylistFile(file, baseDir, finder);
    if (!read.ok) {
        if (error)
            *error = read.error;
        return false;
    }
    return playlist.PlsAddProc(read.paths, /*clearFirst=*/true, /*appendAtEnd=*/true);
}

bool loadTemporaryPlaylist(TPlaylist &playlist, QString *error)
{
    return loadTemporaryPlaylist(playlist, QDir::currentPath(), MovedFileFinder(), error);
}

} // namespace zv
