#include "core/common/utf8_lines.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace zv {

namespace {

constexpr qsizetype kMaxBytes = std::numeric_limits<uint32_t>::max();

} // namespace

Utf8Lines Utf8Lines::fromStrings(const QStringList &lines)
{
    Utf8Lines out;
    for (const QString &line : lines)
        out.append(line);
    return out;
}

QStringList Utf8Lines::toStringList() const
{
    QStringList out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        out.append(at(i));
    return out;
}

void Utf8Lines::checkRoom(qsizetype more) const
{
    if (more > kMaxBytes - bytes_.size())
        throw std::length_error("text lines past 4 GB");
}

void Utf8Lines::appendDecoded(QByteArrayView bytes, TextEncoding encoding)
{
    checkRoom(3 * bytes.size()); // an 8-bit character takes up to three bytes in UTF-8
    appendAsUtf8(bytes_, bytes, encoding);
    ends_.push_back(uint32_t(bytes_.size()));
}

void Utf8Lines::appendDecoded(QByteArrayView bytes, TextEncoding encoding, EightBitVotes &votes)
{
    checkRoom(3 * bytes.size());
    appendAsUtf8(bytes_, bytes, encoding, votes);
    ends_.push_back(uint32_t(bytes_.size()));
}

void Utf8Lines::appendValidUtf8(QByteArrayView utf8)
{
    checkRoom(utf8.size());
    bytes_.append(utf8.data(), utf8.size());
    ends_.push_back(uint32_t(bytes_.size()));
}

void Utf8Lines::append(const QString &line)
{
    appendValidUtf8(line.toUtf8());
}

void Utf8Lines::reserve(qsizetype bytes, qsizetype lines)
{
    bytes_.reserve(std::min(bytes, kMaxBytes));
    ends_.reserve(size_t(lines));
}

void Utf8Lines::truncate(qsizetype count)
{
    if (count >= size())
        return;
    ends_.resize(size_t(count));
    bytes_.truncate(count == 0 ? 0 : qsizetype(ends_.back()));
}

Utf8LinesRewriter::Utf8LinesRewriter(Utf8Lines &&source)
    : source_(std::move(source))
{
    source_.bytes_.detach(); // pieces are moved inside the buffer, which must be ours alone
}

QByteArrayView Utf8LinesRewriter::next()
{
    const uint32_t begin = readEnd_;
    readEnd_ = source_.ends_[size_t(read_++)];
    return QByteArrayView(source_.bytes_.constData() + begin, qsizetype(readEnd_ - begin));
}

uint32_t Utf8LinesRewriter::keep(QByteArrayView piece)
{
    // Ends of lines not read yet are still needed: the new end goes to a slot already read,
    // so at most one piece may be kept per line.
    Q_ASSERT(qsizetype(kept_) < read_);
    Q_ASSERT(piece.isEmpty() || piece.data() >= source_.bytes_.constData() + written_);
    if (!piece.isEmpty())
        std::memmove(source_.bytes_.data() + written_, piece.data(), size_t(piece.size()));
    written_ += uint32_t(piece.size());
    source_.ends_[kept_] = written_;
    return kept_++;
}

Utf8Lines Utf8LinesRewriter::finish()
{
    Utf8Lines out = std::move(source_);
    out.bytes_.truncate(written_);
    out.bytes_.squeeze();
    out.ends_.resize(kept_);
    out.ends_.shrink_to_fit();
    source_ = Utf8Lines();
    read_ = 0;
    readEnd_ = written_ = kept_ = 0;
    return out;
}

qsizetype utf8OffsetOfUtf16Index(QByteArrayView utf8, qsizetype index)
{
    qsizetype units = 0, i = 0;
    while (i < utf8.size() && units < index) {
        const uint8_t c = uint8_t(utf8[i]);
        const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return std::min(i, utf8.size());
}

bool isAsciiPrefix(QByteArrayView bytes, qsizetype n)
{
    const qsizetype end = std::min(n, bytes.size());
    for (qsizetype i = 0; i < end; ++i) {
        if (uint8_t(bytes[i]) >= 0x80)
            return false;
    }
    return true;
}

} // namespace zv
