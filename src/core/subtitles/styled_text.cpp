#include "core/subtitles/styled_text.h"

#include <algorithm>

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
    // Marks are single bytes below 0x20, which never occur inside a UTF-8 sequence.
    return std::any_of(utf8.begin(), utf8.end(), [](char c) { return isMark(uint8_t(c)); });
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
