#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

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
// Which Polish code page `bytes` would be read in if they were not UTF-8.
TextEncoding eightBitEncodingOf(QByteArrayView bytes);
bool isValidUtf8(QByteArrayView bytes);

// The letters eightBitEncodingOf decides by, counted piece by piece for readers that pass over
// a file once: the pieces' counts added up give the whole file's choice.
class EightBitVotes {
public:
    void add(QByteArrayView bytes);
    void addByte(uint8_t b) { isoLead_ += kVote[b]; }
    void addCounts(const EightBitVotes &piece) { isoLead_ += piece.isoLead_; }
    TextEncoding choice() const;

private:
    static const std::array<int8_t, 256> kVote; // +1 for an ISO-8859-2 letter, -1 for Windows-1250
    qsizetype isoLead_ = 0;
};
DecodedText decodeText(QByteArrayView bytes);
// A BOM at the start of `bytes` is kept as U+FEFF, except the file-level one of Utf8Bom.
QString decodeAs(QByteArrayView bytes, TextEncoding encoding);
// UTF-8 to UTF-16 keeping a leading U+FEFF (QString::fromUtf8 drops it); invalid sequences
// become U+FFFD.
QString utf8ToString(QByteArrayView bytes);
// Appends `bytes` decoded from `encoding` to `out` as UTF-8, the way decodeAs would read them
// (invalid UTF-8 sequences become U+FFFD; a BOM is not expected here).
void appendAsUtf8(QByteArray &out, QByteArrayView bytes, TextEncoding encoding);
// The same for an 8-bit encoding, counting `bytes` into `votes` on the way.
void appendAsUtf8(QByteArray &out, QByteArrayView bytes, TextEncoding encoding, EightBitVotes &votes);
// Characters that the 8-bit target cannot hold become '?'.
QByteArray encodeText(const QString &text, TextEncoding encoding);

// For writers that keep the encoding a file was read in: `preferred` when decodeText of the
// written bytes gives back this encoding and exactly `text`, otherwise UTF-8 (with a BOM when
// the text itself starts with U+FEFF, so that character is not taken for the file's BOM).
// An 8-bit text whose bytes happen to be valid UTF-8 (such as "\xD3\xAF" for "ÓŻ") would be
// read back as other letters, so it moves to UTF-8. `*used` receives the encoding written.
QByteArray encodeReadingBack(const QString &text, TextEncoding preferred, TextEncoding *used = nullptr);

// An editor that writes a file back must not lose the bytes it could not decode: bytes that an
// 8-bit code page has no character for (0x81, 0x83, 0x88, 0x90 and 0x98 in Windows-1250) are
// read as the private-use characters U+F700 + byte and written back as those bytes. Otherwise
// the same as decodeText and encodeReadingBack.
DecodedText decodeTextKeepingBytes(QByteArrayView bytes);
// When the text has to move to UTF-8 the kept bytes cannot go along; they become U+FFFD there,
// and `*bytesLost` tells the caller, which may ask before writing.
QByteArray encodeReadingBackKeepingBytes(const QString &text, TextEncoding preferred,
                                         TextEncoding *used = nullptr, bool *bytesLost = nullptr);

// Splits on CR LF, LF and CR. A final line break does not add an empty last line.
QStringList splitLines(const QString &text);

} // namespace zv
