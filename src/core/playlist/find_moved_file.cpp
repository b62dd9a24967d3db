#include "core/playlist/find_moved_file.h"

#include "core/config/paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace zv {

namespace {

bool isExistingFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

// "C:\..." or "c:/...": a path written on Windows.
bool isWindowsDrivePath(const QString &path)
{
    return path.size() >= 3 && path[0].isLetter() && path[0].unicode() < 0x80 && path[1] == u':'
        && (path[2] == u'\\' || path[2] == u'/');
}

QString bareName(const QString &path, bool windowsStyle)
{
    qsizetype cut = path.lastIndexOf(u'/');
    if (windowsStyle)
        cut = std::max(cut, path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

} // namespace

QStringList defaultMountRoots()
{
    QStringList roots{QStringLiteral("/media")};
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (!user.isEmpty() && !user.contains(u'/'))
        roots << QStringLiteral("/media/") + user;
    roots << QStringLiteral("/mnt");
    if (!user.isEmpty() && !user.contains(u'/'))
        roots << QStringLiteral("/run/media/") + user;
    return roots;
}

MovedFileFinder::MovedFileFinder() : MovedFileFinder(defaultMountRoots(), Paths::programDir()) {}

MovedFileFinder::MovedFileFinder(const QStringList &mountRoots, const QString &programDir)
    : programDir_(programDir.isEmpty() ? QString() : QDir::cleanPath(programDir))
{
    for (const QString &root : mountRoots) {
        if (root.isEmpty())
            continue;
        QDir dir(root);
        const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            const QString volume = QDir::cleanPath(dir.absoluteFilePath(name));
            if (!volumes_.contains(volume))
                volumes_ << volume;
        }
    }
}

QString MovedFileFinder::find(const QString &path) const
{
    // A NUL would cut the name short in the system call and "find" a different file.
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return {};

    const bool windowsStyle = isWindowsDrivePath(path);
    QString result;

    // The part of the path below its volume: what stays the same when a disk is mounted
    // elsewhere or the files are copied to another disk.
    QString below;
    if (windowsStyle) {
        below = QDir::cleanPath(path.mid(3).replace(u'\\', u'/'));
    } else if (path.startsWith(u'/')) {
        const QString clean = QDir::cleanPath(path);
        qsizetype longest = 0;
        for (const QString &v : volumes_) {
            if (v.size() > longest && clean.size() > v.size() && clean.startsWith(v)
                && clean[v.size()] == u'/')
                longest = v.size();
        }
        below = clean.mid(longest + 1);
    }
    // cleanPath keeps leading ".." of a relative remainder; such a path would leave the volume.
    if (!below.isEmpty() && below != u".." && !below.startsWith(QStringLiteral("../"))) {
        for (const QString &v : volumes_) {
            const QString candidate = v + u'/' + below;
            if (isExistingFile(candidate))
                result = candidate;
        }
    }

    if (!programDir_.isEmpty()) {
        const QString name = bareName(path, windowsStyle);
        if (!name.isEmpty() && name != u"." && name != u"..") {
            const QString candidate = programDir_ + u'/' + name;
            if (isExistingFile(candidate))
                result = candidate;
        }
    }
    return result;
}

QString FindMovedFile(const QString &path, const QStringList &mountRoots, const QString &programDir)
{
    return MovedFileFinder(mountRoots, programDir).find(path);
}

QString FindMovedFile(const QString &path)
{
    return MovedFileFinder().find(path);
}

} // namespace zv
