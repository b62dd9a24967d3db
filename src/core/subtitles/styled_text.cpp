#include "core/subtitles/styled_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zv::styled_text {

Style afterMark(Style style, char16_t c)
{
    switch (c) {
    case kItalicOn: style.italic = true; break;
    case kItalicOff: style.italic = false; break;
    case kBoldOn: style.bold = true; break;
    case kBoldOff: style.bold = false; break;
    default: break;
    }
    return style;
}

bool hasMarks(QByteArrayView utf8)
{
    // Marks are single bytes below 0x20, which never occur inside a UTF-8 sequence. Every
    // loaded cue is asked, so eight bytes are looked at at once: a byte of 0x1C..0x1F is the
    // one that masked with 0xFC and compared with 0x1C gives zero.
    constexpr uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
    const char *p = utf8.data();
    const qsizetype n = utf8.size();
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        const uint64_t v = (w & 0xFCFCFCFCFCFCFCFC) ^ 0x1C1C1C1C1C1C1C1C;
        if ((v - kOnes) & ~v & kHighs)
            return true;
    }
    for (; i < n; ++i) {
        if (isMark(uint8_t(p[i])))
            return true;
    }
    return false;
}

bool hasMarks(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isMark(c.unicode()); });
}

QByteArray stripMarks(QByteArrayView utf8)
{
    QByteArray out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (!isMark(uint8_t(c)))
            out.append(c);
    }
    return out;
}

QString stripMarks(const QString &text)
{
    if (!hasMarks(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isMark(c.unicode()))
            out.append(c);
    }
    return out;
}

QString marksAsBlanks(QString text)
{
    if (!hasMarks(text))
        return text;
    for (QChar &c : text) {
        if (isMark(c.unicode()))
            c = QLatin1Char(' ');
    }
    return text;
}

Style styleAfter(QStringView text, Style start)
{
    for (QChar c : text)
        start = afterMark(start, c.unicode());
    return start;
}

QString marksBetween(Style from, Style to)
{
    QString out;
    if (from.italic != to.italic)
        out += QChar(to.italic ? kItalicOn : kItalicOff);
    if (from.bold != to.bold)
        out += QChar(to.bold ? kBoldOn : kBoldOff);
    return out;
}

QList<Run> runs(QStringView text, Style start)
{
    QList<Run> out;
    Style style = start;
    qsizetype from = 0;
    const auto close = [&](qsizetype at) {
        if (at > from) {
            // Marks that change nothing leave two runs of one style: they become one.
            if (!out.isEmpty() && out.last().style == style)
                out.last().text += text.sliced(from, at - from);
            else
                out.append({text.sliced(from, at - from).toString(), style});
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!isMark(c))
            continue;
        close(i);
        style = afterMark(style, c);
        from = i + 1;
    }
    close(text.size());
    return out;
}

} // namespace zv::styled_text
