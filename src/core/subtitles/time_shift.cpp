#include "core/subtitles/time_shift.h"

namespace zv {

ShiftCoefficients onePointFit(double s1, double f1)
{
    return {1.0, s1 - f1, 1.0, f1 - s1};
}

std::optional<ShiftCoefficients> twoPointFit(double s1, double f1, double s2, double f2)
{
    if (s1 == s2 || f1 == f2)
        return std::nullopt;
    ShiftCoefficients c;
    c.ShiftFactor = (s2 - s1) / (f2 - f1);
    c.ShiftFactorInverse = (f2 - f1) / (s2 - s1);
    c.ShiftOffset = s1 - f1 * c.ShiftFactor;
    c.ShiftOffsetInverse = f1 - s1 * c.ShiftFactorInverse;
    return c;
}

QString twoPointFitRefusal()
{
    return QStringLiteral("Czasy wyświetlania nie mogą być jednakowe.\nError: 89216");
}

} // namespace zv
