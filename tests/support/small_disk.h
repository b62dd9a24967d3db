#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace zv::test {

// A folder on a file system of `bytes`, to fill a disk for real (ENOSPC, which a file size limit
// does not give). It is a tmpfs mounted in this process's own mount namespace, which nothing
// else sees and which goes with the process; that takes root, so ok() is false elsewhere and
// the test skips. Programs started from the same thread see the folder too.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes)
    {
        static const bool ownNamespace = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        const QByteArray options = "size=" + QByteArray::number(bytes);
        ok_ = ownNamespace && dir_.isValid()
            && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                       options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (ok_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool ok() const { return ok_; }
    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

} // namespace zv::test
