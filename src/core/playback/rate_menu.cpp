#include "core/playback/rate_menu.h"

#include "core/playback/slider_math.h"

namespace zv::playback {

std::span<const RateItem> rateItems()
{
    static constexpr RateItem items[] = {
        {"S1", "Szybciej\tPage Up", kFasterTag},
        {"W1", "Wolniej\tPage Down", kSlowerTag},
        {"N91", "+9", 19}, {"N81", "+8", 18}, {"N71", "+7", 17}, {"N61", "+6", 16},
        {"N51", "+5", 15}, {"N41", "+4", 14}, {"N31", "+3", 13}, {"N21", "+2", 12},
        {"N11", "+1", 11},
        {"N01", "0\tHome", kNormalTag},
        {"N13", "-1", 9}, {"N22", "-2", 8}, {"N32", "-3", 7}, {"N42", "-4", 6},
        {"N52", "-5", 5}, {"N62", "-6", 4}, {"N72", "-7", 3}, {"N82", "-8", 2},
        {"N92", "-9", 1},
    };
    return items;
}

int checkedRateTag(double rate)
{
    return roundToInt(rate * 10.0);
}

bool rateClickChanges(int tag, double currentRate)
{
    if (tag == kSlowerTag)
        return checkedRateTag(currentRate) > kMinRateTag;
    if (tag == kFasterTag)
        return checkedRateTag(currentRate) < kMaxRateTag;
    return tag >= kMinRateTag && tag <= kMaxRateTag;
}

double rateAfterClick(int tag, double currentRate)
{
    if (!rateClickChanges(tag, currentRate))
        return currentRate;
    if (tag == kSlowerTag)
        return currentRate - 0.1;
    if (tag == kFasterTag)
        return currentRate + 0.1;
    return tag / 10.0;
}

} // namespace zv::playback
