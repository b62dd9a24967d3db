// The player on the Linux desktop: the MPRIS server and the screen-saver inhibition, both
// following the player's state after each status refresh and play-state change.
#include "app/main_window.h"

#include "playback/media_engine.h"
#include "shell/mpris_server.h"
#include "shell/screensaver_inhibitor.h"

void TZentavistaApp::ConnectDesktop()
{
    if (!mpris_) {
        mpris_ = new zv::MprisServer(this);
        mpris_->start();
    }
    if (!screenSaver_)
        screenSaver_ = new zv::ScreenSaverInhibitor(this);
    connect(this, &TZentavistaApp::statusRefreshed, this, &TZentavistaApp::DesktopRefresh,
            Qt::UniqueConnection);
    if (MediaEngine *e = m())
        connect(e, &MediaEngine::OnPlayStateChange, this, &TZentavistaApp::DesktopRefresh,
                Qt::UniqueConnection);
}

void TZentavistaApp::DesktopRefresh()
{
    if (ShuttingDown)
        return;
    MediaEngine *e = m();
    // Only a picture that plays keeps the screen on; paused, stopped or sound only do not.
    const bool picturePlaying = e && e->PlayState() == MediaEngine::psPlaying
                                && e->ImageSourceWidth() > 0 && e->ImageSourceHeight() > 0;
    if (screenSaver_)
        screenSaver_->setWanted(picturePlaying);
    if (mpris_)
        mpris_->refresh();
}

void TZentavistaApp::ReleaseDesktop()
{
    if (screenSaver_)
        screenSaver_->releaseNow();
}
