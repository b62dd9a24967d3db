#include "core/subtitles/subtitle_table.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace zv {

void SortujTekst(QList<TimeEntry> &timeTable)
{
    const auto byStart = [](const TimeEntry &a, const TimeEntry &b) { return a.start < b.start; };
    // Files are nearly always in order already; checking costs one pass.
    if (!std::is_sorted(timeTable.cbegin(), timeTable.cend(), byStart))
        std::stable_sort(timeTable.begin(), timeTable.end(), byStart);
}

SubtitleTable SubtitleTable::fromTimeTable(QList<TimeEntry> timeTable)
{
    SubtitleTable t;
    t.time_ = std::move(timeTable);
    t.buildTimeIndex();
    return t;
}

SubtitleTable SubtitleTable::fromFrameTable(QList<FrameEntry> frameTable, QList<TimeEntry> timeTable)
{
    SubtitleTable t;
    t.frame_ = std::move(frameTable);
    t.time_ = std::move(timeTable);
    t.frameTimed_ = true;
    t.buildTimeIndex();
    t.buildFrameIndex();
    return t;
}

void SubtitleTable::CzyscListe()
{
    *this = SubtitleTable();
}

void SubtitleTable::buildTimeIndex()
{
    starts_.resize(size_t(time_.size()));
    for (qsizetype i = 0; i < time_.size(); ++i)
        starts_[size_t(i)] = time_[i].start;
    startsSorted_ = std::is_sorted(starts_.begin(), starts_.end());
    bySecond_.clear();
    // Time and bracket lines span a day at most; frame files are timed by their frames instead.
    constexpr int64_t kMaxSpan = 2 * 86400;
    if (frameTimed_ || !startsSorted_ || starts_.empty()
        || int64_t(starts_.back()) - starts_.front() >= kMaxSpan)
        return;
    firstSecond_ = starts_.front();
    bySecond_.resize(size_t(starts_.back() - firstSecond_ + 1));
    size_t j = 0;
    for (size_t k = 0; k < bySecond_.size(); ++k) {
        const int64_t t = firstSecond_ + int64_t(k);
        while (j + 1 < starts_.size() && starts_[j + 1] <= t)
            ++j;
        bySecond_[k] = int32_t(j);
    }
}

void SubtitleTable::buildFrameIndex()
{
    frameEdges_.clear();
    frameOwner_.clear();
    frameEdges_.reserve(size_t(frame_.size()) * 2);
    for (const FrameEntry &e : frame_) {
        if (e.startFrame < e.endFrame) { // an empty or reversed interval never matches
            frameEdges_.push_back(e.startFrame);
            frameEdges_.push_back(e.endFrame);
        }
    }
    if (!std::is_sorted(frameEdges_.begin(), frameEdges_.end())) // in-order files need no sort
        std::sort(frameEdges_.begin(), frameEdges_.end());
    frameEdges_.erase(std::unique(frameEdges_.begin(), frameEdges_.end()), frameEdges_.end());
    if (frameEdges_.size() < 2)
        return;
    buildFrameBuckets();

    // Paint every elementary segment with the first line covering it: lines are visited in
    // file order and each segment is painted once, the union-find skipping painted runs.
    const size_t segments = frameEdges_.size() - 1;
    frameOwner_.assign(segments, -1);
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
        for (uint32_t k = hint; k < hint + 2 && k < frameEdges_.size(); ++k) {
            if (frameEdges_[k] == v)
                return k;
        }
        return uint32_t(std::lower_bound(frameEdges_.begin(), frameEdges_.end(), v) - frameEdges_.begin());
    };
    uint32_t hint = 0;
    for (qsizetype i = 0; i < frame_.size(); ++i) {
        const FrameEntry &e = frame_[i];
        if (e.startFrame >= e.endFrame)
            continue;
        const uint32_t begin = edgeIndex(e.startFrame, hint);
        const uint32_t end = edgeIndex(e.endFrame, begin + 1);
        hint = end;
        for (uint32_t k = find(begin); k < end; k = find(k + 1)) {
            frameOwner_[k] = int32_t(i);
            nextFree[k] = k + 1;
        }
    }
}

void SubtitleTable::buildFrameBuckets()
{
    // About one edge per bucket; a skewed file only makes some buckets fuller, and a bucket is
    // searched by halving, so the worst case stays logarithmic.
    const double lo = frameEdges_.front();
    const double span = double(frameEdges_.back()) - lo + 1;
    const size_t buckets = size_t(std::min(span, double(frameEdges_.size())));
    frameBucketWidth_ = span / double(buckets);
    frameBucket_.resize(buckets + 1);
    size_t k = 0;
    for (size_t b = 0; b < buckets; ++b) {
        const double bucketStart = lo + double(b) * frameBucketWidth_;
        while (k < frameEdges_.size() && double(frameEdges_[k]) < bucketStart)
            ++k;
        frameBucket_[b] = uint32_t(k);
    }
    frameBucket_[buckets] = uint32_t(frameEdges_.size());
}

qsizetype SubtitleTable::findTimeLine(int64_t t, int64_t delay) const
{
    const qsizetype n = time_.size();
    if (n < 2)
        return -1;
    if (!startsSorted_) {
        for (qsizetype i = 0; i + 1 < n; ++i) {
            const int64_t s = starts_[size_t(i)];
            if (s <= t && t < s + delay && t < starts_[size_t(i) + 1])
                return i;
        }
        return -1;
    }
    // In a sorted table only the last entry starting at or before t can have its successor
    // start after t, so it is the one candidate.
    qsizetype j;
    if (!bySecond_.empty() && t >= firstSecond_ && t - firstSecond_ < int64_t(bySecond_.size())) {
        j = bySecond_[size_t(t - firstSecond_)];
    } else {
        const auto it = std::upper_bound(starts_.begin(), starts_.end(), t,
                                         [](int64_t v, int32_t s) { return v < s; });
        j = (it - starts_.begin()) - 1;
    }
    if (j < 0 || j > n - 2)
        return -1;
    return t < int64_t(starts_[size_t(j)]) + delay ? j : -1;
}

qsizetype SubtitleTable::findFrameLine(double f) const
{
    if (frameOwner_.empty() || std::isnan(f))
        return -1;
    if (f < double(frameEdges_.front()) || f >= double(frameEdges_.back()))
        return -1;
    // The last edge at or before f lies in f's bucket or is the one just before it.
    const size_t b = std::min(size_t((f - double(frameEdges_.front())) / frameBucketWidth_),
                              frameBucket_.size() - 2);
    const auto first = frameEdges_.begin() + frameBucket_[b];
    const auto last = frameEdges_.begin() + frameBucket_[b + 1];
    auto it = std::upper_bound(first, last, f, [](double v, int32_t edge) { return v < double(edge); });
    // Rounding in the bucket number can put f one bucket off near a boundary; step back in place.
    while (it != frameEdges_.begin() && double(*(it - 1)) > f)
        --it;
    while (it != frameEdges_.end() && double(*it) <= f)
        ++it;
    const qsizetype k = (it - frameEdges_.begin()) - 1;
    if (k < 0 || size_t(k) >= frameOwner_.size())
        return -1;
    return frameOwner_[size_t(k)];
}

} // namespace zv
