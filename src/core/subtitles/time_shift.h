#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <vector>

namespace zv {

// The two linear maps of the timing correction:
//   subtitle time = film position * ShiftFactor + ShiftOffset          (the timer)
//   film time = subtitle time * ShiftFactorInverse + ShiftOffsetInverse (lists, saving)
// Seconds throughout. Default-constructed: neutral.
struct ShiftCoefficients {
    double ShiftFactor = 1.0;
    double ShiftOffset = 0.0;
    double ShiftFactorInverse = 1.0;
    double ShiftOffsetInverse = 0.0;

    bool operator==(const ShiftCoefficients &) const = default;
};

// Every line shown `seconds` earlier (or later). The fits are inline: the options' values use
// them without linking the subtitle code.
inline ShiftCoefficients plainShift(double seconds, bool later)
{
    const double d = later ? -seconds : seconds;
    return {1.0, d, 1.0, -d};
}

// The line stored at subtitle second s1 shown at film second f1.
inline ShiftCoefficients onePointFit(double s1, double f1)
{
    return {1.0, s1 - f1, 1.0, f1 - s1};
}

// Lines stored at s1 and s2 shown at film seconds f1 and f2; nullopt when s1 == s2 or
// f1 == f2 (no line through them), in which case the caller keeps its previous values.
inline std::optional<ShiftCoefficients> twoPointFit(double s1, double f1, double s2, double f2)
{
    if (s1 == s2 || f1 == f2)
        return std::nullopt;
    ShiftCoefficients c;
    c.ShiftFactor = (s2 - s1) / (f2 - f1);
    c.ShiftFactorInverse = (f2 - f1) / (s2 - s1);
    c.ShiftOffset = s1 - f1 * c.ShiftFactor;
    c.ShiftOffsetInverse = f1 - s1 * c.ShiftFactorInverse;
    return c;
}

// The refusal shown for equal times.
QString twoPointFitRefusal();

// What the "Przesunięcie" page asks for, in seconds.
struct ShiftInputs {
    bool OffsetEnabled = false;
    bool wizard = false;        // "Kreator", else "Zwykłe"
    double plainSeconds = 0;    // "Zwykłe": the picker
    bool plainLater = false;    // "póżniej", else "wcześniej"
    bool twoPoints = false;     // "Kreator": the second reference point counts
    // "Kreator": the stored start seconds of the lines chosen in lists A and B (none: no line
    // chosen) and the film times of the pickers A and B.
    std::optional<double> lineA, lineB;
    double timeA = 0, timeB = 0;
};

// The coefficients the page asks for: neutral when off, the plain shift, or the one- or
// two-point fit. nullopt when the two points are refused (the caller keeps `previous` and shows
// twoPointFitRefusal()); `previous` when the wizard has no line chosen to fit through.
inline std::optional<ShiftCoefficients> shiftCoefficientsFor(const ShiftInputs &in,
                                                             const ShiftCoefficients &previous)
{
    if (!in.OffsetEnabled)
        return ShiftCoefficients{};
    if (!in.wizard)
        return plainShift(in.plainSeconds, in.plainLater);
    if (!in.lineA || (in.twoPoints && !in.lineB))
        return previous;
    if (!in.twoPoints)
        return onePointFit(*in.lineA, in.timeA);
    return twoPointFit(*in.lineA, in.timeA, *in.lineB, in.timeB);
}

// The film second at which a line stored at `start` is shown: where the jump dialog seeks.
// Rounded to the nearest (ties to even), never before 0.
int64_t correctedSecond(int64_t start, bool offsetEnabled, const ShiftCoefficients &shift);

// One piece of a piecewise correction, for a film with scenes cut out or added: the lines from
// `firstLine` (their index in table order, end marker left out) up to the next piece's are shown
// at  film time = subtitle time * factor + offset  (seconds).
struct ShiftPiece {
    qsizetype firstLine = 0;
    double factor = 1.0;
    double offset = 0.0;
    bool operator==(const ShiftPiece &) const = default;
};

// A correction made of pieces, used instead of the linear pair while OffsetEnabled is on and it
// holds any piece. Bound to the subtitle file it was made for: its line numbers mean nothing
// in another one.
class PiecewiseShift {
public:
    PiecewiseShift() = default;
    // `lineStarts`: every line's stored start in seconds, in table order. Pieces are sorted by
    // firstLine; the first always starts at line 0, whatever it says.
    PiecewiseShift(std::vector<ShiftPiece> pieces, const std::vector<double> &lineStarts);

    bool empty() const { return pieces_.empty(); }
    const std::vector<ShiftPiece> &pieces() const { return pieces_; }
    // Subtitle -> film for line `line`.
    double toFilm(qsizetype line, double subtitleSeconds) const;
    // Film -> subtitle, for the timer: the piece whose first line's film time was passed last.
    double toSubtitle(double filmSeconds) const;

    bool operator==(const PiecewiseShift &) const = default;

private:
    const ShiftPiece &pieceOfLine(qsizetype line) const;
    std::vector<ShiftPiece> pieces_;
    std::vector<double> filmStarts_; // per piece: the film second its first line is shown at
};

class SubtitleTable;

// The pieces bound to `table`: its lines' starts as saving reads them (frames at
// `mediaFrameRate`, below 1: 25).
PiecewiseShift piecewiseShiftFor(const SubtitleTable &table, double mediaFrameRate,
                                 std::vector<ShiftPiece> pieces);

// correctedSecond for line number `line` (table order, end marker left out): through the
// pieces when there are any, else as above.
int64_t correctedSecond(int64_t start, qsizetype line, bool offsetEnabled, const ShiftCoefficients &shift,
                        const PiecewiseShift &pieces);

} // namespace zv
