#pragma once

#include <QObject>
#include <QStringList>

namespace zv {

struct AppContext;
class MprisServer;
class ScreenSaverInhibitor;
class TrayIcons;

// The player on the Linux desktop: the MPRIS server, the screen-saver inhibition, the tray
// icons and the help menu (About, mail links).
class DesktopController : public QObject {
    Q_OBJECT

public:
    explicit DesktopController(AppContext &ctx);

    void DesktopRefresh();      // the state changed: MPRIS properties, screen-saver inhibition
    void ReleaseDesktop();      // shut-down: the inhibition goes before the process does
    void UstawTrayIcons();      // shown or hidden together, per ShowTrayIcon
    // Start-up has read the saved playlist: files asked for meanwhile open now, after it.
    void startUpFinished();
    MprisServer *mpris() const { return mpris_; }
    ScreenSaverInhibitor *screenSaver() const { return screenSaver_; }
    TrayIcons *trayIcons() const { return trayIcons_; }   // nullptr until first shown

    void About1Click();
    void Informacjeobdach1Click();
    void Propozycje1Click();

private:
    void mailAuthor(const char *subject);

    AppContext &ctx_;
    MprisServer *mpris_ = nullptr;
    ScreenSaverInhibitor *screenSaver_ = nullptr;
    TrayIcons *trayIcons_ = nullptr;
    QStringList pendingOpens_;   // asked for during start-up
};

} // namespace zv
