#pragma once

#include <QString>

#include <optional>

namespace zv {

// The two linear maps of the timing correction:
//   subtitle time = film position * ShiftFactor + ShiftOffset          (the timer)
//   film time = subtitle time * ShiftFactorInverse + ShiftOffsetInverse (lists, saving)
// Seconds throughout. Default-constructed: neutral.
struct ShiftCoefficients {
    double ShiftFactor = 1.0;
    double ShiftOffset = 0.0;
    double ShiftFactorInverse = 1.0;
    double ShiftOffsetInverse = 0.0;

    bool operator==(const ShiftCoefficients &) const = default;
};

// Every line shown `seconds` earlier (or later). Inline: the options' values use it without
// linking the subtitle code.
inline ShiftCoefficients plainShift(double seconds, bool later)
{
    const double d = later ? -seconds : seconds;
    return {1.0, d, 1.0, -d};
}

// The line stored at subtitle second s1 shown at film second f1.
ShiftCoefficients onePointFit(double s1, double f1);

// Lines stored at s1 and s2 shown at film seconds f1 and f2; nullopt when s1 == s2 or
// f1 == f2 (no line through them), in which case the caller keeps its previous values.
std::optional<ShiftCoefficients> twoPointFit(double s1, double f1, double s2, double f2);

// The refusal shown for equal times.
QString twoPointFitRefusal();

} // namespace zv
