#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// Small text and number helpers shared by the subtitle loaders, the time lists and the timer.
namespace zv::subtitle_text {

// The ordinary string-to-integer rule of the subtitle files: optional leading blanks (space or
// tab), an optional sign, decimal digits and nothing after them, within signed 32 bits.
// Anything else is a conversion error (nullopt).
std::optional<int32_t> toInt32(QStringView s);
std::optional<int32_t> toInt32(QByteArrayView s); // the same on UTF-8 text

// True when the text holds only blanks and control characters (everything up to U+0020).
bool isBlank(QStringView s);
bool isBlank(QByteArrayView s);
// Removes blanks and control characters (everything up to U+0020) from both ends.
QStringView trimmed(QStringView s);

// Rounds to the nearest integer, ties to the even neighbour, whatever the FPU mode is.
double roundHalfEven(double x);

// Rounds half-even into [lo, hi]; NaN and values outside give nullopt.
std::optional<int64_t> roundToRange(double x, int64_t lo, int64_t hi);

} // namespace zv::subtitle_text
