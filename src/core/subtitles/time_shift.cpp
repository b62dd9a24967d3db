#include "core/subtitles/time_shift.h"

#include "core/subtitles/subtitle_text.h"
#include "core/subtitles/subtitle_writer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zv {

QString twoPointFitRefusal()
{
    return QStringLiteral("Czasy wyświetlania nie mogą być jednakowe.\nError: 89216");
}

namespace {

int64_t filmSecond(double t)
{
    if (!(t > 0))
        return 0; // also NaN
    return int64_t(subtitle_text::roundHalfEven(std::min(t, 1e12)));
}

} // namespace

int64_t correctedSecond(int64_t start, bool offsetEnabled, const ShiftCoefficients &shift)
{
    if (!offsetEnabled)
        return std::max<int64_t>(start, 0);
    // The inverse map, as the shifted list shows the line: with a factor other than 1 a
    // first-order correction of the forward map would land seconds away from the line.
    return filmSecond(double(start) * shift.ShiftFactorInverse + shift.ShiftOffsetInverse);
}

int64_t correctedSecond(int64_t start, qsizetype line, bool offsetEnabled, const ShiftCoefficients &shift,
                        const PiecewiseShift &pieces)
{
    if (!offsetEnabled || pieces.empty())
        return correctedSecond(start, offsetEnabled, shift);
    return filmSecond(pieces.toFilm(line, double(start)));
}

PiecewiseShift::PiecewiseShift(std::vector<ShiftPiece> pieces, const std::vector<double> &lineStarts)
    : pieces_(std::move(pieces))
{
    std::stable_sort(pieces_.begin(), pieces_.end(),
                     [](const ShiftPiece &a, const ShiftPiece &b) { return a.firstLine < b.firstLine; });
    // A factor of 0 or less, or not a number, would fold the film back onto itself.
    std::erase_if(pieces_, [](const ShiftPiece &p) {
        return !(p.factor > 0) || !std::isfinite(p.factor) || !std::isfinite(p.offset);
    });
    if (pieces_.empty())
        return;
    pieces_.front().firstLine = 0;
    filmStarts_.reserve(pieces_.size());
    for (const ShiftPiece &p : pieces_) {
        const qsizetype n = qsizetype(lineStarts.size());
        // A piece past the last line starts nowhere the film reaches.
        const double start = p.firstLine < n ? lineStarts[size_t(p.firstLine)] * p.factor + p.offset
                                             : std::numeric_limits<double>::infinity();
        filmStarts_.push_back(filmStarts_.empty() ? -std::numeric_limits<double>::infinity() : start);
    }
}

const ShiftPiece &PiecewiseShift::pieceOfLine(qsizetype line) const
{
    const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), line,
                                        [](qsizetype l, const ShiftPiece &p) { return l < p.firstLine; });
    return after == pieces_.begin() ? pieces_.front() : *(after - 1);
}

double PiecewiseShift::toFilm(qsizetype line, double subtitleSeconds) const
{
    if (pieces_.empty())
        return subtitleSeconds;
    const ShiftPiece &p = pieceOfLine(line);
    return subtitleSeconds * p.factor + p.offset;
}

double PiecewiseShift::toSubtitle(double filmSeconds) const
{
    if (pieces_.empty())
        return filmSeconds;
    // The last piece already begun; a later piece whose first line comes on screen before an
    // earlier piece's (pieces overlapping in film time) takes over from it there.
    size_t k = 0;
    for (size_t i = 1; i < pieces_.size(); ++i)
        if (filmStarts_[i] <= filmSeconds)
            k = i;
    return (filmSeconds - pieces_[k].offset) / pieces_[k].factor;
}

PiecewiseShift piecewiseShiftFor(const SubtitleTable &table, double mediaFrameRate,
                                 std::vector<ShiftPiece> pieces)
{
    std::vector<double> starts;
    for (const SubtitleCue &c : subtitleCues(table, mediaFrameRate))
        starts.push_back(c.start);
    return PiecewiseShift(std::move(pieces), starts);
}

} // namespace zv
