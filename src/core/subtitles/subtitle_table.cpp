#include "core/subtitles/subtitle_table.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>

namespace zv {

namespace {

// Sorts values of which only a few stand out of order: the values in order are kept in place,
// the others (stragglers) are sorted apart and merged back, which costs close to one pass when
// they are few. Many stragglers fall back to a plain sort.
void sortMostlySorted(std::vector<int32_t>::iterator first, std::vector<int32_t>::iterator last)
{
    if (std::is_sorted(first, last))
        return;
    const size_t n = size_t(last - first);
    std::vector<int32_t> stragglers;
    auto kept = first;
    for (auto it = first; it != last; ++it) {
        if (kept == first || *it >= *(kept - 1))
            *kept++ = *it;
        else
            stragglers.push_back(*it);
    }
    std::copy(stragglers.begin(), stragglers.end(), kept);
    if (stragglers.size() > n / 8) {
        std::sort(first, last);
        return;
    }
    std::sort(kept, last);
    std::inplace_merge(first, kept, last);
}

} // namespace

struct SubtitleTable::Data {
    Utf8Lines texts;
    std::vector<int32_t> starts;    // time entries' starts, contiguous for the binary search
    std::vector<uint32_t> timeText; // time entries' text ids
    std::vector<FrameRow> frames;

    bool startsSorted = true;
    // For a sorted table spanning at most a day: bySecond[t - firstSecond] is the last entry
    // starting at or before t, so a tick costs one look-up.
    std::vector<int32_t> bySecond;
    int32_t firstSecond = 0;
    // Distinct bounds of the non-empty frame intervals, ascending; frameOwner[k] is the first
    // frame line in file order covering [frameEdges[k], frameEdges[k+1]), or -1.
    std::vector<int32_t> frameEdges;
    std::vector<int32_t> frameOwner;
    // Buckets of equal width over the edges: frameBucket[b] is the first edge at or after the
    // bucket's start, so a look-up searches one bucket instead of the whole edge list.
    std::vector<uint32_t> frameBucket;
    double frameBucketWidth = 1;
    // The frame look-up is built by the first one that needs it: a conversion never does.
    mutable std::once_flag frameIndexBuilt;

    QString text(uint32_t id) const { return id < uint32_t(texts.size()) ? texts.at(id) : QString(); }
    void setTimeRows(const std::vector<TimeRow> &rows);
    void buildTimeIndex(bool frameTimed);
    void buildFrameIndex();
    void buildFrameBuckets();
    void ensureFrameIndex() const
    {
        // Made non-const by make_shared, so building it here is sound.
        std::call_once(frameIndexBuilt, [this] { const_cast<Data *>(this)->buildFrameIndex(); });
    }
};

template <>
qsizetype SubtitleTable::Rows<TimeEntry>::size() const
{
    return d_ ? qsizetype(d_->starts.size()) : 0;
}

template <>
TimeEntry SubtitleTable::Rows<TimeEntry>::operator[](qsizetype i) const
{
    return {d_->starts[size_t(i)], d_->text(d_->timeText[size_t(i)])};
}

template <>
qsizetype SubtitleTable::Rows<FrameEntry>::size() const
{
    return d_ ? qsizetype(d_->frames.size()) : 0;
}

template <>
FrameEntry SubtitleTable::Rows<FrameEntry>::operator[](qsizetype i) const
{
    const FrameRow &r = d_->frames[size_t(i)];
    return {r.startFrame, r.endFrame, d_->text(r.text)};
}

template <typename Entry>
QList<Entry> SubtitleTable::Rows<Entry>::toList() const
{
    QList<Entry> out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        out.append((*this)[i]);
    return out;
}

bool SubtitleTable::isEndMarker(qsizetype i) const
{
    const int32_t s = start(i);
    return (s == kTimeLinesSentinel || s == kBracketLinesSentinel || s == kCueLinesSentinel
            || s == kFrameLinesSentinel)
        && timeTextUtf8(i).isEmpty();
}

template class SubtitleTable::Rows<TimeEntry>;
template class SubtitleTable::Rows<FrameEntry>;

int32_t SubtitleTable::start(qsizetype i) const
{
    return d_->starts[size_t(i)];
}

QByteArrayView SubtitleTable::timeTextUtf8(qsizetype i) const
{
    const uint32_t id = d_->timeText[size_t(i)];
    return id < uint32_t(d_->texts.size()) ? d_->texts.line(id) : QByteArrayView();
}

std::pair<int32_t, int32_t> SubtitleTable::frameBounds(qsizetype i) const
{
    const FrameRow &r = d_->frames[size_t(i)];
    return {r.startFrame, r.endFrame};
}

QByteArrayView SubtitleTable::frameTextUtf8(qsizetype i) const
{
    const uint32_t id = d_->frames[size_t(i)].text;
    return id < uint32_t(d_->texts.size()) ? d_->texts.line(id) : QByteArrayView();
}

void SubtitleTable::Data::setTimeRows(const std::vector<TimeRow> &rows)
{
    starts.resize(rows.size());
    timeText.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        starts[i] = rows[i].start;
        timeText[i] = rows[i].text;
    }
}

SubtitleTable SubtitleTable::fromTimeRows(Utf8Lines texts, std::vector<TimeRow> rows)
{
    auto d = std::make_shared<Data>();
    d->texts = std::move(texts);
    d->setTimeRows(rows);
    rows = {};
    d->buildTimeIndex(false);
    SubtitleTable t;
    t.d_ = std::move(d);
    return t;
}

SubtitleTable SubtitleTable::fromFrameRows(Utf8Lines texts, std::vector<FrameRow> frames,
                                           std::vector<TimeRow> times)
{
    auto d = std::make_shared<Data>();
    d->texts = std::move(texts);
    d->frames = std::move(frames);
    d->setTimeRows(times);
    times = {};
    d->buildTimeIndex(true);
    SubtitleTable t;
    t.d_ = std::move(d);
    t.frameTimed_ = true;
    return t;
}

SubtitleTable SubtitleTable::fromCueRows(Utf8Lines texts, std::vector<FrameRow> cues,
                                         std::vector<TimeRow> times)
{
    SubtitleTable t = fromFrameRows(std::move(texts), std::move(cues), std::move(times));
    t.frameTimed_ = false;
    t.cueTimed_ = true;
    return t;
}

SubtitleTable SubtitleTable::fromTimeTable(const QList<TimeEntry> &timeTable)
{
    Utf8Lines texts;
    std::vector<TimeRow> rows;
    rows.reserve(size_t(timeTable.size()));
    for (const TimeEntry &e : timeTable) {
        texts.append(e.text);
        rows.push_back({e.start, uint32_t(texts.size() - 1)});
    }
    return fromTimeRows(std::move(texts), std::move(rows));
}

void SubtitleTable::CzyscListe()
{
    *this = SubtitleTable();
}

void SubtitleTable::Data::buildTimeIndex(bool frameTimed)
{
    startsSorted = std::is_sorted(starts.begin(), starts.end());
    bySecond.clear();
    // Time and bracket lines span a day at most; frame files are timed by their frames instead.
    constexpr int64_t kMaxSpan = 2 * 86400;
    if (frameTimed || !startsSorted || starts.empty()
        || int64_t(starts.back()) - starts.front() >= kMaxSpan)
        return;
    firstSecond = starts.front();
    bySecond.resize(size_t(starts.back() - firstSecond + 1));
    size_t j = 0;
    for (size_t k = 0; k < bySecond.size(); ++k) {
        const int64_t t = firstSecond + int64_t(k);
        while (j + 1 < starts.size() && starts[j + 1] <= t)
            ++j;
        bySecond[k] = int32_t(j);
    }
}

void SubtitleTable::Data::buildFrameIndex()
{
    frameEdges.clear();
    frameOwner.clear();
    // Starts and ends each come nearly in order (a file is sorted by start, and lines last
    // about as long as each other): put each half in order on its own, then merge the two.
    size_t intervals = 0;
    for (const FrameRow &e : frames)
        intervals += e.startFrame < e.endFrame; // an empty or reversed interval never matches
    frameEdges.resize(2 * intervals);
    size_t k = 0;
    for (const FrameRow &e : frames) {
        if (e.startFrame < e.endFrame) {
            frameEdges[k] = e.startFrame;
            frameEdges[intervals + k] = e.endFrame;
            ++k;
        }
    }
    const auto middle = frameEdges.begin() + ptrdiff_t(intervals);
    sortMostlySorted(frameEdges.begin(), middle);
    sortMostlySorted(middle, frameEdges.end());
    std::inplace_merge(frameEdges.begin(), middle, frameEdges.end());
    frameEdges.erase(std::unique(frameEdges.begin(), frameEdges.end()), frameEdges.end());
    if (frameEdges.size() < 2)
        return;
    buildFrameBuckets();

    // Paint every elementary segment with the first line covering it: lines are visited in
    // file order and each segment is painted once, the union-find skipping painted runs.
    const size_t segments = frameEdges.size() - 1;
    frameOwner.assign(segments, -1);
    std::vector<uint32_t> nextFree(segments + 1);
    std::iota(nextFree.begin(), nextFree.end(), 0u);
    const auto find = [&nextFree](uint32_t k) {
        uint32_t root = k;
        while (nextFree[root] != root)
            root = nextFree[root];
        while (nextFree[k] != root) {
            const uint32_t up = nextFree[k];
            nextFree[k] = root;
            k = up;
        }
        return root;
    };
    // Files are nearly always in time order, so a bound is usually at or just after the
    // previous one: look there before searching.
    const auto edgeIndex = [this](int32_t v, uint32_t hint) {
        for (uint32_t k = hint; k < hint + 2 && k < frameEdges.size(); ++k) {
            if (frameEdges[k] == v)
                return k;
        }
        return uint32_t(std::lower_bound(frameEdges.begin(), frameEdges.end(), v) - frameEdges.begin());
    };
    uint32_t hint = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const FrameRow &e = frames[i];
        if (e.startFrame >= e.endFrame)
            continue;
        const uint32_t begin = edgeIndex(e.startFrame, hint);
        const uint32_t end = edgeIndex(e.endFrame, begin + 1);
        hint = end;
        for (uint32_t k = find(begin); k < end; k = find(k + 1)) {
            frameOwner[k] = int32_t(i);
            nextFree[k] = k + 1;
        }
    }
}

void SubtitleTable::Data::buildFrameBuckets()
{
    // About one edge per bucket; a skewed file only makes some buckets fuller, and a bucket is
    // searched by halving, so the worst case stays logarithmic.
    const double lo = frameEdges.front();
    const double span = double(frameEdges.back()) - lo + 1;
    const size_t buckets = size_t(std::min(span, double(frameEdges.size())));
    frameBucketWidth = span / double(buckets);
    frameBucket.resize(buckets + 1);
    size_t k = 0;
    for (size_t b = 0; b < buckets; ++b) {
        const double bucketStart = lo + double(b) * frameBucketWidth;
        while (k < frameEdges.size() && double(frameEdges[k]) < bucketStart)
            ++k;
        frameBucket[b] = uint32_t(k);
    }
    frameBucket[buckets] = uint32_t(frameEdges.size());
}

qsizetype SubtitleTable::findTimeLine(int64_t t, int64_t delay) const
{
    if (!d_ || d_->starts.size() < 2)
        return -1;
    const qsizetype n = qsizetype(d_->starts.size());
    const std::vector<int32_t> &starts = d_->starts;
    const std::vector<int32_t> &bySecond = d_->bySecond;
    const int32_t firstSecond = d_->firstSecond;
    if (!d_->startsSorted) {
        for (qsizetype i = 0; i + 1 < n; ++i) {
            const int64_t s = starts[size_t(i)];
            if (s <= t && t < s + delay && t < starts[size_t(i) + 1])
                return i;
        }
        return -1;
    }
    // In a sorted table only the last entry starting at or before t can have its successor
    // start after t, so it is the one candidate.
    qsizetype j;
    if (!bySecond.empty() && t >= firstSecond && t - firstSecond < int64_t(bySecond.size())) {
        j = bySecond[size_t(t - firstSecond)];
    } else {
        const auto it = std::upper_bound(starts.begin(), starts.end(), t,
                                         [](int64_t v, int32_t s) { return v < s; });
        j = (it - starts.begin()) - 1;
    }
    if (j < 0 || j > n - 2)
        return -1;
    return t < int64_t(starts[size_t(j)]) + delay ? j : -1;
}

void SubtitleTable::prepareLookups() const
{
    if (d_)
        d_->ensureFrameIndex();
}

qsizetype SubtitleTable::findFrameLine(double f) const
{
    if (!d_ || std::isnan(f))
        return -1;
    d_->ensureFrameIndex();
    if (d_->frameOwner.empty())
        return -1;
    const std::vector<int32_t> &frameEdges = d_->frameEdges;
    const std::vector<int32_t> &frameOwner = d_->frameOwner;
    const std::vector<uint32_t> &frameBucket = d_->frameBucket;
    const double frameBucketWidth = d_->frameBucketWidth;
    if (f < double(frameEdges.front()) || f >= double(frameEdges.back()))
        return -1;
    // The last edge at or before f lies in f's bucket or is the one just before it.
    const size_t b = std::min(size_t((f - double(frameEdges.front())) / frameBucketWidth),
                              frameBucket.size() - 2);
    const auto first = frameEdges.begin() + frameBucket[b];
    const auto last = frameEdges.begin() + frameBucket[b + 1];
    auto it = std::upper_bound(first, last, f, [](double v, int32_t edge) { return v < double(edge); });
    // Rounding in the bucket number can put f one bucket off near a boundary; step back in place.
    while (it != frameEdges.begin() && double(*(it - 1)) > f)
        --it;
    while (it != frameEdges.end() && double(*it) <= f)
        ++it;
    const qsizetype k = (it - frameEdges.begin()) - 1;
    if (k < 0 || size_t(k) >= frameOwner.size())
        return -1;
    return frameOwner[size_t(k)];
}

} // namespace zv
