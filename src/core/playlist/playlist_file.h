#pragma once

#include "core/common/text_codec.h"

#include <QString>
#include <QStringList>

namespace zv {

class MovedFileFinder;
class TPlaylist;

// Playlist files (".m3u", ".zvl" and the temporary playlist) are one path per line. Reading
// skips empty lines and lines starting with '#' (extended M3U headers and information lines),
// keeps each line that names an existing file, and otherwise takes what FindMovedFile finds;
// the rest is dropped and counted. Lines are not classified: a playlist named in a playlist
// becomes an entry and is not opened; folders are dropped.

struct PlaylistReadResult {
    bool ok = false;       // false: the file could not be read; paths is then empty
    QString error;         // short reason when !ok
    QStringList paths;     // in file order
    // UTF-8 (with or without BOM), or the code page when some line was read in it.
    TextEncoding encoding = TextEncoding::Utf8;
    qsizetype missing = 0; // lines naming a file that was not found, dropped from paths
};

// Files larger than this are refused rather than loaded into memory (a 100 000-entry playlist
// is a few megabytes).
inline constexpr qint64 kMaxPlaylistFileSize = 128LL * 1024 * 1024;

// Relative lines are tested against baseDir and become absolute paths, so the entry keeps
// pointing at the same file whatever the current directory is later.
QStringList parsePlaylistText(const QString &text, const QString &baseDir, const MovedFileFinder &finder);

// Reads a playlist's bytes. Each line is read on its own, so a file with lines in two encodings
// (one written as UTF-8, another added in Windows-1250) loses neither: a line that is not UTF-8
// is read in Windows-1250 or ISO-8859-2 (chosen by the letters of such lines); a UTF-8 line
// above ASCII can also be 8-bit text ("\xD3\xAF" is "ÓŻ" or "ӯ"), and when no file has its UTF-8
// name, its 8-bit name is tried. A BOM only says the lines are UTF-8 where they can be.
PlaylistReadResult parsePlaylistBytes(QByteArrayView bytes, const QString &baseDir, const MovedFileFinder &finder);
// The same for a file; refuses what is not a regular file, and files over the size limit.
PlaylistReadResult readPlaylistFile(const QString &fileName, const QString &baseDir,
                                    const MovedFileFinder &finder);
// Relative lines are taken against the playlist's own folder, as the players and tools that
// write such lines mean them.
PlaylistReadResult readPlaylistFile(const QString &fileName, const MovedFileFinder &finder);
// The same with the default mount roots and program folder.
PlaylistReadResult readPlaylistFile(const QString &fileName);

// The status line's note that lines of the playlists just read named files not found.
QString playlistMissingText(qsizetype missing);

// The bytes of a playlist file: every path followed by CR LF, nothing else. Paths that hold a
// line break or NUL cannot be written as one line and are left out (they would come back as
// other, possibly existing, paths). `encoding` is kept when the file reads back as the same
// paths in it (see encodeReadingBack), otherwise the file is UTF-8; *used says which.
QByteArray playlistFileBytes(const QStringList &paths, TextEncoding encoding, TextEncoding *used = nullptr);

// The encoding SavePlaylist prefers for `fileName`: the one an existing file was written in
// (so a Windows-1250 playlist stays Windows-1250 while it can), UTF-8 for a new file.
TextEncoding previousPlaylistEncoding(const QString &fileName);

// Replaces the file atomically with the playlist's paths (an empty playlist gives an empty
// file). On failure the old file is untouched, false is returned and *error says why.
bool SavePlaylist(const TPlaylist &playlist, const QString &fileName, QString *error = nullptr);

// The temporary playlist (Paths::tempPlaylist()), saved at exit and restored at start.
bool saveTemporaryPlaylist(const TPlaylist &playlist, QString *error = nullptr);
// Replaces the playlist with the temporary playlist's entries (nothing opened). A missing file
// is looked for with FindMovedFile; when nothing is found, or the file yields no entry, the
// playlist is left as it is and false is returned. *error is set only when a file existed but
// could not be read.
bool loadTemporaryPlaylist(TPlaylist &playlist, const QString &baseDir, const MovedFileFinder &finder,
                           QString *error = nullptr);
bool loadTemporaryPlaylist(TPlaylist &playlist, QString *error = nullptr);

} // namespace zv
