#include "subs_film.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>

namespace zv::subs {

bool isFilmPath(const QString &path)
{
    static const QStringList extensions = {
        QStringLiteral("mkv"), QStringLiteral("mka"),  QStringLiteral("mks"),  QStringLiteral("webm"),
        QStringLiteral("mp4"), QStringLiteral("m4v"),  QStringLiteral("m4a"),  QStringLiteral("mov"),
        QStringLiteral("avi"), QStringLiteral("ts"),   QStringLiteral("m2ts"), QStringLiteral("mts"),
        QStringLiteral("ogv"), QStringLiteral("ogg"),  QStringLiteral("ogm"),  QStringLiteral("flv"),
        QStringLiteral("wmv"), QStringLiteral("asf"),  QStringLiteral("mpg"),  QStringLiteral("mpeg"),
        QStringLiteral("vob"), QStringLiteral("3gp"),  QStringLiteral("divx"), QStringLiteral("xvid"),
    };
    const QFileInfo info(path);
    if (extensions.contains(info.suffix().toLower()))
        return true;
    if (!info.isFile())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(192);
    const auto at = [&](qsizetype i) { return i < head.size() ? uint8_t(head[i]) : 0xFFFF; };
    return head.startsWith("\x1A\x45\xDF\xA3")                              // Matroska, WebM
        || head.mid(4, 4) == "ftyp"                                         // MP4, MOV, 3GP
        || (head.startsWith("RIFF") && head.mid(8, 4) == "AVI ")            // AVI
        || head.startsWith("OggS") || head.startsWith("FLV\x01")
        || head.startsWith("\x30\x26\xB2\x75\x8E\x66\xCF\x11")              // ASF, WMV
        || head.startsWith(QByteArray("\x00\x00\x01\xBA", 4))               // MPEG program stream
        || (at(0) == 0x47 && at(188) == 0x47);                              // MPEG transport stream
}

} // namespace zv::subs
