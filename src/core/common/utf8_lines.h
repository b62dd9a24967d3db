#pragma once

#include "core/common/text_codec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace zv {

// A list of lines kept as UTF-8, back to back in one buffer, with the end of each line. A
// million subtitle lines cost their bytes plus four bytes each, where a QStringList costs a
// string object, an allocation and a UTF-16 copy (twice the bytes) per line.
// Every line is valid UTF-8: bytes of unknown validity come in through appendDecoded.
class Utf8LinesRewriter;

class Utf8Lines {
public:
    Utf8Lines() = default;
    static Utf8Lines fromStrings(const QStringList &lines);

    qsizetype size() const { return qsizetype(ends_.size()); }
    bool isEmpty() const { return ends_.empty(); }
    QByteArrayView line(qsizetype i) const
    {
        const uint32_t begin = i == 0 ? 0 : ends_[size_t(i) - 1];
        return QByteArrayView(bytes_.constData() + begin, qsizetype(ends_[size_t(i)] - begin));
    }
    QString at(qsizetype i) const { return QString::fromUtf8(line(i)); }
    QStringList toStringList() const;

    // Appends one line given in `encoding` (a UTF-8 BOM is not expected here). Throws
    // std::length_error when the buffer would pass 4 GB.
    void appendDecoded(QByteArrayView bytes, TextEncoding encoding);
    // The same for an 8-bit `encoding`, counting the letters that tell the code pages apart.
    void appendDecoded(QByteArrayView bytes, TextEncoding encoding, EightBitVotes &votes);
    // Appends a line already known to be valid UTF-8 (say, from a file checked whole).
    void appendValidUtf8(QByteArrayView utf8);
    void append(const QString &line);
    // Room for about `bytes` of text in `lines` lines, so that growing never copies.
    void reserve(qsizetype bytes, qsizetype lines);
    void clear() { *this = Utf8Lines(); }
    // Keeps the first `count` lines.
    void truncate(qsizetype count);
    qsizetype byteSize() const { return bytes_.size(); }

    // Rewrites the list in place into a list of pieces of its lines (see the class below).
    using Rewriter = Utf8LinesRewriter;

private:
    void checkRoom(qsizetype more) const;

    friend class Utf8LinesRewriter;

    QByteArray bytes_;
    std::vector<uint32_t> ends_;
};

// Walks the lines in order and keeps one piece of some of them as the lines of a new list
// built in the same memory: every piece lies at or after the place it moves to. The
// subtitle loaders turn a file's lines into the texts of a table this way, so the texts
// never exist twice.
class Utf8LinesRewriter {
public:
    explicit Utf8LinesRewriter(Utf8Lines &&source);
    qsizetype count() const { return source_.size(); }
    // The next line of the source; valid until the next call. Lines come in order, once.
    QByteArrayView next();
    // Keeps `piece` (a part of the line last returned by next()) as the next new line and
    // returns its index.
    uint32_t keep(QByteArrayView piece);
    // The kept pieces; the source's unused memory is given back.
    Utf8Lines finish();

private:
    Utf8Lines source_;
    qsizetype read_ = 0;      // lines returned by next()
    uint32_t readEnd_ = 0;    // end of the line last returned
    uint32_t written_ = 0;    // bytes kept so far
    uint32_t kept_ = 0;       // pieces kept so far
};

// The UTF-8 byte offset of UTF-16 index `index` of `utf8`, for a text decoded from it.
qsizetype utf8OffsetOfUtf16Index(QByteArrayView utf8, qsizetype index);
// True when the first `n` bytes (all of them when there are fewer) are ASCII.
bool isAsciiPrefix(QByteArrayView bytes, qsizetype n);

} // namespace zv
