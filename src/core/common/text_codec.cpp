#include "core/common/text_codec.h"

#include <QStringDecoder>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace zv {

namespace {

// Unicode values of bytes 0x80..0xFF in Windows-1250 (0xFFFD where the code page has none).
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Unicode values of bytes 0xA0..0xFF in ISO-8859-2 (0x80..0x9F are C1 controls).
constexpr std::array<char16_t, 96> kIso88592 = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

char16_t unicodeOf(uint8_t b, TextEncoding enc)
{
    if (b < 0x80)
        return b;
    if (enc == TextEncoding::Iso8859_2)
        return b < 0xA0 ? char16_t(b) : kIso88592[b - 0xA0];
    return kCp1250[b - 0x80];
}

// Text is mostly ASCII: steps over whole 8-byte words of it.
template <typename Byte>
const Byte *skipAsciiWords(const Byte *p, const Byte *end)
{
    while (end - p >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ull)
            break;
        p += 8;
    }
    return p;
}

bool validUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Jump to the first byte above ASCII of the next eight: Polish text mixes both closely.
        if (end - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            w &= 0x8080808080808080ull;
            if (!w) {
                p += 8;
                continue;
            }
            p += std::countr_zero(w) >> 3;
        }
        const uint8_t c = *p;
        if (c < 0x80) { ++p; continue; }
        // Two-byte letters (all of Polish) the short way; 0xC0 and 0xC1 only start overlong forms.
        if ((c & 0xE0) == 0xC0) {
            if (c < 0xC2 || end - p < 2 || (p[1] & 0xC0) != 0x80)
                return false;
            p += 2;
            // Polish letters come in runs ("żółć"): stay here while they last.
            while (end - p >= 2 && (p[0] & 0xE0) == 0xC0) {
                if (p[0] < 0xC2 || (p[1] & 0xC0) != 0x80)
                    return false;
                p += 2;
            }
            continue;
        }
        int n;
        uint32_t cp;
        if ((c & 0xE0) == 0xC0) { n = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { n = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { n = 3; cp = c & 0x07; }
        else return false;
        if (end - p <= n)
            return false;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000)
            || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += n + 1;
    }
    return true;
}

// The Polish letters ą ś ź Ą Ś Ź sit on different bytes in the two code pages; every other
// Polish letter has the same byte in both. Windows-1250 puts them on 0xB9 0x9C 0x9F 0xA5 0x8C
// 0x8F, ISO-8859-2 on 0xB1 0xB6 0xBC 0xA1 0xA6 0xAC. Count which set the file uses; ISO-8859-2
// wins only when it has strictly more hits, since Windows-1250 is by far the common case.
TextEncoding chooseEightBitEncoding(QByteArrayView bytes)
{
    EightBitVotes votes;
    votes.add(bytes);
    return votes.choice();
}

bool hasUtf8Bom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && uint8_t(bytes[0]) == 0xEF && uint8_t(bytes[1]) == 0xBB
        && uint8_t(bytes[2]) == 0xBF;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    return validUtf8(bytes);
}

const std::array<int8_t, 256> EightBitVotes::kVote = [] {
    std::array<int8_t, 256> t{};
    for (uint8_t b : {0xB9, 0x9C, 0x9F, 0xA5, 0x8C, 0x8F})
        t[b] = -1;
    for (uint8_t b : {0xB1, 0xB6, 0xBC, 0xA1, 0xA6, 0xAC})
        t[b] = 1;
    return t;
}();

void EightBitVotes::add(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.data());
    const auto *const end = p + bytes.size();
    while (p < end) {
        p = skipAsciiWords(p, end);
        if (p < end)
            addByte(*p++);
    }
}

TextEncoding EightBitVotes::choice() const
{
    return isoLead_ > 0 ? TextEncoding::Iso8859_2 : TextEncoding::Windows1250;
}

TextEncoding eightBitEncodingOf(QByteArrayView bytes)
{
    return chooseEightBitEncoding(bytes);
}

TextEncoding detectEncoding(QByteArrayView bytes)
{
    if (hasUtf8Bom(bytes))
        return TextEncoding::Utf8Bom;
    if (validUtf8(bytes))
        return TextEncoding::Utf8;
    return chooseEightBitEncoding(bytes);
}

QString utf8ToString(QByteArrayView bytes)
{
    if (!hasUtf8Bom(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString decodeAs(QByteArrayView bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return utf8ToString(hasUtf8Bom(bytes) ? bytes.sliced(3) : bytes);
    case TextEncoding::Utf8:
        return utf8ToString(bytes);
    case TextEncoding::Windows1250:
    case TextEncoding::Iso8859_2:
        break;
    }
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = unicodeOf(static_cast<uint8_t>(bytes[i]), encoding);
    return out;
}

namespace {

// UTF-8 of every byte of an 8-bit code page, ready for one four-byte store: the bytes first,
// then their count in the last byte, which the next character overwrites.
using Utf8Table = std::array<uint32_t, 256>;

Utf8Table makeUtf8Table(TextEncoding enc)
{
    Utf8Table t{};
    for (int b = 0; b < 256; ++b) {
        const char16_t u = unicodeOf(uint8_t(b), enc);
        std::array<char, 4> e{};
        if (u < 0x80)
            e = {char(u), 0, 0, 1};
        else if (u < 0x800)
            e = {char(0xC0 | (u >> 6)), char(0x80 | (u & 0x3F)), 0, 2};
        else
            e = {char(0xE0 | (u >> 12)), char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F)), 3};
        std::memcpy(&t[size_t(b)], e.data(), 4);
    }
    return t;
}

unsigned lengthOf(uint32_t entry)
{
    if constexpr (std::endian::native == std::endian::little)
        return entry >> 24;
    else
        return entry & 0xFF;
}

// Four bytes at once: their lengths are known before anything is stored, so the stores do not
// wait on one another as a byte-by-byte loop's do.
template <bool Vote>
inline void decodeFour(char *&dst, const uint8_t *p, const Utf8Table &t, EightBitVotes &votes)
{
    const uint32_t a = t[p[0]], b = t[p[1]], c = t[p[2]], d = t[p[3]];
    const unsigned la = lengthOf(a), lb = lengthOf(b), lc = lengthOf(c), ld = lengthOf(d);
    std::memcpy(dst, &a, 4);
    std::memcpy(dst + la, &b, 4);
    std::memcpy(dst + la + lb, &c, 4);
    std::memcpy(dst + la + lb + lc, &d, 4);
    dst += la + lb + lc + ld;
    if constexpr (Vote) {
        for (int i = 0; i < 4; ++i)
            votes.addByte(p[i]);
    }
}

// Decodes [p, end) into `dst`, which has room for 3 bytes per input byte and 4 more; returns
// the end of the UTF-8 written. Sixteen ASCII bytes are copied as they are. Otherwise Polish
// text has a letter above ASCII every dozen bytes or so, too often for a branch per run to
// pay: every byte then goes through the table.
template <bool Vote>
char *decodeEightBit(char *dst, const uint8_t *p, const uint8_t *const end, const Utf8Table &t,
                     EightBitVotes &votes)
{
    while (end - p >= 16) {
        uint64_t w, v;
        std::memcpy(&w, p, 8);
        std::memcpy(&v, p + 8, 8);
        if (!((w | v) & 0x8080808080808080ull)) {
            std::memcpy(dst, &w, 8);
            std::memcpy(dst + 8, &v, 8);
            dst += 16;
        } else {
            for (int i = 0; i < 16; i += 4)
                decodeFour<Vote>(dst, p + i, t, votes);
        }
        p += 16;
    }
    for (; end - p >= 4; p += 4)
        decodeFour<Vote>(dst, p, t, votes);
    for (; p < end; ++p) {
        const uint32_t e = t[*p];
        std::memcpy(dst, &e, 4);
        dst += lengthOf(e);
        if constexpr (Vote)
            votes.addByte(*p);
    }
    return dst;
}

template <bool Vote>
void appendEightBit(QByteArray &out, QByteArrayView bytes, TextEncoding encoding, EightBitVotes *votes)
{
    static const Utf8Table cp1250 = makeUtf8Table(TextEncoding::Windows1250);
    static const Utf8Table iso = makeUtf8Table(TextEncoding::Iso8859_2);
    const Utf8Table &table = encoding == TextEncoding::Iso8859_2 ? iso : cp1250;
    // Counted apart from the caller's, so the count stays in a register while bytes are stored.
    EightBitVotes counted;
    const auto decode = [&](char *dst) {
        const auto *p = reinterpret_cast<const uint8_t *>(bytes.data());
        return decodeEightBit<Vote>(dst, p, p + bytes.size(), table, counted);
    };
    const qsizetype widest = 3 * bytes.size() + 4;
    const qsizetype old = out.size();
    if (out.capacity() - old >= widest || bytes.size() > 512) {
        // Straight into `out`: within its capacity a resize neither moves nor fills anything.
        out.resize(old + widest);
        out.truncate(decode(out.data() + old) - out.constData());
    } else {
        // A short line into a list that is not sized for it: on the stack first, so `out`
        // grows by what the line takes and not by its widest decoding.
        char buffer[3 * 512 + 4];
        out.append(buffer, decode(buffer) - buffer);
    }
    if constexpr (Vote)
        votes->addCounts(counted);
}

} // namespace

void appendAsUtf8(QByteArray &out, QByteArrayView bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom) {
        if (validUtf8(bytes))
            out.append(bytes.data(), bytes.size());
        else
            out.append(utf8ToString(bytes).toUtf8());
        return;
    }
    appendEightBit<false>(out, bytes, encoding, nullptr);
}

void appendAsUtf8(QByteArray &out, QByteArrayView bytes, TextEncoding encoding, EightBitVotes &votes)
{
    appendEightBit<true>(out, bytes, encoding, &votes);
}

DecodedText decodeText(QByteArrayView bytes)
{
    const TextEncoding enc = detectEncoding(bytes);
    return {decodeAs(bytes, enc), enc};
}

QByteArray encodeText(const QString &text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    if (encoding == TextEncoding::Utf8Bom)
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();

    static const auto reverse = [](TextEncoding enc) {
        std::unordered_map<char16_t, char> m;
        for (int b = 0x80; b < 0x100; ++b) {
            const char16_t u = unicodeOf(uint8_t(b), enc);
            if (u != 0xFFFD)
                m.emplace(u, char(b));
        }
        return m;
    };
    static const auto toCp1250 = reverse(TextEncoding::Windows1250);
    static const auto toIso = reverse(TextEncoding::Iso8859_2);
    const auto &map = encoding == TextEncoding::Iso8859_2 ? toIso : toCp1250;

    QByteArray out;
    out.reserve(text.size());
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (u < 0x80) {
            out.append(char(u));
            continue;
        }
        const auto it = map.find(u);
        out.append(it == map.end() ? '?' : it->second);
    }
    return out;
}

QByteArray encodeReadingBack(const QString &text, TextEncoding preferred, TextEncoding *used)
{
    if (preferred == TextEncoding::Windows1250 || preferred == TextEncoding::Iso8859_2) {
        QByteArray bytes = encodeText(text, preferred);
        if (detectEncoding(bytes) == preferred && decodeAs(bytes, preferred) == text) {
            if (used)
                *used = preferred;
            return bytes;
        }
        preferred = TextEncoding::Utf8;
    }
    if (preferred == TextEncoding::Utf8 && text.startsWith(QChar(0xFEFF)))
        preferred = TextEncoding::Utf8Bom;
    if (used)
        *used = preferred;
    return encodeText(text, preferred);
}

namespace {

constexpr char16_t kKeptByteBase = 0xF700;

bool isEightBit(TextEncoding encoding)
{
    return encoding == TextEncoding::Windows1250 || encoding == TextEncoding::Iso8859_2;
}

// The byte a kept-byte character stands for in `encoding`, or -1 for any other character
// (including a private-use character that stands for a byte the code page does decode).
int keptByte(QChar c, TextEncoding encoding)
{
    const char16_t u = c.unicode();
    if (u < kKeptByteBase + 0x80 || u > kKeptByteBase + 0xFF)
        return -1;
    const auto b = uint8_t(u - kKeptByteBase);
    return unicodeOf(b, encoding) == 0xFFFD ? b : -1;
}

QString decodeKeepingBytes(QByteArrayView bytes, TextEncoding encoding)
{
    QString text = decodeAs(bytes, encoding);
    if (!isEightBit(encoding))
        return text;
    // An 8-bit decoding gives one character per byte.
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uint8_t(bytes[i]);
        if (b >= 0x80 && unicodeOf(b, encoding) == 0xFFFD)
            text[i] = QChar(char16_t(kKeptByteBase + b));
    }
    return text;
}

} // namespace

DecodedText decodeTextKeepingBytes(QByteArrayView bytes)
{
    const TextEncoding enc = detectEncoding(bytes);
    return {decodeKeepingBytes(bytes, enc), enc};
}

QByteArray encodeReadingBackKeepingBytes(const QString &text, TextEncoding preferred, TextEncoding *used,
                                         bool *bytesLost)
{
    if (bytesLost)
        *bytesLost = false;
    if (!isEightBit(preferred))
        return encodeReadingBack(text, preferred, used);
    // encodeText gives one byte per character here, so the kept bytes go back in place.
    QByteArray bytes = encodeText(text, preferred);
    bool kept = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = keptByte(text[i], preferred);
        if (b >= 0) {
            bytes[i] = char(b);
            kept = true;
        }
    }
    if (!kept)
        return encodeReadingBack(text, preferred, used);
    if (detectEncoding(bytes) == preferred && decodeKeepingBytes(bytes, preferred) == text) {
        if (used)
            *used = preferred;
        return bytes;
    }
    QString utf8Text = text;
    for (QChar &c : utf8Text) {
        if (keptByte(c, preferred) >= 0)
            c = QChar(char16_t(0xFFFD));
    }
    if (bytesLost)
        *bytesLost = true;
    return encodeReadingBack(utf8Text, TextEncoding::Utf8, used);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    const QChar *d = text.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = d[i];
        if (c != u'\n' && c != u'\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && d[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

} // namespace zv
