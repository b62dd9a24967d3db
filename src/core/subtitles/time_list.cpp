#include "core/subtitles/time_list.h"

#include "core/subtitles/styled_text.h"
#include "core/subtitles/subtitle_text.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

// Shifted times are clamped to a range "h:mm:ss" can still print sensibly.
constexpr int64_t kListTimeLimit = int64_t(1) << 50;

} // namespace

QString formatListTime(int64_t seconds)
{
    const bool negative = seconds < 0;
    const uint64_t s = negative ? uint64_t(0) - uint64_t(seconds) : uint64_t(seconds);
    QString out;
    if (negative)
        out += u'-';
    out += QString::number(s / 3600);
    out += u':';
    const unsigned m = unsigned(s / 60 % 60), sec = unsigned(s % 60);
    out += QChar(u'0' + m / 10);
    out += QChar(u'0' + m % 10);
    out += u':';
    out += QChar(u'0' + sec / 10);
    out += QChar(u'0' + sec % 10);
    return out;
}

TimeList::TimeList(SubtitleTable table, TimeListShift shift, PiecewiseShift pieces)
    : table_(std::move(table)), shift_(shift), pieces_(std::move(pieces))
{
    const qsizetype n = table_.TimeTable().size();
    marker_ = n - 1;
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (table_.isEndMarker(i)) {
            marker_ = i;
            break;
        }
    }
}

QString TimeList::line(qsizetype i) const
{
    const TimeEntry e = table_.TimeTable()[tableRow(i)];
    int64_t t = e.start;
    if (shift_.OffsetEnabled) {
        const double mapped = pieces_.empty()
            ? double(e.start) * shift_.ShiftFactorInverse + shift_.ShiftOffsetInverse
            : pieces_.toFilm(i, double(e.start));
        if (std::isnan(mapped))
            t = 0;
        else
            t = int64_t(subtitle_text::roundHalfEven(
                std::clamp(mapped, -double(kListTimeLimit), double(kListTimeLimit))));
    }
    QString out = formatListTime(t);
    out += QLatin1String("     ");
    // Lists show plain text; only cue files' tables hold style marks.
    out += table_.CueTimed() ? styled_text::stripMarks(e.text) : e.text;
    return subtitle_text::trimmed(out).toString();
}

QStringList TimeList::toStringList() const
{
    QStringList out;
    out.reserve(count());
    for (qsizetype i = 0; i < count(); ++i)
        out.append(line(i));
    return out;
}

TimeLists LadujOpisyDoOpcji(const SubtitleTable &table, const TimeListShift &shift,
                            const PiecewiseShift &pieces)
{
    return {TimeList(table, TimeListShift{}), TimeList(table, shift, pieces)};
}

void CzyscListe(SubtitleTable &table, TimeLists &lists)
{
    table.CzyscListe();
    lists = TimeLists();
}

} // namespace zv
