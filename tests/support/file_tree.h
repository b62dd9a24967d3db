#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace zv::test {

// A scratch folder that builds trees of real files for tests that need files on disk.
class FileTree {
public:
    FileTree() { QFile::setPermissions(dir_.path(), QFileDevice::Permissions(0x7755)); }

    QString root() const { return dir_.path(); }
    QString path(const QString &rel) const { return dir_.filePath(rel); }

    QString file(const QString &rel, const QByteArray &bytes = {}) const
    {
        const QString p = path(rel);
        QDir().mkpath(QFileInfo(p).path());
        QFile f(p);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return p;
    }
    QString folder(const QString &rel) const
    {
        const QString p = path(rel);
        QDir().mkpath(p);
        return p;
    }
    QString link(const QString &rel, const QString &target) const
    {
        const QString p = path(rel);
        QDir().mkpath(QFileInfo(p).path());
        ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(p).constData());
        return p;
    }
    QString fifo(const QString &rel) const
    {
        const QString p = path(rel);
        ::mkfifo(QFile::encodeName(p).constData(), 0644);
        return p;
    }

private:
    QTemporaryDir dir_;
};

} // namespace zv::test
