#include "app/controllers/desktop_controller.h"

#include "app/about_dialog.h"
#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/transport_controller.h"
#include "app/key_table.h"
#include "app/tray_icons.h"
#include "core/config/settings.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "shell/mpris_server.h"
#include "shell/screensaver_inhibitor.h"

#include <QAction>
#include <QDesktopServices>
#include <QMainWindow>
#include <QUrl>

#include <utility>

#ifndef ZV_AUTHOR_MAIL
#define ZV_AUTHOR_MAIL "zentavista@users.noreply.github.com"
#endif

namespace zv {

DesktopController::DesktopController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    Commands &c = *ctx.commands;
    c.bind(Cmd::About1, this, [this] { About1Click(); });
    c.bind(Cmd::Informacjeobdach1, this, [this] { Informacjeobdach1Click(); });
    c.bind(Cmd::Propozycje1, this, [this] { Propozycje1Click(); });

    mpris_ = new MprisServer(ctx.session, this);
    mpris_->setNavigationSource([this] { return ctx_.commands->action(Cmd::na1)->isEnabled(); },
                                [this] { return ctx_.commands->action(Cmd::po1)->isEnabled(); });
    connect(mpris_, &MprisServer::requested, this, [this](MprisServer::Request r) {
        static constexpr Cmd kCommands[] = {Cmd::OW1, Cmd::Play, Cmd::Pause, Cmd::Stop, Cmd::Next, Cmd::Prev};
        ctx_.commands->run(kCommands[int(r)]);
        ctx_.status->UstawMStaus();
    });
    connect(mpris_, &MprisServer::openRequested, this, [this](const QString &path) {
        // The playlist restored at start-up would replace a film opened before it.
        if (ctx_.state->startingUp) {
            pendingOpens_ << path;
            return;
        }
        ctx_.files->MainAddProc(QStringList{path}, 31, true, true, true, true, ctx_.state->DefaultDropPoint);
    });
    connect(mpris_, &MprisServer::raiseRequested, this, [this] {
        QMainWindow *w = ctx_.window;
        if (w->isMinimized())
            w->showNormal();
        w->show();
        w->raise();
        w->activateWindow();
    });
    connect(mpris_, &MprisServer::quitRequested, ctx.window, &QWidget::close);
    connect(mpris_, &MprisServer::volumeChanged, this, [this] { ctx_.transport->UstawMDoVolPos(); });
    mpris_->start();

    screenSaver_ = new ScreenSaverInhibitor(this);
    if (MediaEngine *e = ctx.m())
        connect(e, &MediaEngine::OnPlayStateChange, this, &DesktopController::DesktopRefresh);
}

void DesktopController::DesktopRefresh()
{
    if (ctx_.state->ShuttingDown)
        return;
    MediaEngine *e = ctx_.m();
    // Only a picture that plays keeps the screen on; paused, stopped or sound only do not.
    const bool picturePlaying = e && e->PlayState() == MediaEngine::psPlaying && e->ImageSourceWidth() > 0
                                && e->ImageSourceHeight() > 0;
    screenSaver_->setWanted(picturePlaying);
    mpris_->refresh();
}

void DesktopController::startUpFinished()
{
    const QStringList paths = std::exchange(pendingOpens_, {});
    for (const QString &path : paths)
        ctx_.files->MainAddProc(QStringList{path}, 31, true, true, true, true, ctx_.state->DefaultDropPoint);
}

void DesktopController::ReleaseDesktop()
{
    screenSaver_->releaseNow();
}

void DesktopController::UstawTrayIcons()
{
    if (!trayIcons_) {
        if (!ctx_.settings->ShowTrayIcon)
            return;
        const Commands &c = *ctx_.commands;
        trayIcons_ = new TrayIcons({c.action(Cmd::Prev), c.action(Cmd::OW1), c.action(Cmd::Stop), c.action(Cmd::Next)},
                                   [this](QAction *command) {
                                       ctx_.commands->run(command);
                                       ctx_.status->UstawMStaus();
                                   },
                                   this);
    }
    trayIcons_->setVisible(ctx_.settings->ShowTrayIcon);
}

void DesktopController::About1Click()
{
    TForm10 *about = ctx_.forms->Form10;
    about->setKeyList(keyListTexts(*ctx_.commands));
    about->exec();
}

void DesktopController::mailAuthor(const char *subject)
{
    // Nothing to report when no mail program starts: the link is all the program offers.
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:%1?subject=%2")
                                       .arg(QLatin1String(ZV_AUTHOR_MAIL), QLatin1String(subject))));
}

void DesktopController::Informacjeobdach1Click()
{
    mailAuthor("Zentavista_v1.0_bug_report");
}

void DesktopController::Propozycje1Click()
{
    mailAuthor("Zentavista_v1.0_suggestions");
}

} // namespace zv
