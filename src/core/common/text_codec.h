#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace zv {

// Encodings of the 8-bit text files the program reads (subtitles, playlists) and writes back
// in the encoding they were read in.
enum class TextEncoding { Utf8, Utf8Bom, Windows1250, Iso8859_2 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

// BOM or valid UTF-8 -> UTF-8; otherwise one of the two Polish 8-bit code pages, chosen by
// which of them the Polish letters' bytes point to (see chooseEightBitEncoding).
TextEncoding detectEncoding(QByteArrayView bytes);
bool isValidUtf8(QByteArrayView bytes);
DecodedText decodeText(QByteArrayView bytes);
QString decodeAs(QByteArrayView bytes, TextEncoding encoding);
// Appends `bytes` decoded from `encoding` to `out` as UTF-8, the way decodeAs would read them
// (invalid UTF-8 sequences become U+FFFD; a BOM is not expected here).
void appendAsUtf8(QByteArray &out, QByteArrayView bytes, TextEncoding encoding);
// Characters that the 8-bit target cannot hold become '?'.
QByteArray encodeText(const QString &text, TextEncoding encoding);

// Splits on CR LF, LF and CR. A final line break does not add an empty last line.
QStringList splitLines(const QString &text);

} // namespace zv
