#include "core/subtitles/subtitle_loader.h"

#include <array>

namespace zv {

namespace {

// The classifier's codes for the three line formats.
constexpr std::array<SubtitleFormat, 3> kFormats = {{
    {0, "time lines", &LoadProc0, 6660, LoadFailureReport::General},
    {1, "frame lines", &LoadProc1, 6661, LoadFailureReport::FrameLoader},
    {2, "bracket lines", &LoadProc2, 6660, LoadFailureReport::Silent},
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
