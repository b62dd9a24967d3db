#pragma once

#include <QStringList>

namespace zv::test {

// Titles of the top-level windows that process `pid` has on the X display right now, mapped
// and viewable only. Reads the display directly, so it sees windows of other processes.
QStringList shownWindowTitles(qint64 pid);

} // namespace zv::test
