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
    size_t operator()(std::string_view s) const noexcept { return size_t(hashBytes(s)); }
};

// The entries of one folder in a small open-addressing table (names in one buffer), so that
// looking up all the folder's lines stays within the cache.
class FolderListing {
public:
    // False when the folder cannot be listed and searched, or holds more than maxEntries
    // entries (then a stat per path is cheaper than the listing).
    bool read(const QByteArray &dir, size_t maxEntries)
    {
        if (::access(dir.constData(), X_OK) != 0)
            return false;
        DIR *d = ::opendir(dir.constData());
        if (!d)
            return false;
        std::vector<Slot> entries;
        while (const dirent *e = ::readdir(d)) {
            if (entries.size() >= maxEntries) {
                ::closedir(d);
                return false;
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
        return true;
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

// Which of the absolute `paths` name existing files (symbolic links followed), as a stat of
// each would say. A stat costs microseconds, too much for 100 000 entries, so a folder that
// many entries share is listed once instead. Lines are first grouped by folder, so that each
// folder's table is looked up while it is in the cache.
std::vector<bool> existingFiles(const QStringList &paths)
{
    constexpr size_t kListFrom = 8;   // entries in one folder before listing it pays off
    struct Line {
        std::string_view name;
        quint64 hash = 0;
        qsizetype index = 0;
    };
    const qsizetype n = paths.size();
    std::vector<bool> result(n, false);
    std::vector<QByteArray> encoded(n);
    std::vector<int> folderOf(n, -1);
    std::vector<Line> lines(n);
    std::vector<std::string_view> folderNames;
    std::vector<size_t> folderLines;
    std::unordered_map<std::string_view, int, FastHash> folderIds;

    std::string_view lastName;
    int last = -1;   // lines of one folder usually come together
    for (qsizetype i = 0; i < n; ++i) {
        encoded[i] = QFile::encodeName(paths[i]);
        const std::string_view p(encoded[i].constData(), size_t(encoded[i].size()));
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
        for (qsizetype i = 0; i < n; ++i) {
            if (folderOf[i] < 0)
                result[i] = statIsFile(encoded[i]);
            else
                grouped[next[folderOf[i]]++] = lines[i];
        }
    }

    for (size_t f = 0; f < folderNames.size(); ++f) {
        FolderListing listing;
        const bool listed = folderLines[f] >= kListFrom
            && listing.read(QByteArray(folderNames[f].data(), qsizetype(folderNames[f].size())),
                            folderLines[f] * 16 + 256);
        for (size_t k = start[f]; k < start[f + 1]; ++k) {
            const Line &l = grouped[k];
            if (!listed) {
                result[l.index] = statIsFile(encoded[l.index]);
                continue;
            }
            const int type = listing.typeOf(l.name, l.hash);
            if (type == DT_REG)
                result[l.index] = true;
            else if (type == DT_LNK || type == DT_UNKNOWN)
                result[l.index] = statIsFile(encoded[l.index]);
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

// parsePlaylistText, also counting the lines that name a file, found or not.
QStringList parsePathLines(const QString &text, const QString &baseDir, const MovedFileFinder &finder,
                           qsizetype *pathLines)
{
    QStringList lines = splitLines(text);
    const QDir base(baseDir);
    QStringList candidates;
    candidates.reserve(lines.size());
    qsizetype kept = 0;
    *pathLines = 0;
    for (const QString &line : lines) {
        if (!isPathLine(line))
            continue;
        ++*pathLines;
        // A NUL would end the name early in the system call and match another file.
        if (line.size() > kMaxPathChars || line.contains(QChar(u'\0')))
            continue;
        candidates << (line.startsWith(u'/') ? line : QDir::cleanPath(base.absoluteFilePath(line)));
        lines[kept++] = line;
    }
    lines.resize(kept);

    const std::vector<bool> exists = existingFiles(candidates);
    QStringList paths;
    paths.reserve(candidates.size());
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (exists[i]) {
            paths << candidates[i];
            continue;
        }
        const QString moved = finder.find(lines[i]);
        if (!moved.isEmpty())
            paths << moved;
    }
    return paths;
}

} // namespace

QStringList parsePlaylistText(const QString &text, const QString &baseDir, const MovedFileFinder &finder)
{
    qsizetype pathLines = 0;
    return parsePathLines(text, baseDir, finder, &pathLines);
}

PlaylistReadResult readPlaylistFile(const QString &fileName, const QString &baseDir,
                                    const MovedFileFinder &finder)
{
    PlaylistReadResult result;
    QByteArray bytes;
    if (!readBounded(fileName, &bytes, &result.error))
        return result;
    const DecodedText decoded = decodeText(bytes);
    result.encoding = decoded.encoding;
    qsizetype lines = 0;
    result.paths = parsePathLines(decoded.text, baseDir, finder, &lines);
    result.ok = true;
    result.missing = lines - result.paths.size();
    if (decoded.encoding != TextEncoding::Utf8)
        return result;
    // Every line found, or nothing outside ASCII: the 8-bit reading cannot do better.
    if (result.paths.size() == lines || decoded.text.size() == bytes.size())
        return result;
    const TextEncoding eightBit = eightBitEncodingOf(bytes);
    QStringList other = parsePlaylistText(decodeAs(bytes, eightBit), baseDir, finder);
    if (other.size() > result.paths.size()) {
        result.paths = std::move(other);
        result.encoding = eightBit;
        result.missing = lines - result.paths.size();
    }
    return result;
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
