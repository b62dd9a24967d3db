#include "core/playlist/playlist.h"

#include "core/common/text_codec.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zv {

// Tells the observer about one change: before on construction, after on destruction.
class TPlaylist::Notice {
public:
    Notice(const TPlaylist &pl, PlaylistChange change) : observer_(pl.observer_), change_(change)
    {
        if (observer_)
            observer_(change_, true);
    }
    ~Notice()
    {
        if (observer_)
            observer_(change_, false);
    }
    Notice(const Notice &) = delete;
    Notice &operator=(const Notice &) = delete;

private:
    const Observer &observer_;
    PlaylistChange change_;
};

QStringList TPlaylist::paths() const
{
    QStringList out;
    out.reserve(entries_.size());
    for (const TPlaylistEntry &e : entries_)
        out << e.Path;
    return out;
}

QString TPlaylist::bareFileName(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

bool TPlaylist::PlsAddProc(const QStringList &paths, bool clearFirst, bool appendAtEnd, int dropRow)
{
    QList<TPlaylistEntry> added;
    added.reserve(paths.size());
    for (const QString &p : paths) {
        if (!p.isEmpty())
            added.append({p, QString()});
    }
    if (added.isEmpty())
        return false;

    const Notice notice(*this, PlaylistChange::Rows);
    if (clearFirst)
        entries_.clear();
    if (appendAtEnd || dropRow < 0 || dropRow >= count()) {
        entries_.append(added);
    } else {
        // Every file goes to the same row, pushing the ones before it down: the batch lands
        // there in reverse order. Built in one pass; inserting one by one is quadratic.
        std::reverse(added.begin(), added.end());
        QList<TPlaylistEntry> merged;
        merged.reserve(entries_.size() + added.size());
        merged.append(entries_.mid(0, dropRow));
        merged.append(added);
        merged.append(entries_.mid(dropRow));
        entries_.swap(merged);
    }
    LadujMediaPlikiDoJumpa();
    return true;
}

bool TPlaylist::PlsAddProc(const QString &text, bool clearFirst, bool appendAtEnd, int dropRow)
{
    return PlsAddProc(splitLines(text), clearFirst, appendAtEnd, dropRow);
}

int TPlaylist::GetPLSIndex(const QString &path) const
{
    for (int i = count() - 1; i >= 0; --i) {
        if (entries_[i].Path == path)
            return i;
    }
    return 0;
}

int TPlaylist::firstIndexOf(const QString &path) const
{
    for (int i = 0; i < count(); ++i) {
        if (entries_[i].Path == path)
            return i;
    }
    return -1;
}

std::optional<QString> TPlaylist::LadujMedia(int index) const
{
    if (index < 0 || index >= count())
        return std::nullopt;
    return entries_[index].Path;
}

PlaylistStep TPlaylist::nextStep(const QString &currentMediaPath, bool repeat) const
{
    PlaylistStep step;
    if (count() == 1 && repeat) {
        step.play = true;
        return step;
    }
    if (isEmpty())
        return step;
    int next = GetPLSIndex(currentMediaPath) + 1;
    if (entries_.last().Path == currentMediaPath) {
        if (!repeat)
            return step;   // end of the list reached
        next = 0;
    }
    if (next < count())
        step.open = next;
    return step;
}

PlaylistStep TPlaylist::previousStep(const QString &currentMediaPath, bool repeat) const
{
    PlaylistStep step;
    if (isEmpty())
        return step;
    int prev = GetPLSIndex(currentMediaPath) - 1;
    if (entries_.first().Path == currentMediaPath) {
        if (!repeat)
            return step;
        prev = count() - 1;
    }
    // "Play / Pauza" follows even when there was nothing to open (a current file that is not
    // in the list gives -1).
    if (prev >= 0 && prev < count())
        step.open = prev;
    step.playPause = true;
    return step;
}

QString TPlaylist::formatPlayTime(double seconds)
{
    // Beyond ~31 000 years a double no longer fits the integer below; no real file lasts that.
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= 1e12)
        return {};
    const qint64 whole = qint64(seconds);   // truncation, not rounding
    const qint64 s = whole % 60;
    const qint64 m = whole / 60 % 60;
    const QChar zero(u'0');
    if (seconds > 3599) {
        const qint64 h = whole / 3600;
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, zero).arg(s, 2, 10, zero);
    }
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, zero);
}

bool TPlaylist::DodajCzasDoPlalisty(const QString &path, double seconds)
{
    const QString text = formatPlayTime(seconds);
    const bool any = std::any_of(entries_.cbegin(), entries_.cend(), [&](const TPlaylistEntry &e) {
        return e.Path == path && e.TimeText != text;
    });
    if (!any)
        return false;
    const Notice notice(*this, PlaylistChange::Times);
    bool changed = false;
    for (TPlaylistEntry &e : entries_) {
        if (e.Path == path && e.TimeText != text) {
            e.TimeText = text;
            changed = true;
        }
    }
    return changed;
}

int TPlaylist::audioTrackOf(const QString &path) const
{
    for (const TPlaylistEntry &e : entries_) {
        if (e.Path == path && e.AudioTrack > 0)
            return e.AudioTrack;
    }
    return 0;
}

// Not shown in the list: no observer is told.
void TPlaylist::setAudioTrack(const QString &path, int track)
{
    for (TPlaylistEntry &e : entries_) {
        if (e.Path == path)
            e.AudioTrack = track;
    }
}

void TPlaylist::LadujMediaPlikiDoJumpa()
{
    jumpNames_.clear();
    jumpNames_.reserve(entries_.size());
    for (const TPlaylistEntry &e : entries_)
        jumpNames_ << bareFileName(e.Path);
}

namespace {

// One sort key: its UTF-8 bytes in a shared buffer, with the first eight bytes after the
// prefix common to all keys packed big-endian (zero-padded) so that most comparisons are
// one integer compare. Zero padding sorts a shorter key first, as the byte order wants; equal
// packs fall back to the bytes.
struct SortKey {
    quint64 head;
    qsizetype offset;
    qsizetype size;
    int index;
};

} // namespace

void TPlaylist::SortujPLS(int mode)
{
    if (mode != 0 && mode != 1)
        return;
    const Notice notice(*this, PlaylistChange::Rows);
    const qsizetype n = entries_.size();
    QByteArray bytes;
    std::vector<SortKey> keys;
    keys.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const QString &path = entries_[i].Path;
        const QByteArray key = (mode == 0 ? path : bareFileName(path)).toUtf8();
        keys.push_back({0, bytes.size(), key.size(), int(i)});
        bytes.append(key);
    }
    const char *data = bytes.constData();

    qsizetype common = n > 0 ? keys[0].size : 0;
    for (const SortKey &k : keys) {
        qsizetype j = 0;
        const qsizetype limit = std::min(common, k.size);
        while (j < limit && data[keys[0].offset + j] == data[k.offset + j])
            ++j;
        common = j;
    }
    for (SortKey &k : keys) {
        quint64 head = 0;
        for (qsizetype j = 0; j < 8; ++j) {
            const qsizetype at = common + j;
            head = (head << 8) | (at < k.size ? quint8(data[k.offset + at]) : 0u);
        }
        k.head = head;
    }

    // A bubble sort that swaps only on "greater than" is stable, and a stable sort's result is
    // unique, so a stable O(n log n) sort on the same byte order gives exactly its result.
    std::stable_sort(keys.begin(), keys.end(), [data, common](const SortKey &a, const SortKey &b) {
        if (a.head != b.head)
            return a.head < b.head;
        const qsizetype la = a.size - common, lb = b.size - common;
        const int c = std::memcmp(data + a.offset + common, data + b.offset + common, size_t(std::min(la, lb)));
        return c != 0 ? c < 0 : la < lb;
    });

    QList<TPlaylistEntry> sorted;
    sorted.reserve(n);
    for (const SortKey &k : keys)
        sorted.append(std::move(entries_[k.index]));
    entries_.swap(sorted);
}

void TPlaylist::clear()
{
    const Notice notice(*this, PlaylistChange::Rows);
    entries_.clear();
    LadujMediaPlikiDoJumpa();
}

void TPlaylist::removeAt(int index)
{
    if (index < 0 || index >= count())
        return;
    const Notice notice(*this, PlaylistChange::Rows);
    entries_.removeAt(index);
    LadujMediaPlikiDoJumpa();
}

void TPlaylist::removeRows(const QList<int> &rows)
{
    std::vector<bool> drop(entries_.size(), false);
    bool any = false;
    for (int r : rows) {
        if (r >= 0 && r < count()) {
            drop[r] = true;
            any = true;
        }
    }
    if (!any)
        return;
    const Notice notice(*this, PlaylistChange::Rows);
    QList<TPlaylistEntry> kept;
    kept.reserve(entries_.size());
    for (int i = 0; i < count(); ++i) {
        if (!drop[i])
            kept.append(std::move(entries_[i]));
    }
    entries_.swap(kept);
    LadujMediaPlikiDoJumpa();
}

void TPlaylist::keepRows(const QList<int> &rows)
{
    std::vector<bool> keep(entries_.size(), false);
    for (int r : rows) {
        if (r >= 0 && r < count())
            keep[r] = true;
    }
    QList<int> drop;
    for (int i = 0; i < count(); ++i) {
        if (!keep[i])
            drop << i;
    }
    removeRows(drop);
}

void TPlaylist::move(int from, int to)
{
    if (from < 0 || from >= count() || to < 0 || to >= count() || from == to)
        return;
    const Notice notice(*this, PlaylistChange::Rows);
    entries_.move(from, to);
}

void TPlaylist::exchange(int a, int b)
{
    if (a < 0 || a >= count() || b < 0 || b >= count() || a == b)
        return;
    const Notice notice(*this, PlaylistChange::Rows);
    entries_.swapItemsAt(a, b);
}

QList<int> TPlaylist::moveRowsTo(const QList<int> &rows, int target)
{
    const QList<int> order = draggedRowOrder(count(), rows, target);
    std::vector<bool> moved(entries_.size(), false);
    for (int r : rows) {
        if (r >= 0 && r < count())
            moved[r] = true;
    }
    QList<int> newRows;
    bool changed = false;
    for (int i = 0; i < order.size(); ++i) {
        changed = changed || order[i] != i;
        if (moved[order[i]])
            newRows << i;
    }
    if (!changed)
        return {};
    const Notice notice(*this, PlaylistChange::Rows);
    QList<TPlaylistEntry> reordered;
    reordered.reserve(entries_.size());
    for (int from : order)
        reordered.append(std::move(entries_[from]));
    entries_.swap(reordered);
    return newRows;
}

QList<int> draggedRowOrder(int count, const QList<int> &rows, int target)
{
    QList<int> order;
    order.reserve(count);
    std::vector<bool> chosen(size_t(std::max(count, 0)), false);
    for (int r : rows) {
        if (r >= 0 && r < count)
            chosen[r] = true;
    }
    const int t = target;
    if (t < 0 || t >= count) {
        for (int i = 0; i < count; ++i)
            order << i;
        return order;
    }
    // Taken from the last to the first, the chosen rows below the target stack up at the
    // target in their own order and push the target row down; a chosen target row then goes
    // back above them. The chosen rows above the target come last: each one taken out lifts
    // the rows between it and the target, so they pile up under the row now at the target,
    // in reverse order.
    QList<int> below;   // chosen rows after the target, ascending
    for (int i = t + 1; i < count; ++i) {
        if (chosen[i])
            below << i;
    }
    for (int i = 0; i < t; ++i) {
        if (!chosen[i])
            order << i;
    }
    const bool targetPushedDown = !below.isEmpty() && !chosen[t];
    order << (targetPushedDown ? below.first() : t);
    for (int i = t - 1; i >= 0; --i) {
        if (chosen[i])
            order << i;
    }
    if (targetPushedDown) {
        order << below.mid(1);
        order << t;
    } else {
        order << below;
    }
    for (int i = t + 1; i < count; ++i) {
        if (!chosen[i])
            order << i;
    }
    return order;
}

std::optional<int> scrollTopToShow(int index, int top, double rows)
{
    // A list without height shows nothing to scroll to.
    if (index < 0 || !std::isfinite(rows) || rows <= 0)
        return std::nullopt;
    if (top <= index && index < top + rows)
        return std::nullopt;
    // Half-way cases round to even, as the default floating-point rounding mode does.
    const double half = std::nearbyint(rows / 2);
    const double newTop = index - half + 1;
    return newTop < 0 ? 0 : int(newTop);
}

} // namespace zv
