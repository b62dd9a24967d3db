#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zv {

// One playlist row. Path and time live in one struct so that every insertion, removal, move
// and sort carries both; they can never drift apart.
struct TPlaylistEntry {
    QString Path;       // as added, normally a full path; never empty
    QString TimeText;   // "h:nn:ss" / "n:ss" once the file has been opened in this run, else ""
    int AudioTrack = 0; // the audio track chosen for the file in this run (engine id); 0: none

    friend bool operator==(const TPlaylistEntry &, const TPlaylistEntry &) = default;
};

// What a Next or Previous command asks the main window to do, in this order.
struct PlaylistStep {
    bool play = false;        // perform Play
    int open = -1;            // entry to hand to LadujMedia; -1 = open nothing
    bool playPause = false;   // then click "Play / Pauza"

    friend bool operator==(const PlaylistStep &, const PlaylistStep &) = default;
};

// What a change did to the playlist, for whoever shows it.
enum class PlaylistChange {
    Rows,    // entries added, removed or reordered: row numbers no longer hold
    Times,   // only TimeText of some entries changed
};

// The ordered playlist. The current entry is never stored: it is whichever entry's Path equals
// the path last handed to the engine (CurrentMediaPath), compared exactly and case-sensitively.
// Duplicates are allowed. Not thread-safe; lives on the UI thread.
class TPlaylist {
public:
    // dropRow value for "no row under the drop point" (below the last row, outside the list,
    // or no real drop at all): the files are appended in order.
    static constexpr int kNoDropRow = -1;

    int count() const { return int(entries_.size()); }
    bool isEmpty() const { return entries_.isEmpty(); }
    const TPlaylistEntry &at(int index) const { return entries_.at(index); }
    const QList<TPlaylistEntry> &entries() const { return entries_; }
    QStringList paths() const;

    // Adds the paths (empty ones ignored). dropRow is the row under the drop point when the files
    // were dropped. With appendAtEnd, or when dropRow is not a row of the (possibly just
    // cleared) list, they are appended in order; otherwise each one is inserted at dropRow, so a batch
    // dropped onto a row ends up above it in reverse order. Returns false, and changes nothing
    // even with clearFirst, when the batch holds no path. Rebuilds JumpNameList.
    // Opening the first entry (OpenFirst) and the status refresh are the caller's part.
    bool PlsAddProc(const QStringList &paths, bool clearFirst, bool appendAtEnd, int dropRow = kNoDropRow);
    // The same with the paths as one text, lines ended by CR LF, LF or CR.
    bool PlsAddProc(const QString &text, bool clearFirst, bool appendAtEnd, int dropRow = kNoDropRow);

    // Index of the last entry whose Path equals path; 0 when none does.
    int GetPLSIndex(const QString &path) const;
    // Index of the first entry whose Path equals path; -1 when none does.
    int firstIndexOf(const QString &path) const;

    // The non-UI half of LadujMedia: the path to hand to LoadMediafile, or nothing for an index
    // outside the list.
    std::optional<QString> LadujMedia(int index) const;

    // The Next and Previous stepping rules with the Repeat option. A current path that is not
    // in the list counts as index 0.
    PlaylistStep nextStep(const QString &currentMediaPath, bool repeat) const;
    PlaylistStep previousStep(const QString &currentMediaPath, bool repeat) const;

    // Sets TimeText of every entry whose Path equals path. Returns whether any entry changed,
    // so the caller knows to repaint.
    bool DodajCzasDoPlalisty(const QString &path, double seconds);
    // The audio track chosen for path in this run, kept on every entry of that path (0: none).
    int audioTrackOf(const QString &path) const;
    void setAudioTrack(const QString &path, int track);
    // "h:nn:ss" when seconds > 3599 (on the unrounded value), else "n:ss", of the truncated
    // seconds: 3599.5 -> "0:59:59", 3599 -> "59:59", 59 -> "0:59". Hours do not wrap at 24.
    // A negative, infinite or NaN duration gives "" (unknown).
    static QString formatPlayTime(double seconds);

    // The bare file names of all entries in order, as of the last rebuild. Rebuilt after every
    // addition and removal, not after sorting or moving.
    const QStringList &JumpNameList() const { return jumpNames_; }
    void LadujMediaPlikiDoJumpa();

    // mode 0: by Path, mode 1: by bare file name; keys compared as unsigned UTF-8 bytes,
    // case-sensitive ("Z" before "a"), a prefix first, equal keys keep their order (the result
    // of a stable bubble sort, computed in O(n log n)). Other modes change nothing.
    void SortujPLS(int mode);

    // Editing for the playlist window. Out-of-range indexes are ignored. Removals rebuild
    // JumpNameList; moves and exchanges do not.
    void clear();
    void removeAt(int index);
    void removeRows(const QList<int> &rows);   // any order, duplicates allowed
    void keepRows(const QList<int> &rows);     // removes every row not listed
    void move(int from, int to);
    void exchange(int a, int b);

    // Reordering by dragging: the rows `rows` (any order, duplicates and rows outside the
    // list ignored) dropped onto row `target`. The rows are taken from the last to the first
    // and each is moved to `target` in turn, so rows dragged upwards keep their order above
    // the target row and rows dragged downwards arrive below it in reverse order. Rows are
    // moved as themselves, so duplicate paths move the entries chosen. Computed in one pass.
    // Returns the new rows of the moved entries (ascending); empty when nothing moved.
    // JumpNameList is not rebuilt.
    QList<int> moveRowsTo(const QList<int> &rows, int target);

    // Bare file name: the part after the last '/'.
    static QString bareFileName(const QString &path);

    // Told before (before = true) and after (false) every change of the entries; the view
    // of the list uses it to stay consistent with rows changed by anyone. One observer.
    using Observer = std::function<void(PlaylistChange change, bool before)>;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    class Notice;
    QList<TPlaylistEntry> entries_;
    QStringList jumpNames_;
    Observer observer_;
};

// The new order of a list of `count` rows after `rows` were dropped onto `target` as
// TPlaylist::moveRowsTo describes: element i of the result is the old row now at row i.
// Without a valid target or rows, the order is unchanged.
QList<int> draggedRowOrder(int count, const QList<int> &rows, int target);

// The first visible row that brings `index` into view of a list whose first visible row is
// `top` and which shows `rows` rows (list height / row height, not rounded); nothing when
// the entry is already visible, index is -1 or the list has no height.
std::optional<int> scrollTopToShow(int index, int top, double rows);

} // namespace zv
