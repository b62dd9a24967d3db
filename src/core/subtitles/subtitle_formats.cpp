#include "core/subtitles/subtitle_loader.h"

#include <array>

namespace zv {

namespace {

// The classifier asks the rows with a detect function in this order.
constexpr std::array<SubtitleFormat, 5> kFormats = {{
    {kindTimeSubtitle, "time lines", nullptr, &LoadProc0, false, 6660, LoadFailureReport::General},
    {kindFrameSubtitle, "frame lines", nullptr, &LoadProc1, false, 6661, LoadFailureReport::FrameLoader},
    {kindBracketSubtitle, "bracket lines", nullptr, &LoadProc2, false, 6660, LoadFailureReport::Silent},
    {kindSubRipSubtitle, "SubRip", &detectSubRip, &LoadSubRip, true, 6662, LoadFailureReport::General},
    {kindMpl2Subtitle, "MPL2", &detectMpl2, &LoadMpl2, true, 6663, LoadFailureReport::General},
}};

} // namespace

std::span<const SubtitleFormat> subtitleFormats()
{
    return kFormats;
}

const SubtitleFormat *subtitleFormat(int kind)
{
    for (const SubtitleFormat &f : kFormats) {
        if (f.kind == kind)
            return &f;
    }
    return nullptr;
}

} // namespace zv
