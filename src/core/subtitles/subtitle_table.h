#pragma once

#include "core/common/utf8_lines.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

#include <cstdint>
#include <vector>

namespace zv {

// One line of a loaded subtitle file: start in whole seconds and its text ("|" separates
// display lines). A value made on request; the table itself keeps its texts as UTF-8.
struct TimeEntry {
    int32_t start = 0;
    QString text;
};

// One line of a frame-based file: [startFrame, endFrame) and its text.
struct FrameEntry {
    int32_t startFrame = 0;
    int32_t endFrame = 0;
    QString text;
};

// Start values of the last time entry, which closes every loaded table and is never shown.
// Time lines put theirs at 12:00:00 before sorting, so lines after noon sort behind it.
inline constexpr int32_t kTimeLinesSentinel = 43200;
inline constexpr int32_t kFrameLinesSentinel = 99999999;
inline constexpr int32_t kBracketLinesSentinel = 35999;
// SubRip and MPL2: after any time either format can hold (99:59:59 is 359999 s).
inline constexpr int32_t kCueLinesSentinel = 99999999;

// The text id of an entry without text (the sentinel).
inline constexpr uint32_t kNoText = UINT32_MAX;

// A time entry as the loaders build it: the text is an index into the table's texts.
struct TimeRow {
    int32_t start = 0;
    uint32_t text = kNoText;
};

struct FrameRow {
    int32_t startFrame = 0;
    int32_t endFrame = 0;
    uint32_t text = kNoText;
};

// Stable ascending sort by start second: the order a neighbour-swapping bubble sort that swaps
// only on a strictly smaller later start would leave, in O(n log n).
template <typename Rows>
void SortujTekst(Rows &timeTable)
{
    const auto byStart = [](const auto &a, const auto &b) { return a.start < b.start; };
    // Files are nearly always in order already; checking costs one pass.
    if (!std::is_sorted(timeTable.begin(), timeTable.end(), byStart))
        std::stable_sort(timeTable.begin(), timeTable.end(), byStart);
}

// The loaded subtitles. A table is built whole by a loader and then only read: the main window
// swaps a new one in, so a timer tick never sees a half-filled table. Its contents are shared
// by copies (the time lists hold one), and the look-up indexes the timer needs are built once.
class SubtitleTable {
    struct Data;

public:
    // Read-only views of the entries, valid while the table they came from is alive and
    // unchanged. Entries are made on request, so walking a view costs a text decode per entry.
    template <typename Entry>
    class Rows {
    public:
        class const_iterator {
        public:
            using iterator_category = std::input_iterator_tag;
            using value_type = Entry;
            using difference_type = qsizetype;
            using pointer = void;
            using reference = Entry;
            const_iterator(const Rows *rows, qsizetype i) : rows_(rows), i_(i) {}
            Entry operator*() const { return (*rows_)[i_]; }
            const_iterator &operator++() { ++i_; return *this; }
            bool operator==(const const_iterator &o) const { return i_ == o.i_; }

        private:
            const Rows *rows_;
            qsizetype i_;
        };

        explicit Rows(const Data *d) : d_(d) {}
        qsizetype size() const;
        bool isEmpty() const { return size() == 0; }
        Entry operator[](qsizetype i) const;
        Entry last() const { return (*this)[size() - 1]; }
        const_iterator begin() const { return {this, 0}; }
        const_iterator end() const { return {this, size()}; }
        QList<Entry> toList() const;

    private:
        const Data *d_;
    };
    using TimeRows = Rows<TimeEntry>;
    using FrameRows = Rows<FrameEntry>;

    SubtitleTable() = default; // nothing loaded

    // Time and bracket lines: rows already closed by their sentinel, texts indexed by the rows.
    static SubtitleTable fromTimeRows(Utf8Lines texts, std::vector<TimeRow> rows);
    // Frame lines: times holds one row per frame row, in the same order, plus the sentinel.
    static SubtitleTable fromFrameRows(Utf8Lines texts, std::vector<FrameRow> frames,
                                       std::vector<TimeRow> times);
    // SubRip and MPL2: cues hold [start, end) in milliseconds (in FrameTable's fields), times
    // one row per cue with its start second plus the sentinel, in the same order.
    static SubtitleTable fromCueRows(Utf8Lines texts, std::vector<FrameRow> cues,
                                     std::vector<TimeRow> times);
    // A time table made by hand from decoded entries, in the same shape.
    static SubtitleTable fromTimeTable(const QList<TimeEntry> &timeTable);

    TimeRows TimeTable() const { return TimeRows(d_.get()); }
    FrameRows FrameTable() const { return FrameRows(d_.get()); }
    int32_t start(qsizetype i) const; // TimeTable()[i].start without decoding the text
    // TimeTable()[i] is the end marker: a row without text at a marker's time. No line of a
    // file is one (time lines without text are not loaded, bracket lines end before the
    // bracket marker's time); the time lines' marker sorts before lines after 12:00:00.
    bool isEndMarker(qsizetype i) const;
    // The texts as the table keeps them (UTF-8), without decoding; valid while the table lives.
    QByteArrayView timeTextUtf8(qsizetype i) const;
    QByteArrayView frameTextUtf8(qsizetype i) const;
    std::pair<int32_t, int32_t> frameBounds(qsizetype i) const; // start and end of frame row i
    bool FrameTimed() const { return frameTimed_; }
    // Each line has its own end, to the millisecond: FrameTable holds milliseconds.
    bool CueTimed() const { return cueTimed_; }
    const QString &CurrentSubtitleFile() const { return file_; }
    void setCurrentSubtitleFile(const QString &path) { file_ = path; }
    bool isEmpty() const { return TimeTable().isEmpty() && FrameTable().isEmpty(); }

    // Empties the table and CurrentSubtitleFile.
    void CzyscListe();

    // The first time entry i in table order, the sentinel excluded, with
    // start(i) <= t < start(i+1) and t < start(i) + delay; -1 when none. O(1) or O(log n) on a
    // table sorted by start (every loader's result); a hand-made unsorted table is scanned.
    qsizetype findTimeLine(int64_t t, int64_t delay) const;
    // The first frame entry i in file order with startFrame(i) <= f < endFrame(i); -1 when
    // none or f is NaN. O(log n) whatever the order and overlap of the lines.
    qsizetype findFrameLine(double f) const;
    // Builds the frame look-up now instead of on the first findFrameLine, for a caller that
    // would rather pay for it while loading than on its first tick.
    void prepareLookups() const;

private:
    std::shared_ptr<const Data> d_;
    bool frameTimed_ = false;
    bool cueTimed_ = false;
    QString file_;
};

// The views are defined with the table's contents, in its source file.
template <>
qsizetype SubtitleTable::Rows<TimeEntry>::size() const;
template <>
TimeEntry SubtitleTable::Rows<TimeEntry>::operator[](qsizetype i) const;
template <>
qsizetype SubtitleTable::Rows<FrameEntry>::size() const;
template <>
FrameEntry SubtitleTable::Rows<FrameEntry>::operator[](qsizetype i) const;
extern template class SubtitleTable::Rows<TimeEntry>;
extern template class SubtitleTable::Rows<FrameEntry>;

} // namespace zv
