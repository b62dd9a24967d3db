#pragma once

#include <QString>
#include <QStringView>

namespace zv {

// A file name or path as it may be shown: the invisible characters that reorder text (U+202E
// and the other bidirectional controls) become their visible escapes ("<U+202E>"), so that
// "rtl\u202Etxt.avi" can never pass for "rtlliva.txt". Everything else is kept as it is.
QString visibleText(QStringView text);

} // namespace zv
