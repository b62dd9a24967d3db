#pragma once

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QSystemTrayIcon;

namespace zv {

// The four playback icons in the desktop's notification area: previous, play/pause, stop,
// next. A click runs the item's command; each icon also has a menu holding the same command,
// as many tray hosts never pass a click on. Without a tray host they are simply absent.
class TrayIcons : public QObject {
    Q_OBJECT

public:
    // commands: Prev, OW1, Stop, Next; run is called with the one to run.
    TrayIcons(const std::array<QAction *, 4> &commands, std::function<void(QAction *)> run,
              QObject *parent);

    void setVisible(bool visible);   // all four together
    bool isVisible() const;
    QSystemTrayIcon *icon(int i) const { return icons_[i]; }

private:
    std::array<QSystemTrayIcon *, 4> icons_{};
};

} // namespace zv
