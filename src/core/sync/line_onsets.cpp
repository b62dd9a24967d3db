#include "core/sync/line_onsets.h"

namespace zv::sync {

LineOnsets lineOnsets(const SubtitleTable &table)
{
    LineOnsets r;
    const qsizetype rows = table.TimeTable().size();
    const bool cues = table.CueTimed() && table.FrameTable().size() >= rows - 1;
    r.coarse = !cues;
    for (qsizetype i = 0; i < rows; ++i) {
        if (table.isEndMarker(i) || (cues && i >= table.FrameTable().size()))
            continue;
        const double s = cues ? table.frameBounds(i).first / 1000.0 : double(table.start(i));
        r.seconds.push_back(s);
        r.rows.push_back(i);
    }
    return r;
}

} // namespace zv::sync
