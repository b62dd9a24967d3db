#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace zv {

// The search text as the jump dialog uses it: runs of spaces collapsed into one, blanks
// (spaces and control characters) removed from both ends.
QString normalizeJumpSearch(const QString &text);

// Filters a list of names by the words of a search, a slice at a time so that the dialog can
// take keystrokes in between: every word, lower-cased, must occur in the lower-cased name, in
// any order. Starting a new search drops the one under way, so a stale search never finishes.
class JumpFilter {
public:
    // Lower-cases the names once; the searches that follow reuse them.
    void setNames(const QStringList &names);
    const QStringList &names() const { return names_; }

    // Starts a search for `searchText` (normalised here). A blank search matches every name
    // and is done at once.
    void start(const QString &searchText);
    // Looks at up to `budget` more names; true once every name has been looked at.
    bool step(qsizetype budget);
    bool done() const { return next_ >= names_.size(); }
    const QString &search() const { return search_; }
    // Rows of `names()` that matched so far, ascending; all rows for a blank search.
    const QList<int> &matches() const { return matches_; }

    // The whole search at once.
    QList<int> filter(const QString &searchText);

private:
    QStringList names_;
    QStringList lowered_;
    QString search_;
    QStringList words_;
    QList<int> matches_;
    qsizetype next_ = 0;
};

// The row the jump dialog's list keys select among `count` rows shown, from the selected
// row `selected` (-1: none). Down: the next row (the last row stays); Up: the previous row
// (the first row stays); Page Up: 12 rows up, the first row when that is above row 12;
// Page Down: 12 rows down, the last row when that is past count - 12. -1 when no row is shown.
enum class JumpKey { Down, Up, PageUp, PageDown };
int jumpKeyRow(JumpKey key, int selected, int count);

} // namespace zv
