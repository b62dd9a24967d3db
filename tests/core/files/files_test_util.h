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

// A scratch folder that builds trees of real files for the classifier and the folder scan.
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

// Takes permissions away for a scope and gives them back, so the folder can be removed.
class ScopedPermissions {
public:
    ScopedPermissions(const QString &path, QFileDevice::Permissions p)
        : path_(path), previous_(QFile::permissions(path))
    {
        QFile::setPermissions(path_, p);
    }
    ~ScopedPermissions() { QFile::setPermissions(path_, previous_); }

private:
    QString path_;
    QFileDevice::Permissions previous_;
};

// Permission checks do not apply to root, so tests that need an unreadable file or folder run
// that part under the "nobody" user and switch back afterwards.
class AsUnprivileged {
public:
    AsUnprivileged()
    {
        if (::geteuid() != 0) {
            ok_ = true;
            return;
        }
        switched_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
        ok_ = switched_;
    }
    ~AsUnprivileged()
    {
        if (switched_) {
            [[maybe_unused]] int r = ::seteuid(0);
            r = ::setegid(0);
        }
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    bool switched_ = false;
};

} // namespace zv::test
