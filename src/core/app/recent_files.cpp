#include "core/app/recent_files.h"

namespace zv {

QStringList addRecentFile(QStringList list, const QString &path, bool exists)
{
    if (exists)
        list.prepend(path);
    // The top entry stays: a file opened again moves there instead of appearing twice.
    for (qsizetype i = list.size() - 1; i >= 1; --i)
        if (list.at(i) == path)
            list.removeAt(i);
    while (list.size() > kMaxRecentFiles)
        list.removeAt(kMaxRecentFiles);
    return list;
}

} // namespace zv
