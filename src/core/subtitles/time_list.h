#pragma once

#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/time_shift.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zv {

// The inverse time correction of the timing wizard: a subtitle second t is listed as
// t * ShiftFactorInverse + ShiftOffsetInverse when OffsetEnabled is on.
struct TimeListShift {
    bool OffsetEnabled = false;
    double ShiftFactorInverse = 1.0;
    double ShiftOffsetInverse = 0.0;
};

// One listed line per time entry except the sentinel: "h:mm:ss", five blanks, the text, trimmed.
// Lines are formatted when asked for, so a list costs nothing at load time whatever the size of
// the file; the list shares the table's contents and stays valid after the table is replaced.
class TimeList {
public:
    TimeList() = default;
    // `pieces`, when it holds any, is used instead of the pair of `shift`.
    TimeList(SubtitleTable table, TimeListShift shift, PiecewiseShift pieces = {});

    qsizetype count() const
    {
        const qsizetype n = table_.TimeTable().size();
        return n == 0 ? 0 : n - 1;
    }
    QString line(qsizetype i) const; // 0 <= i < count()
    QStringList toStringList() const;
    // The table's entry listed as row `i`: the end marker is left out by what it is, and the
    // time lines' marker sorts before the lines after 12:00:00.
    qsizetype tableRow(qsizetype i) const { return i >= marker_ ? i + 1 : i; }

private:
    SubtitleTable table_;
    TimeListShift shift_;
    PiecewiseShift pieces_;
    qsizetype marker_ = 0;   // the end marker's entry (the last one unless found earlier)
};

struct TimeLists {
    TimeList TimeListPlain;
    TimeList TimeListShifted;
};

// Rebuilds both lists from the table; the shifted one applies `shift` when it is enabled.
TimeLists LadujOpisyDoOpcji(const SubtitleTable &table, const TimeListShift &shift,
                            const PiecewiseShift &pieces = {});

// Empties the table (with CurrentSubtitleFile) and both lists.
void CzyscListe(SubtitleTable &table, TimeLists &lists);

// "h:mm:ss" with the hours unpadded; negative seconds get a leading "-".
QString formatListTime(int64_t seconds);

} // namespace zv
