#include "core/common/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

AtomicFileWriter::AtomicFileWriter(const QString &path) : path_(path) {}

AtomicFileWriter::~AtomicFileWriter()
{
    drop();
}

void AtomicFileWriter::drop()
{
    if (auto *save = qobject_cast<QSaveFile *>(file_.get()))
        save->cancelWriting();
    file_.reset();
}

bool AtomicFileWriter::open(QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        file_.reset();
        return false;
    };
    struct stat old {};
    const bool exists = ::stat(QFile::encodeName(path_).constData(), &old) == 0;
    // A device, a FIFO or a socket (or a link to one) is written where it is.
    inPlace_ = exists && !S_ISREG(old.st_mode) && !S_ISDIR(old.st_mode);
    if (inPlace_) {
        auto file = std::make_unique<QFile>(path_);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(file->errorString());
        file_ = std::move(file);
        return true;
    }
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot create folder %1").arg(dir));
    auto file = std::make_unique<QSaveFile>(path_);
    // Unbuffered, so a short write (full disk, file size limit) is seen here rather than
    // swallowed by the buffer and then committed as a truncated file.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file->errorString());
    if (exists && file->handle() >= 0) {
        // Qt copies the permissions as the current user sees them, which for root turns a
        // read-only file writable; the replacement takes the old mode bits and owner instead.
        // Changing the owner is allowed to root only, and is simply skipped otherwise.
        [[maybe_unused]] const int owned = ::fchown(file->handle(), old.st_uid, old.st_gid);
        ::fchmod(file->handle(), old.st_mode & 07777);
    }
    file_ = std::move(file);
    return true;
}

bool AtomicFileWriter::write(QByteArrayView data)
{
    if (!file_ || failed_)
        return false;
    const qint64 at = file_->pos();
    // A write that gets part of the piece out reports that part and no reason; writing the rest
    // again fails with the reason (a full disk, a size limit), in Qt's own words as for a first
    // write that fails whole.
    for (qsizetype done = 0; done < data.size();) {
        const qint64 n = file_->write(data.data() + done, data.size() - done);
        if (n <= 0) {
            failed_ = true;
            error_ = file_->errorString();
            return false;
        }
        done += qsizetype(n);
    }
    // Start writing this piece to disk now, so that the sync of the commit finds most of the
    // file already there instead of waiting for all of it.
    if (!inPlace_ && file_->handle() >= 0)
        ::sync_file_range(file_->handle(), at, data.size(), SYNC_FILE_RANGE_WRITE);
    return true;
}

bool AtomicFileWriter::commit(QString *error)
{
    if (!file_)
        return false;
    bool ok = !failed_;
    if (ok) {
        if (auto *save = qobject_cast<QSaveFile *>(file_.get())) {
            ok = save->commit();
        } else {
            file_->close();
            ok = file_->error() == QFileDevice::NoError;
        }
    }
    if (!ok && error)
        *error = failed_ ? error_ : file_->errorString();
    drop();
    return ok;
}

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error)
{
    AtomicFileWriter file(path);
    if (!file.open(error))
        return false;
    file.write(data);
    return file.commit(error);
}

} // namespace zv
