#pragma once

#include <QStringList>

namespace zv {

inline constexpr int kMaxRecentFiles = 20;

// The recent-files list, newest first. A path that exists goes on top; older entries with
// exactly that path (case counts) go, even when the path does not exist any more; the list
// keeps at most kMaxRecentFiles entries.
QStringList addRecentFile(QStringList list, const QString &path, bool exists);

} // namespace zv
