#pragma once

#include "support/file_tree.h"

#include <QFile>
#include <QString>

#include <unistd.h>

namespace zv::test {

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
