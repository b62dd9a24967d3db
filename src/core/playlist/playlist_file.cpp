#include "core/playlist/playlist_file.h"

#include "core/common/atomic_file.h"
#include "core/config/paths.h"
#include "core/playlist/find_moved_file.h"
#include "core/playlist/playlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zv {

namespace {

// No file name on Linux is longer than PATH_MAX (4096 bytes, at least as many as characters);
// longer lines are dropped before they cost a lookup under every volume.
constexpr qsizetype kMaxPathChars = 4096;

bool isExistingFile(const QString &path)
{
    return QFileInfo(path).isFile();
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

} // namespace

QStringList parsePlaylistText(const QString &text, const QString &baseDir, const MovedFileFinder &finder)
{
    const QStringList lines = splitLines(text);
    const QDir base(baseDir);
    QStringList paths;
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        // A NUL would end the name early in the system call and match another file.
        if (line.size() > kMaxPathChars || line.contains(QChar(u'\0')))
            continue;
        const QString path = QDir::isAbsolutePath(line) ? line : QDir::cleanPath(base.absoluteFilePath(line));
        if (isExistingFile(path)) {
            paths << path;
            continue;
        }
        const QString moved = finder.find(line);
        if (!moved.isEmpty())
            paths << moved;
    }
    return paths;
}

PlaylistReadResult readPlaylistFile(const QString &fileName, const QString &baseDir,
                                    const MovedFileFinder &finder)
{
    PlaylistReadResult result;
    QByteArray bytes;
    if (!readBounded(fileName, &bytes, &result.error))
        return result;
    DecodedText decoded = decodeText(bytes);
    bytes.clear();
    result.encoding = decoded.encoding;
    result.paths = parsePlaylistText(decoded.text, baseDir, finder);
    result.ok = true;
    return result;
}

PlaylistReadResult readPlaylistFile(const QString &fileName)
{
    return readPlaylistFile(fileName, QDir::currentPath(), MovedFileFinder());
}

QByteArray playlistFileBytes(const QStringList &paths, TextEncoding encoding)
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
    if (text.isEmpty())
        return {};
    return encodeText(text, encoding);
}

TextEncoding chooseSaveEncoding(const QString &fileName, const QStringList &paths)
{
    QByteArray bytes;
    QString ignored;
    if (!readBounded(fileName, &bytes, &ignored))
        return TextEncoding::Utf8;
    const TextEncoding old = detectEncoding(bytes);
    if (old == TextEncoding::Utf8 || old == TextEncoding::Utf8Bom)
        return old;
    // An 8-bit code page holds only a few hundred letters; a path outside them would be saved
    // as '?' and lost, so such a playlist moves to UTF-8.
    for (const QString &p : paths) {
        if (decodeAs(encodeText(p, old), old) != p)
            return TextEncoding::Utf8;
    }
    return old;
}

bool SavePlaylist(const TPlaylist &playlist, const QString &fileName, QString *error)
{
    const QStringList paths = playlist.paths();
    return writeFileAtomically(fileName, playlistFileBytes(paths, chooseSaveEncoding(fileName, paths)), error);
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
