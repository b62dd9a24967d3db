// Start-up and shut-down of the main window: the other windows in their fixed order, the
// controllers, the start-up sequence, the hand-off and the close handler.
#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/commands.h"
#include "app/controllers/desktop_controller.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/keys_controller.h"
#include "app/controllers/library_controller.h"
#include "app/controllers/options_controller.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/sync_controller.h"
#include "app/controllers/tracks_controller.h"
#include "app/controllers/transport_controller.h"
#include "app/controllers/video_controller.h"
#include "app/single_instance.h"
#include "app/unattended_exit.h"
#include "config/options_dialog.h"
#include "core/app/command_line.h"
#include "core/config/paths.h"
#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_database_window.h"
#include "library/subtitle_finder_dialog.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "playlist/jump_to_file_dialog.h"
#include "playlist/playlist_window.h"
#include "subtitles/jump_to_subtitle_dialog.h"
#include "subtitles/line_windows.h"
#include "subtitles/subtitle_editor.h"
#include "video/fullscreen_bar.h"
#include "video/video_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QTimer>

TZentavistaApp::~TZentavistaApp()
{
    // The playlist and database windows show what their controllers hold: they go first, then
    // the controllers, newest first, while everything they reach still exists. Nothing
    // refreshes the status meanwhile.
    state_.ShuttingDown = true;
    delete Form6;
    Form6 = nullptr;
    delete Form7;
    Form7 = nullptr;
    QObject *const made[] = {ctx_.sync, ctx_.tracks, ctx_.status, ctx_.desktop, ctx_.options, ctx_.keys, ctx_.video,
                             ctx_.transport, ctx_.subtitles, ctx_.library, ctx_.playlist, ctx_.files,
                             ctx_.session};
    for (QObject *o : made)
        delete o;
}

void TZentavistaApp::note(const char *step)
{
    lifecycleSteps_.append(QLatin1String(step));
}

void TZentavistaApp::setCommandLine(const QStringList &params, bool fullScreen, bool panScan,
                                    bool autoPanScan, std::optional<int> panScanValue)
{
    params_ = params;
    state_.CmdFullScreen = fullScreen;
    state_.CmdPanScan = panScan;
    state_.CmdAutoPanScan = autoPanScan;
    cmdPanScanValue_ = panScanValue;
}

void TZentavistaApp::CreateForms()
{
    Form9 = engineFactory_ ? new TForm9(videoPanel(), engineFactory_) : new TForm9(videoPanel());
    Form2 = new TForm2(this);
    Form6 = new TForm6(this);
    JumpToTextFrm = new TJumpToTextFrm(this);
    auto database = std::make_unique<zv::TSubtitleDatabase>();
    Form7 = new TForm7(*database, this);
    Form8 = new TForm8(this);
    Form11 = new TForm11(this);
    Form12 = new TForm12(this);
    Form13 = new TForm13(this);
    Form10 = new TForm10(this);
    Form5 = new TForm5(this);
    Form4 = new TForm4(this);
    Form3 = new TForm3(this);

    ctx_.window = this;
    ctx_.panels = this;
    ctx_.forms = this;
    ctx_.settings = settings_.get();
    ctx_.commands = commands_;
    ctx_.hooks = &hooks_;
    ctx_.state = &state_;
    ctx_.session = new zv::PlaybackSession(Form9->m(), this);
    ctx_.files = new zv::FilesController(ctx_);
    ctx_.playlist = new zv::PlaylistController(ctx_);
    ctx_.library = new zv::LibraryController(ctx_, std::move(database));
    ctx_.subtitles = new zv::SubtitlesController(ctx_);
    ctx_.transport = new zv::TransportController(ctx_);
    ctx_.video = new zv::VideoController(ctx_);
    ctx_.keys = new zv::KeysController(ctx_);
    ctx_.options = new zv::OptionsController(ctx_);
    ctx_.desktop = new zv::DesktopController(ctx_);
    ctx_.status = new zv::StatusPresenter(ctx_);
    ctx_.sync = new zv::SyncController(ctx_);
    ctx_.tracks = new zv::TracksController(ctx_);
    // The desktop follows every status refresh: MPRIS properties, the screen saver.
    connect(ctx_.status, &zv::StatusPresenter::statusRefreshed, ctx_.desktop,
            &zv::DesktopController::DesktopRefresh);
    // The last window's creation starts the program: every window exists from here on.
    StartUp();
}

void TZentavistaApp::StartUp()
{
    startUpRunning_ = true;
    state_.startingUp = true;
    // Boxes of the steps below run nested event loops, where a termination signal can arrive;
    // the sequence then stops at the next step instead of showing the window afterwards.
    const auto stopped = [this] {
        if (!startUpAborted_)
            return false;
        startUpRunning_ = false;
        state_.startingUp = false;
        note("StartUpStopped");
        close();
        return true;
    };
    note("CreateLineBitmaps");
    subtitles().CreateLineBitmaps();
    note("loadini");
    options().loadini();
    if (stopped())
        return;
    // "/p=n" outranks the stored value; read before the file, it would be lost to it.
    if (cmdPanScanValue_)
        settings().PanScanValue = *cmdPanScanValue_;
    note("OdczytajBazeNapisow");
    Form7->OdczytajBazeNapisow();
    if (stopped())
        return;
    note("UstawZmienneDoOpcji");
    options().UstawZmienneDoOpcji();
    note("UstawOpcjeDoZmiennych");
    options().UstawOpcjeDoZmiennych();
    note("SprawdzSkojarzenia");
    options().SprawdzSkojarzenia();
    if (stopped())
        return;

    note("LineWindowsHidden");
    for (QWidget *line : {static_cast<QWidget *>(Form3), static_cast<QWidget *>(Form4),
                          static_cast<QWidget *>(Form5)})
        line->resize(line->width(), 0);

    if (!params_.isEmpty()) {
        note("MainAddProc");
        files().MainAddProc(zv::ParamFilesToList(params_), 31, true, true, true, true, state_.DefaultDropPoint);
    } else if (settings().SaveLoadPlaylist) {
        // The playlist of the previous run comes back, but nothing opens.
        note("MainAddProc");
        files().MainAddProc(QStringList{zv::Paths::tempPlaylist()}, 31, true, true, false, false,
                            state_.DefaultDropPoint);
    }
    if (stopped())
        return;
    startUpRunning_ = false;
    state_.startingUp = false;
    desktop().startUpFinished();

    note("show");
    show();
    note("UstawOCXWindow");
    video().UstawOCXWindow();
    note("ShowVideoWindow");
    Form9->show();
    note("focus");
    activateWindow();
    setFocus();
    note("UstawMStaus");
    status().UstawMStaus();
    transport().UstawMDoVolPos();
}

void TZentavistaApp::connectSingleInstance(zv::SingleInstance *instance)
{
    connect(instance, &zv::SingleInstance::fileHandedOver, this, &TZentavistaApp::HandOffReceived);
}

void TZentavistaApp::HandOffReceived(const QString &path)
{
    // Files arriving while the program closes would only change what is being saved.
    if (state_.ShuttingDown)
        return;
    // One path, whatever it holds: a line break in the name must not make it several.
    files().MainAddProc(QStringList{path}, 31, true, true, true, true, state_.DefaultDropPoint);
}

void TZentavistaApp::CloseUnattended()
{
    if (!state_.unattended) {
        state_.unattended = true;
        // Closes the box a nested loop may be waiting on now, and any shown from here on.
        new zv::ModalBoxGuard(this);
    }
    if (startUpRunning_) {
        // The start-up sequence closes the window itself once its current step returns.
        startUpAborted_ = true;
        state_.ShuttingDown = true;
        if (ctx_.session)
            ctx_.session->beginShutDown();
        return;
    }
    close();
}

void TZentavistaApp::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    if (ctx_.video)
        video().UstawOCXWindow();
    // The window may not shrink the picture below its own size (none while nothing is open).
    const int picture = ctx_.session ? session().ImageSourceHeight() : 0;
    setMinimumHeight(qMax(0, height() + picture - Panel12->height()));
    setMinimumWidth(320);
}

void TZentavistaApp::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && commands_->isChecked(zv::Cmd::FullScr)
        && Form9 && Form9->isVisible())
        Form9->setFocus();
}

void TZentavistaApp::closeEvent(QCloseEvent *event)
{
    // Only a signal or the session can close a window not shown yet; start-up ends first.
    if (startUpRunning_) {
        CloseUnattended();
        event->ignore();
        return;
    }
    // Unsaved editor text is asked about, unless nobody is there to answer.
    if (!shutDownStarted_ && !state_.unattended && Form12 && !Form12->CanClose()) {
        event->ignore();
        return;
    }
    // A second close (a signal during the message box of a failed save) finds the sequence
    // already running and only lets it finish.
    if (!shutDownStarted_ && ctx_.session)
        RunShutDown();
    event->accept();
    if (!shutDownFinished_) {
        shutDownFinished_ = true;
        emit shutDownFinished();
    }
}

void TZentavistaApp::RunShutDown()
{
    shutDownStarted_ = true;
    note("ShuttingDown");
    state_.ShuttingDown = true;
    session().beginShutDown();
    note("StopGlobalKeys");
    keys().StopGlobalKeys();
    note("StopTimers");
    for (QTimer *t : {subtitles().Timer1, transport().Timer4, video().Timer8})
        t->stop();
    status().stopTimers();
    note("StopEngine");
    session().StopEngine();
    desktop().ReleaseDesktop();
    if (commands_->isChecked(zv::Cmd::Wy1)) {
        note("SubtitlesOff");
        commands_->action(zv::Cmd::Wy1)->trigger();
    }
    note("HideWindows");
    if (commands_->isChecked(zv::Cmd::FullScr)) {
        hide();
        if (Form9)
            Form9->hide();
        video().UstawFullScreen(false);
    } else {
        if (Form9)
            Form9->hide();
        hide();
    }
    // A start-up that was stopped has not read all the state: the files stay as they are.
    if (!startUpAborted_) {
        if (options().settingsLoaded() && settings().SaveLoadPlaylist) {
            note("SavePlaylist");
            playlist().SavePlaylist(zv::Paths::tempPlaylist());
        }
        note("saveini");
        options().saveini();
        note("ZapiszBazenapisow");
        QString failure;
        if (Form7 && !Form7->ZapiszBazenapisow(state_.unattended ? &failure : nullptr))
            state_.reportedUnattended(failure);
    }
    note("CloseMedia");
    session().CloseMedia();
    note("ClearSubtitleTable");
    subtitles().ClearSubtitleTable();
}
