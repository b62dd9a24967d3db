#include "core/subtitles/subtitle_loader.h"

#include <array>

namespace zv {

namespace {

constexpr std::array<SubtitleFormat, 3> kFormats = {{
    {kindTimeSubtitle, "time lines", &LoadProc0, 6660, LoadFailureReport::General},
    {kindFrameSubtitle, "frame lines", &LoadProc1, 6661, LoadFailureReport::FrameLoader},
    {kindBracketSubtitle, "bracket lines", &LoadProc2, 6660, LoadFailureReport::Silent},
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
