#include "core/common/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace zv {

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create folder %1").arg(dir);
        return false;
    }
    QSaveFile file(path);
    // Unbuffered, so a short write (full disk, file size limit) is seen here rather than
    // swallowed by the buffer and then committed as a truncated file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace zv
