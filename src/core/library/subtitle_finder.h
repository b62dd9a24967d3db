#pragma once

#include <QString>
#include <QStringList>

namespace zv {

// Adds to `out` the subtitle files of one folder: names ending exactly (letter case counts)
// in ".txt" or ".lrc", as folder + "/" + name. Subfolders are searched only with `recurse`.
// An empty or missing folder adds nothing.
void ZnajdzPliki(QStringList &out, const QString &folder, bool recurse);

// The finder's candidates: the subtitle files beside the film, those in the extra folder and
// every database path, sorted ignoring letter case. Duplicates stay: a file beside the film
// that is also in the database is offered twice, as the user may know it from either place.
QStringList subtitleFinderPaths(const QString &mediaPath, const QString &autoLoadtextDir,
                                const QStringList &databasePaths);

} // namespace zv
