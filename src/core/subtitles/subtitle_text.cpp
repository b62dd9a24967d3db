#include "core/subtitles/subtitle_text.h"

#include <cmath>

namespace zv::subtitle_text {

namespace {

char16_t unitAt(QStringView s, qsizetype i) { return s[i].unicode(); }
char16_t unitAt(QByteArrayView s, qsizetype i) { return uint8_t(s[i]); }

template <typename View>
bool allBlank(View s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (unitAt(s, i) > u' ')
            return false;
    }
    return true;
}

} // namespace

bool isBlank(QStringView s)
{
    return allBlank(s);
}

bool isBlank(QByteArrayView s)
{
    return allBlank(s);
}

QStringView trimmed(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= u' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= u' ')
        --e;
    return s.sliced(b, e - b);
}

std::optional<int64_t> roundToRange(double x, int64_t lo, int64_t hi)
{
    if (std::isnan(x))
        return std::nullopt;
    const double r = roundHalfEven(x);
    if (r < double(lo) || r > double(hi))
        return std::nullopt;
    return int64_t(r);
}

} // namespace zv::subtitle_text
