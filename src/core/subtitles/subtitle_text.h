#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cmath>
#include <cstdint>
#include <optional>
#include <type_traits>

// Small text and number helpers shared by the subtitle loaders, the time lists and the timer.
namespace zv::subtitle_text {

// The ordinary string-to-integer rule of the subtitle files: optional leading blanks (space or
// tab), an optional sign, decimal digits and nothing after them, within signed 32 bits.
// Anything else is a conversion error (nullopt).
namespace detail {
// Both toInt32 overloads; inline, as the loaders call it for every field of every line.
template <typename Char>
inline std::optional<int32_t> parseInt32(const Char *p, const Char *const end)
{
    while (p < end && (*p == Char(' ') || *p == Char('\t')))
        ++p;
    bool negative = false;
    if (p < end && (*p == Char('+') || *p == Char('-')))
        negative = *p++ == Char('-');
    if (p == end)
        return std::nullopt;
    // Accumulate in 64 bits and stop as soon as the value leaves 32 bits, so that a field of
    // any length is rejected without overflowing.
    int64_t value = 0;
    for (; p < end; ++p) {
        const unsigned digit = unsigned(std::make_unsigned_t<Char>(*p)) - '0';
        if (digit > 9)
            return std::nullopt;
        value = value * 10 + digit;
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return int32_t(value);
}
} // namespace detail

inline std::optional<int32_t> toInt32(QStringView s)
{
    return detail::parseInt32(s.utf16(), s.utf16() + s.size());
}
// The same on UTF-8 text.
inline std::optional<int32_t> toInt32(QByteArrayView s)
{
    return detail::parseInt32(s.data(), s.data() + s.size());
}

// True when the text holds only blanks and control characters (everything up to U+0020).
bool isBlank(QStringView s);
bool isBlank(QByteArrayView s);
// Removes blanks and control characters (everything up to U+0020) from both ends.
QStringView trimmed(QStringView s);

// Rounds to the nearest integer, ties to the even neighbour, whatever the FPU mode is.
inline double roundHalfEven(double x)
{
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff > 0.5)
        return f + 1;
    if (diff < 0.5)
        return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

// Rounds half-even into [lo, hi]; NaN and values outside give nullopt.
std::optional<int64_t> roundToRange(double x, int64_t lo, int64_t hi);

} // namespace zv::subtitle_text
