#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

namespace zv {

// One line of a loaded subtitle file: start in whole seconds and its text ("|" separates
// display lines).
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

// Stable ascending sort by start second: the order a neighbour-swapping bubble sort that swaps
// only on a strictly smaller later start would leave, in O(n log n).
void SortujTekst(QList<TimeEntry> &timeTable);

// The loaded subtitles. A table is built whole by a loader and then only read: the main window
// swaps a new one in, so a timer tick never sees a half-filled table. The look-up indexes the
// timer needs are built once here.
class SubtitleTable {
public:
    SubtitleTable() = default; // nothing loaded

    // Time and bracket lines: timeTable already closed by its sentinel.
    static SubtitleTable fromTimeTable(QList<TimeEntry> timeTable);
    // Frame lines: timeTable holds one entry per frame entry, in the same order, plus the sentinel.
    static SubtitleTable fromFrameTable(QList<FrameEntry> frameTable, QList<TimeEntry> timeTable);

    const QList<TimeEntry> &TimeTable() const { return time_; }
    const QList<FrameEntry> &FrameTable() const { return frame_; }
    bool FrameTimed() const { return frameTimed_; }
    const QString &CurrentSubtitleFile() const { return file_; }
    void setCurrentSubtitleFile(const QString &path) { file_ = path; }
    bool isEmpty() const { return time_.isEmpty() && frame_.isEmpty(); }

    // Empties the table and CurrentSubtitleFile.
    void CzyscListe();

    // The first time entry i in table order, the sentinel excluded, with
    // start(i) <= t < start(i+1) and t < start(i) + delay; -1 when none. O(1) or O(log n) on a
    // table sorted by start (every loader's result); a hand-made unsorted table is scanned.
    qsizetype findTimeLine(int64_t t, int64_t delay) const;
    // The first frame entry i in file order with startFrame(i) <= f < endFrame(i); -1 when
    // none or f is NaN. O(log n) whatever the order and overlap of the lines.
    qsizetype findFrameLine(double f) const;

private:
    void buildTimeIndex();
    void buildFrameIndex();
    void buildFrameBuckets();

    QList<TimeEntry> time_;
    QList<FrameEntry> frame_;
    bool frameTimed_ = false;
    QString file_;

    std::vector<int32_t> starts_; // time_ starts, contiguous for the binary search
    bool startsSorted_ = true;
    // For a sorted table spanning at most a day: bySecond_[t - firstSecond_] is the last entry
    // starting at or before t, so a tick costs one look-up.
    std::vector<int32_t> bySecond_;
    int32_t firstSecond_ = 0;
    // Distinct bounds of the non-empty frame intervals, ascending; frameOwner_[k] is the first
    // frame line in file order covering [frameEdges_[k], frameEdges_[k+1]), or -1.
    std::vector<int32_t> frameEdges_;
    std::vector<int32_t> frameOwner_;
    // Buckets of equal width over the edges: frameBucket_[b] is the first edge at or after the
    // bucket's start, so a look-up searches one bucket instead of the whole edge list.
    std::vector<uint32_t> frameBucket_;
    double frameBucketWidth_ = 1;
};

} // namespace zv
