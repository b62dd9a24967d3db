#include "core/library/subtitle_lookup.h"

namespace zv {

namespace {

QString withSlash(const QString &dir)
{
    return dir.isEmpty() || dir.endsWith(u'/') ? dir : dir + u'/';
}

void addCandidate(QStringList &out, const QString &path)
{
    if (!out.contains(path))
        out.append(path);
    QString underscored = path;
    underscored.replace(u' ', u'_');
    if (!out.contains(underscored))
        out.append(underscored);
}

// Case-blind equality of two texts of the same length; ASCII letters without the tables.
bool sameIgnoringCase(QStringView a, QStringView b)
{
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x < 0x80 && y < 0x80) {
            if ((x | 0x20) != (y | 0x20) || (x | 0x20) < u'a' || (x | 0x20) > u'z')
                return false;
            continue;
        }
        if (i > 0 && a[i].isLowSurrogate())
            --i;  // fold the whole pair
        return a.sliced(i).compare(b.sliced(i), Qt::CaseInsensitive) == 0;
    }
    return true;
}

QStringList candidatesWith(const QString &filmPath, const QString &autoLoadtextDir,
                           const QString &extension)
{
    QStringList out;
    if (filmPath.isEmpty())
        return out;
    const qsizetype slash = filmPath.lastIndexOf(u'/');
    const QString dir = filmPath.left(slash + 1);
    QString base = filmPath.mid(slash + 1);
    // Only the last extension goes; a leading dot marks a hidden file, not an extension.
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    const QString name = base + extension;
    addCandidate(out, dir + name);
    if (!autoLoadtextDir.isEmpty())
        addCandidate(out, withSlash(autoLoadtextDir) + name);
    return out;
}

} // namespace

QStringList subtitleCandidates(const QString &filmPath, const QString &autoLoadtextDir)
{
    return candidatesWith(filmPath, autoLoadtextDir, QStringLiteral(".txt"));
}

QStringList subRipCandidates(const QString &filmPath, const QString &autoLoadtextDir)
{
    return candidatesWith(filmPath, autoLoadtextDir, QStringLiteral(".srt"));
}

QString TryToFindFile(const QList<TSubtitleRecord> &rows, const QString &filmPath,
                      const QString &autoLoadtextDir, const TSubtitleDatabase::FileExists &exists)
{
    const QStringView film = lib::bareFileName(filmPath);
    if (film.isEmpty())
        return QString();
    const qsizetype n = film.size();
    const qsizetype count = rows.size();
    for (qsizetype i = 0; i < count; ++i) {
        const TSubtitleRecord &r = rows[i];
        // Texts live apart from the rows; asking a few rows ahead for one that will be read
        // hides the wait.
        if (i + 8 < count && rows[i + 8].AssociatedWith.size() >= n)
            __builtin_prefetch(rows[i + 8].AssociatedWith.constData());
        // The bare name is the text's tail after a '/': lengths rule out nearly every row
        // without reading its text. Case folding keeps UTF-16 lengths, so this is exact.
        const QString &a = r.AssociatedWith;
        if (a.size() < n || (a.size() > n && a.at(a.size() - n - 1) != u'/'))
            continue;
        if (sameIgnoringCase(QStringView(a).last(n), film) && exists(r.FullPath))
            return r.FullPath;
    }
    for (const QString &candidate : subtitleCandidates(filmPath, autoLoadtextDir)) {
        if (exists(candidate))
            return candidate;
    }
    for (const QString &candidate : subRipCandidates(filmPath, autoLoadtextDir)) {
        if (exists(candidate))
            return candidate;
    }
    return QString();
}

AutoLoadDecision autoLoadTextDecision(const QList<TSubtitleRecord> &rows, const QString &filmPath,
                                      const AutoLoadSettings &settings, bool subtitlesShown,
                                      const TSubtitleDatabase::FileExists &exists)
{
    AutoLoadDecision d;
    if (!settings.autoLoadText)
        return d;
    d.path = TryToFindFile(rows, filmPath, settings.autoLoadtextDir, exists);
    if (!d.path.isEmpty())
        d.action = AutoLoadDecision::Action::Load;
    else if (subtitlesShown)
        d.action = AutoLoadDecision::Action::SwitchDisplayOff;
    return d;
}

} // namespace zv
