#pragma once

#include <QStyle>

class QToolBar;
class QToolButton;

namespace zv {

// A flat 16 x 16 transport button with the style's picture, added to bar. The main window's
// bar and the playlist window's bar are made of these.
QToolButton *transportButton(QToolBar *bar, const char *name, const QString &hint,
                             QStyle::StandardPixmap icon);

} // namespace zv
