#include "core/common/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>

namespace zv {

AtomicFileWriter::AtomicFileWriter(const QString &path) : path_(path) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (file_)
        file_->cancelWriting();
}

bool AtomicFileWriter::open(QString *error)
{
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create folder %1").arg(dir);
        return false;
    }
    file_ = std::make_unique<QSaveFile>(path_);
    // Unbuffered, so a short write (full disk, file size limit) is seen here rather than
    // swallowed by the buffer and then committed as a truncated file.
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file_->errorString();
        file_.reset();
        return false;
    }
    return true;
}

bool AtomicFileWriter::write(QByteArrayView data)
{
    if (!file_ || failed_)
        return false;
    const qint64 at = file_->pos();
    failed_ = file_->write(data.data(), data.size()) != data.size();
    // Start writing this piece to disk now, so that the sync of the commit finds most of the
    // file already there instead of waiting for all of it.
    if (!failed_ && file_->handle() >= 0)
        ::sync_file_range(file_->handle(), at, data.size(), SYNC_FILE_RANGE_WRITE);
    return !failed_;
}

bool AtomicFileWriter::commit(QString *error)
{
    if (!file_)
        return false;
    const bool ok = !failed_ && file_->commit();
    if (!ok) {
        if (error)
            *error = file_->errorString();
        file_->cancelWriting();
    }
    file_.reset();
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
