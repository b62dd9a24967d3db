#include "core/playback/slider_math.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace zv::playback {

double Przeskaluj(double x1, double x2, double y1, double y2, double x)
{
    if (x == x1 || x1 == x2)
        return y1;
    return y1 + (x - x1) * (y2 - y1) / (x2 - x1);
}

namespace {
int saturate(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= double(INT_MAX))
        return INT_MAX;
    if (v <= double(INT_MIN))
        return INT_MIN;
    return int(v);
}
} // namespace

int truncateToInt(double v)
{
    return saturate(std::trunc(v));
}

int roundToInt(double v)
{
    // Halves to even, whatever the floating-point environment says.
    if (std::isnan(v) || std::isinf(v))
        return saturate(v);
    const double floor = std::floor(v);
    const double diff = v - floor;
    double r = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        r = floor + 1.0;
    return saturate(r);
}

int PositionSlider::bounded(int left) const
{
    return left >= kMinLeft ? std::min(left, maxLeft()) : kMinLeft;
}

int PositionSlider::thumbForPosition(double position, double duration) const
{
    const int d = roundToInt(duration);
    // A negative duration (-1: not known) would map a missing position to the far end.
    if (d <= 0)
        return kMinLeft;
    const int left = truncateToInt(Przeskaluj(0, d, kMinLeft, maxLeft(), position));
    return std::min(left, maxLeft());
}

double PositionSlider::positionForThumb(int left, double duration) const
{
    return Przeskaluj(kMinLeft, maxLeft(), 0, duration, left);
}

int PositionSlider::thumbForTrackX(int x) const
{
    return bounded(x + kBorderWidth - kThumbWidth / 2);
}

int PositionSlider::thumbForDrag(int anchorLeft, int dx) const
{
    const long long left = (long long)anchorLeft + dx;
    return bounded(int(std::clamp<long long>(left, INT_MIN, INT_MAX)));
}

int VolumeSlider::thumbForEngineVolume(int centibels)
{
    // The engine accepts down to -10000; all of that is silence, shown at the left end.
    return std::clamp(roundToInt((double(centibels) + 5000.0) * width() / 5000.0), 0, width());
}

int VolumeSlider::engineVolumeForThumb(int left)
{
    return roundToInt(double(left) * 5000.0 / width() - 5000.0);
}

int VolumeSlider::thumbForChannel(int level)
{
    return roundToInt(double(std::clamp(level, 0, 255)) * width() / 255.0);
}

std::uint8_t VolumeSlider::channelForThumb(int left)
{
    return std::uint8_t(std::clamp(roundToInt(double(left) * 255.0 / width()), 0, 255));
}

int VolumeSlider::thumbForDrag(int anchorLeft, int dx)
{
    return int(std::clamp<long long>((long long)anchorLeft + dx, 0, width()));
}

int engineVolumeUp(int centibels)
{
    return centibels + 100 > 0 ? 0 : centibels + 100;
}

int engineVolumeDown(int centibels)
{
    return centibels - 100 < -5000 ? -5000 : centibels - 100;
}

int channelUp(int level)
{
    return level >= 246 ? 255 : level + 10;
}

int channelDown(int level)
{
    return level <= 9 ? 0 : level - 10;
}

} // namespace zv::playback
