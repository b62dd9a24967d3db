#include "core/common/visible_text.h"

namespace zv {
namespace {

bool reordersText(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
           || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString visibleText(QStringView text)
{
    qsizetype first = 0;
    while (first < text.size() && !reordersText(text[first].unicode()))
        ++first;
    if (first == text.size())
        return text.toString();   // the common case: nothing to replace, one copy
    QString out;
    out.reserve(text.size() + 16);
    out.append(text.left(first));
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (reordersText(c))
            out += QStringLiteral("<U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0') + u'>';
        else
            out += QChar(c);
    }
    return out;
}

} // namespace zv
