#pragma once

#include <span>

// The playback-rate submenu "Prędkość": its items, their tags and what a click on one does.
namespace zv::playback {

struct RateItem {
    const char *name;    // objectName
    const char *caption; // UTF-8
    int tag;             // 0 slower, 20 faster, 1..19 the rate in tenths
};

// In menu order: "Szybciej", "Wolniej", then +9 .. +1, 0, -1 .. -9.
std::span<const RateItem> rateItems();

inline constexpr int kSlowerTag = 0;
inline constexpr int kFasterTag = 20;
inline constexpr int kNormalTag = 10;
inline constexpr int kMinRateTag = 1;
inline constexpr int kMaxRateTag = 19;

// The rate a click on an item with this tag sets, or the current rate when the click changes
// nothing (the step items at their limits); rates stay within 0.1 .. 1.9.
double rateAfterClick(int tag, double currentRate);
// Whether a click with this tag writes a new rate to the engine.
bool rateClickChanges(int tag, double currentRate);

// The tag whose item carries the check mark for a rate: round(rate * 10).
int checkedRateTag(double rate);
// "Szybciej" is off at 1.9, "Wolniej" at 0.1.
inline bool fasterEnabled(double rate) { return checkedRateTag(rate) != kMaxRateTag; }
inline bool slowerEnabled(double rate) { return checkedRateTag(rate) != kMinRateTag; }

} // namespace zv::playback
