#include "core/subtitles/subtitle_text.h"

#include <cmath>

namespace zv::subtitle_text {

namespace {

char16_t unitAt(QStringView s, qsizetype i) { return s[i].unicode(); }
char16_t unitAt(QByteArrayView s, qsizetype i) { return uint8_t(s[i]); }

template <typename View>
std::optional<int32_t> parseInt32(View s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && (unitAt(s, i) == u' ' || unitAt(s, i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (unitAt(s, i) == u'+' || unitAt(s, i) == u'-')) {
        negative = unitAt(s, i) == u'-';
        ++i;
    }
    if (i == n)
        return std::nullopt;
    // Accumulate in 64 bits and stop as soon as the value leaves 32 bits, so that a field of
    // any length is rejected without overflowing.
    int64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = unitAt(s, i);
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return int32_t(value);
}

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

std::optional<int32_t> toInt32(QStringView s)
{
    return parseInt32(s);
}

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
