#pragma once

#include <QByteArray>
#include <QString>

namespace zv {

// Replaces `path` with `data` atomically: the bytes go to a temporary file in the same folder,
// which is renamed over the target only when fully written, so a crash or a full disk never
// leaves a truncated file. Creates the folder when missing. On failure returns false and puts
// a short reason in *error (when given); the old file is then untouched.
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error = nullptr);

} // namespace zv
