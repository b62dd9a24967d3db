// Start-up and shut-down of the main window: the other windows in their fixed order, the
// start-up sequence and the close handler.
#include "app/main_window.h"

#include "core/app/command_line.h"
#include "core/config/paths.h"
#include "core/config/settings.h"
#include "app/about_dialog.h"
#include "app/unattended_exit.h"
#include "library/subtitle_finder_dialog.h"
#include "subtitles/subtitle_editor.h"
#include "video/fullscreen_bar.h"
#include "config/options_dialog.h"
#include "subtitles/line_windows.h"
#include "playlist/playlist_window.h"
#include "library/subtitle_database_window.h"
#include "playlist/jump_to_file_dialog.h"
#include "video/video_window.h"
#include "subtitles/jump_to_subtitle_dialog.h"
#include "playback/media_engine.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QTimer>

void TZentavistaApp::note(const char *step)
{
    lifecycleSteps_.append(QLatin1String(step));
}

void TZentavistaApp::setCommandLine(const QStringList &params, bool fullScreen, bool panScan,
                                    bool autoPanScan, std::optional<int> panScanValue)
{
    params_ = params;
    CmdFullScreen = fullScreen;
    CmdPanScan = panScan;
    CmdAutoPanScan = autoPanScan;
    cmdPanScanValue_ = panScanValue;
}

void TZentavistaApp::CreateForms()
{
    Form9 = engineFactory_ ? new TForm9(videoPanel(), engineFactory_) : new TForm9(videoPanel());
    Form2 = new TForm2(this);
    Form6 = new TForm6(this);
    JumpToTextFrm = new TJumpToTextFrm(this);
    Form7 = new TForm7(this);
    Form8 = new TForm8(this);
    Form11 = new TForm11(this);
    Form12 = new TForm12(this);
    Form13 = new TForm13(this);
    Form10 = new TForm10(this);
    Form5 = new TForm5(this);
    Form4 = new TForm4(this);
    Form3 = new TForm3(this);
    ConnectFilesIn();
    ConnectVideoWindow();
    ConnectKeys();
    ConnectDesktop();
    ConnectEditor();
    // The last window's creation starts the program: every window exists from here on.
    StartUp();
}

void TZentavistaApp::StartUp()
{
    startUpRunning_ = true;
    // Boxes of the steps below run nested event loops, where a termination signal can arrive;
    // the sequence then stops at the next step instead of showing the window afterwards.
    const auto stopped = [this] {
        if (!startUpAborted_)
            return false;
        startUpRunning_ = false;
        note("StartUpStopped");
        close();
        return true;
    };
    note("CreateLineBitmaps");
    CreateLineBitmaps();
    note("loadini");
    loadini();
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
    UstawZmienneDoOpcji();
    note("UstawOpcjeDoZmiennych");
    UstawOpcjeDoZmiennych();
    note("SprawdzSkojarzenia");
    SprawdzSkojarzenia();
    if (stopped())
        return;

    note("LineWindowsHidden");
    for (QWidget *line : {static_cast<QWidget *>(Form3), static_cast<QWidget *>(Form4),
                          static_cast<QWidget *>(Form5)})
        line->resize(line->width(), 0);

    if (!params_.isEmpty()) {
        note("MainAddProc");
        MainAddProc(zv::ParamFilesToList(params_), 31, true, true, true, true, DefaultDropPoint);
    } else if (settings().SaveLoadPlaylist) {
        // The playlist of the previous run comes back, but nothing opens.
        note("MainAddProc");
        MainAddProc(QStringList{zv::Paths::tempPlaylist()}, 31, true, true, false, false, DefaultDropPoint);
    }
    if (stopped())
        return;
    startUpRunning_ = false;

    note("show");
    show();
    note("UstawOCXWindow");
    UstawOCXWindow();
    note("ShowVideoWindow");
    Form9->show();
    note("focus");
    activateWindow();
    setFocus();
    note("UstawMStaus");
    UstawMStaus();
    UstawMDoVolPos();
}

void TZentavistaApp::CloseUnattended()
{
    if (!unattended_) {
        unattended_ = true;
        // Closes the box a nested loop may be waiting on now, and any shown from here on.
        new zv::ModalBoxGuard(this);
    }
    if (startUpRunning_) {
        // The start-up sequence closes the window itself once its current step returns.
        startUpAborted_ = true;
        ShuttingDown = true;
        return;
    }
    close();
}

bool TZentavistaApp::reportedUnattended(const QString &text) const
{
    if (!unattended_)
        return false;
    qWarning("zentavista: %s", qUtf8Printable(text));
    return true;
}

void TZentavistaApp::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    UstawOCXWindow();
    // The window may not shrink the picture below its own size (none while nothing is open).
    setMinimumHeight(qMax(0, height() + ImageSourceHeight() - Panel12->height()));
    setMinimumWidth(320);
}

void TZentavistaApp::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && FullScr->isChecked()
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
    if (!shutDownStarted_ && !unattended_ && Form12 && !Form12->CanClose()) {
        event->ignore();
        return;
    }
    // A second close (a signal during the message box of a failed save) finds the sequence
    // already running and only lets it finish.
    if (!shutDownStarted_)
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
    ShuttingDown = true;
    note("StopGlobalKeys");
    StopGlobalKeys();
    note("StopTimers");
    for (QTimer *t : {Timer1, Timer2, Timer3, Timer4, Timer5, Timer8})
        t->stop();
    note("StopEngine");
    StopEngine();
    ReleaseDesktop();
    if (Wy1->isChecked()) {
        note("SubtitlesOff");
        Wy1->trigger();
    }
    note("HideWindows");
    if (FullScr->isChecked()) {
        hide();
        if (Form9)
            Form9->hide();
        UstawFullScreen(false);
    } else {
        if (Form9)
            Form9->hide();
        hide();
    }
    // A start-up that was stopped has not read all the state: the files stay as they are.
    if (!startUpAborted_) {
        if (settingsLoaded_ && settings().SaveLoadPlaylist) {
            note("SavePlaylist");
            SavePlaylist(zv::Paths::tempPlaylist());
        }
        note("saveini");
        saveini();
        note("ZapiszBazenapisow");
        QString failure;
        if (Form7 && !Form7->ZapiszBazenapisow(unattended_ ? &failure : nullptr))
            reportedUnattended(failure);
    }
    note("CloseMedia");
    CloseMedia();
    note("ClearSubtitleTable");
    ClearSubtitleTable();
}

MediaEngine *TZentavistaApp::m() const
{
    return Form9 ? Form9->m() : nullptr;
}

int TZentavistaApp::ImageSourceHeight() const
{
    return m() ? m()->ImageSourceHeight() : 0;
}

void TZentavistaApp::StopEngine()
{
    if (m())
        m()->Stop();
}

void TZentavistaApp::CloseMedia()
{
    if (m())
        m()->setFileName(QString());
}

void TZentavistaApp::Zakocz1Click()
{
    close();
}
