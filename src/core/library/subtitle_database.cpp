#include "core/library/subtitle_database.h"

#include "core/library/path_set.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace zv {

QStringView lib::bareFileName(QStringView path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QString FormatKilobytes(qint64 bytes)
{
    if (bytes < 0)
        bytes = 0;
    const qint64 kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    const QString digits = QString::number(kb);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 + 3);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u' ';
        out += digits[i];
    }
    out += u" KB";
    return out;
}

std::optional<QString> formatTagOfKind(int fileKind)
{
    switch (fileKind) {
    case 0: return QStringLiteral("tmp");
    case 1: return QStringLiteral("mdvd");
    case 2: return QStringLiteral("lrc");
    case 3: return QStringLiteral("srt");
    case 4: return QStringLiteral("mpl2");
    default: return std::nullopt;
    }
}

namespace {

// Which of a few paths a row's path is. Comparing lengths first keeps the row's text out of
// the cache for nearly every row; many paths go to a hash instead.
class PathMatcher {
public:
    explicit PathMatcher(const QStringList &paths) : paths_(paths)
    {
        if (paths_.size() > 8) {
            hash_.reserve(paths_.size());
            for (qsizetype i = 0; i < paths_.size(); ++i)
                hash_.insert(paths_[i], i);
        }
    }
    // Index into the (duplicate-free) paths, -1 when absent.
    qsizetype indexOf(const QString &path) const
    {
        if (!hash_.isEmpty())
            return hash_.value(path, -1);
        for (qsizetype i = 0; i < paths_.size(); ++i) {
            if (paths_[i] == path)
                return i;
        }
        return -1;
    }

private:
    const QStringList &paths_;
    QHash<QStringView, qsizetype> hash_;
};

} // namespace

int dropRowIndex(int y)
{
    // Integer division truncates towards zero like the list's own arithmetic did; a point
    // above the first row lands on row 0 instead of a negative index.
    return std::max(0, (y - 18) / 14);
}

qint64 TSubtitleDatabase::realFileSize(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

bool TSubtitleDatabase::realFileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

TSubtitleDatabase::AddResult TSubtitleDatabase::TxtAddProc(const QStringList &paths, int dropY,
                                                           bool loadSubtitle, bool appendAtEnd,
                                                           const Classifier &classify,
                                                           const SizeOf &sizeOf)
{
    AddResult result;
    if (paths.isEmpty())
        return result;

    QList<TSubtitleRecord> fresh;
    QStringList freshPaths;
    for (const QString &path : paths) {
        const std::optional<QString> tag = formatTagOfKind(classify(path));
        if (!tag)
            continue;
        fresh.append({lib::bareFileName(path).toString(), *tag, QString(),
                      FormatKilobytes(sizeOf(path)), path});
        freshPaths.append(path);
    }
    freshPaths.removeDuplicates();

    // The association belongs to the file, not to the row: when the new row ends up above
    // an older row of the same path, the older row is the one the duplicate pass deletes.
    if (!fresh.isEmpty() && !rows_.isEmpty()) {
        const PathMatcher match(freshPaths);
        QList<bool> found(freshPaths.size(), false);
        QStringList inherited(freshPaths.size());
        for (const TSubtitleRecord &r : std::as_const(rows_)) {
            const qsizetype k = match.indexOf(r.FullPath);
            if (k >= 0 && !found[k]) {
                found[k] = true;
                inherited[k] = r.AssociatedWith;
            }
        }
        for (TSubtitleRecord &r : fresh)
            r.AssociatedWith = inherited[match.indexOf(r.FullPath)];
    }

    const bool wasUnique = unique_;
    const int dropIndex = dropRowIndex(dropY);
    for (TSubtitleRecord &row : fresh) {
        // Every row of a batch goes to the same drop index, as the list inserted them.
        if (appendAtEnd || dropIndex >= rows_.size())
            rows_.append(std::move(row));
        else
            rows_.insert(dropIndex, std::move(row));
        ++result.added;
    }
    if (wasUnique) {
        // Only the new paths can repeat; the pass gives what the full one would.
        removeDuplicatesOf(freshPaths);
        unique_ = true;
    } else {
        UsunDupliatyWbazieTekstow();
    }
    if (loadSubtitle)
        result.pathToLoad = paths.last();
    return result;
}

int TSubtitleDatabase::UsunDupliatyWbazieTekstow()
{
    const qsizetype n = rows_.size();
    QList<bool> drop;
    int dropped = 0;
    {
        lib::PathSet seen(n);
        for (qsizetype i = 0; i < n; ++i) {
            if (seen.insert(rows_.at(i).FullPath))
                continue;
            if (drop.isEmpty())
                drop.resize(n, false);
            drop[i] = true;
            ++dropped;
        }
    }
    if (dropped)
        compact(drop);
    unique_ = true;
    return dropped;
}

void TSubtitleDatabase::adoptRead(QList<TSubtitleRecord> &&rows, bool distinctPaths)
{
    if (rows_.isEmpty()) {
        rows_ = std::move(rows);
        unique_ = distinctPaths;
    } else {
        rows_.append(rows);
        unique_ = false;
    }
}

void TSubtitleDatabase::removeDuplicatesOf(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const PathMatcher match(paths);
    QList<bool> seen(paths.size(), false);
    QList<bool> drop;
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        const qsizetype k = match.indexOf(rows_.at(i).FullPath);
        if (k < 0)
            continue;
        if (!seen[k]) {
            seen[k] = true;
        } else {
            if (drop.isEmpty())
                drop.resize(rows_.size(), false);
            drop[i] = true;
        }
    }
    if (!drop.isEmpty())
        compact(drop);
}

void TSubtitleDatabase::compact(const QList<bool> &drop)
{
    qsizetype out = 0;
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        if (drop[i])
            continue;
        if (out != i)
            rows_[out] = std::move(rows_[i]);
        ++out;
    }
    rows_.resize(out);
}

void TSubtitleDatabase::SkojarzPliki(const QString &filmPath, const QString &subtitlePath)
{
    const QStringView film = lib::bareFileName(filmPath);
    const QStringView subtitle = lib::bareFileName(subtitlePath);
    for (TSubtitleRecord &r : rows_) {
        if (r.FileName == subtitle) {
            if (r.AssociatedWith != film)
                r.AssociatedWith = film.toString();
        } else if (!r.AssociatedWith.isEmpty() && r.AssociatedWith == film) {
            r.AssociatedWith.clear();
        }
    }
}

std::optional<QString> TSubtitleDatabase::fullPathOf(qsizetype row) const
{
    if (row < 0 || row >= rows_.size())
        return std::nullopt;
    return rows_.at(row).FullPath;
}

int TSubtitleDatabase::removeRows(const QList<qsizetype> &indices)
{
    QList<bool> drop(rows_.size(), false);
    int count = 0;
    for (qsizetype i : indices) {
        if (i >= 0 && i < rows_.size() && !drop[i]) {
            drop[i] = true;
            ++count;
        }
    }
    if (count)
        compact(drop);
    return count;
}

void TSubtitleDatabase::clearAssociations(const QList<qsizetype> &indices)
{
    for (qsizetype i : indices) {
        if (i >= 0 && i < rows_.size())
            rows_[i].AssociatedWith.clear();
    }
}

int TSubtitleDatabase::removeMissing(const FileExists &exists)
{
    QList<qsizetype> gone;
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        if (!exists(rows_[i].FullPath))
            gone.append(i);
    }
    return removeRows(gone);
}

bool TSubtitleDatabase::associateRow(qsizetype row, const QString &filmPath)
{
    if (row < 0 || row >= rows_.size())
        return false;
    rows_[row].AssociatedWith = lib::bareFileName(filmPath).toString();
    return true;
}

} // namespace zv
