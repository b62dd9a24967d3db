#include "core/subtitles/time_shift.h"

#include "core/subtitles/subtitle_text.h"

#include <algorithm>
#include <cmath>

namespace zv {

QString twoPointFitRefusal()
{
    return QStringLiteral("Czasy wyświetlania nie mogą być jednakowe.\nError: 89216");
}

int64_t correctedSecond(int64_t start, bool offsetEnabled, const ShiftCoefficients &shift)
{
    if (!offsetEnabled)
        return std::max<int64_t>(start, 0);
    // The inverse map, as the shifted list shows the line: with a factor other than 1 a
    // first-order correction of the forward map would land seconds away from the line.
    const double t = double(start) * shift.ShiftFactorInverse + shift.ShiftOffsetInverse;
    if (!(t > 0))
        return 0; // also NaN
    return int64_t(subtitle_text::roundHalfEven(std::min(t, 1e12)));
}

} // namespace zv
