#include "core/library/subtitle_finder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace zv {

namespace {

void sortIgnoringCase(QStringList &paths)
{
    std::stable_sort(paths.begin(), paths.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
    });
}

} // namespace

void ZnajdzPliki(QStringList &out, const QString &folder, bool recurse)
{
    // No folder is no folder: the process's working directory has nothing to do with films.
    if (folder.isEmpty())
        return;
    const QDir dir(folder);
    // Hidden files count; pipes, sockets and devices (QDir::System) are no subtitle files.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const QFileInfo &e : entries) {
        if (e.isDir()) {
            if (recurse && !e.isSymLink())
                ZnajdzPliki(out, prefix + e.fileName(), true);
            continue;
        }
        const QString name = e.fileName();
        if (name.endsWith(QLatin1String(".txt")) || name.endsWith(QLatin1String(".lrc")))
            out << prefix + name;
    }
}

QStringList subtitleFinderPaths(const QString &mediaPath, const QString &autoLoadtextDir,
                                const QStringList &databasePaths)
{
    QStringList paths;
    if (!mediaPath.isEmpty())
        ZnajdzPliki(paths, QFileInfo(mediaPath).path(), false);
    sortIgnoringCase(paths);
    ZnajdzPliki(paths, autoLoadtextDir, false);
    sortIgnoringCase(paths);
    paths << databasePaths;
    sortIgnoringCase(paths);
    return paths;
}

} // namespace zv
