#pragma once

#include <QStyle>

class QToolBar;
class QToolButton;

namespace zv {

// A flat 16 x 16 transport button with the style's picture, added to bar. The main window's
// bar and the playlist window's bar are made of these.
QToolButton *transportButton(QToolBar *bar, const char *name, const QString &hint,
                             QStyle::StandardPixmap icon);

// Status mirrors touch a widget only when its state changes, so a refresh repaints nothing
// that stays the same.
void setEnabledIfChanged(QWidget *w, bool on);
void setDown(QToolButton *b, bool down);   // the pressed look of a checkable button

namespace playback {
struct StatusView;
}
// The play, pause and stop buttons and Prev/Next as a status view shows them (any bar).
void showTransport(const playback::StatusView &v, QToolButton *play, QToolButton *pause,
                   QToolButton *stop, QToolButton *prev, QToolButton *next);

} // namespace zv
