#include "core/subtitles/subtitle_timer.h"

#include "core/subtitles/styled_text.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

// Far beyond any film, but small enough that seconds plus TextDelay stay exact in 64 bits.
constexpr double kPositionLimit = 1e15;

} // namespace

std::optional<QString> Timer1Timer(const SubtitleTable &table, const SubtitleTimerInput &in,
                                   SubtitleDisplayState &state)
{
    double p = in.CurrentPosition;
    if (in.OffsetEnabled && in.Pieces && !in.Pieces->empty())
        p = in.Pieces->toSubtitle(p);
    else if (in.OffsetEnabled)
        p = p * in.ShiftFactor + in.ShiftOffset; // the subtitle time of the film position
    if (std::isnan(p))
        return std::nullopt; // no position at all: leave the screen as it is
    p = std::clamp(p, -kPositionLimit, kPositionLimit);

    const QString before = state.DisplayedText;
    const int64_t delay = in.TextDelay;
    const auto show = [&](const QString &text) {
        if (text != state.DisplayedText && !in.OverlayDragging)
            state.DisplayedText = text;
    };

    int64_t t;
    if (table.CueTimed()) {
        // Lines carry their own ends: one shows from its start to its end, to the
        // millisecond, and goes at once when no line covers the position.
        t = int64_t(std::trunc(p));
        const qsizetype i = table.findFrameLine(std::floor(p * 1000.0));
        if (i >= 0) {
            state.LastShownTime = int32_t(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX));
            show(table.FrameTable()[i].text);
        } else if (!state.DisplayedText.isEmpty() && !in.OverlayDragging) {
            state.DisplayedText.clear();
        }
    } else if (!table.FrameTimed()) {
        t = int64_t(std::trunc(p));
        const qsizetype i = table.findTimeLine(t, delay);
        if (i >= 0) {
            const TimeEntry e = table.TimeTable()[i];
            state.LastShownTime = e.start;
            show(styled_text::marksAsBlanks(e.text)); // style marks come only from cue files
        }
    } else {
        t = int64_t(subtitle_text::roundHalfEven(p));
        const double f = double(t) * effectiveFrameRate(in.MediaFrameRate);
        const qsizetype i = table.findFrameLine(f);
        if (i >= 0) {
            // A match needs f inside 32-bit frame numbers and the rate is at least 1, so t fits.
            state.LastShownTime = int32_t(t);
            show(styled_text::marksAsBlanks(table.FrameTable()[i].text));
        }
    }

    const int64_t last = state.LastShownTime;
    if ((t > last + delay || t < last) && !state.DisplayedText.isEmpty() && !in.OverlayDragging)
        state.DisplayedText.clear();

    if (state.DisplayedText == before)
        return std::nullopt;
    return state.DisplayedText;
}

} // namespace zv
