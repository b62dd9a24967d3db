// Playlist files. The input is read as a playlist file (both decodings, checked against the
// file system) and its lines are written back: what is written must decode to exactly the
// lines written, in the encoding the writer reports, whatever encoding was asked for.

#include "core/playlist/find_moved_file.h"
#include "core/playlist/playlist_file.h"
#include "fuzz/fuzz_support.h"

#include <QDir>

using namespace zv;

namespace {

QStringList writableLines(const QString &text)
{
    QStringList out;
    for (const QString &line : splitLines(text)) {
        if (!line.contains(QChar(0)))
            out << line;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const DecodedText decoded = decodeText(bytes);
    // Relative lines resolve against a folder that holds nothing, absolute ones against the
    // real system; no volume roots, so reading stays cheap.
    const MovedFileFinder finder({}, QString());
    parsePlaylistText(decoded.text, QStringLiteral("/nonexistent-zv-fuzz"), finder);

    const QStringList paths = writableLines(decoded.text);
    for (TextEncoding asked : {decoded.encoding, TextEncoding::Windows1250, TextEncoding::Iso8859_2,
                               TextEncoding::Utf8}) {
        TextEncoding used = asked;
        const QByteArray written = playlistFileBytes(paths, asked, &used);
        const DecodedText back = decodeText(written);
        ZV_FUZZ_CHECK(splitLines(back.text) == paths, paths.join(u'\n'), back.text);
        if (!written.isEmpty())
            ZV_FUZZ_CHECK(back.encoding == used, written);
    }
    return 0;
}
