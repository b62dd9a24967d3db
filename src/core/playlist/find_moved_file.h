#pragma once

#include <QString>
#include <QStringList>

namespace zv {

// Folders whose immediate subfolders are mounted volumes, in the order they are searched:
// /media, /media/$USER, /mnt, /run/media/$USER. (/media/$USER is where Debian's desktop
// mounts removable disks.)
QStringList defaultMountRoots();

// Looks for a file that is no longer where `path` says. The part of the path below its volume
// is tried under every mounted volume, the last hit winning; then a file with the same bare
// name in the program's folder, which wins over any volume. Old Windows-style paths
// ("D:\Filmy\a.avi") are understood too. Relative paths are looked up in the program's
// folder only. Returns the existing file's path, or an empty string.
QString FindMovedFile(const QString &path);
QString FindMovedFile(const QString &path, const QStringList &mountRoots, const QString &programDir);

// The same lookup with the list of volumes taken once, for callers that look up many paths
// (a playlist of thousands of missing files must not list /media for every line).
class MovedFileFinder {
public:
    MovedFileFinder();   // defaultMountRoots() and Paths::programDir()
    MovedFileFinder(const QStringList &mountRoots, const QString &programDir);

    QString find(const QString &path) const;

private:
    QStringList volumes_;   // absolute, cleaned, in search order
    QString programDir_;
};

} // namespace zv
