// Files in: the one way in for files, opening a clip and what follows once it is open,
// reloading and closing it, the file commands and drops on the main window.
#include "app/main_window.h"

#include "core/config/settings.h"
#include "core/common/text_codec.h"
#include "core/files/add_plan.h"
#include "core/files/get_typ.h"
#include "core/files/intake_after_open.h"
#include "core/playlist/find_moved_file.h"
#include "core/playlist/playlist_file.h"
#include "library/subtitle_database_window.h"
#include "video/video_window.h"
#include "playback/media_engine.h"
#include "shell/drop_target.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

static bool escapeKeyHeld();

namespace {

// The media patterns of the open dialog, each also in upper case: the file system here tells
// "film.AVI" from "film.avi".
QString mediaPatterns()
{
    static const char *const exts[] = {"asf", "mpg", "mpeg", "avi", "dat", "mp3", "wav",
                                       "mid", "mod", "rmi", "wma", "m3u", "zvl"};
    QStringList patterns;
    for (const char *e : exts) {
        const QString ext = QString::fromLatin1(e);
        patterns << QStringLiteral("*.") + ext << QStringLiteral("*.") + ext.toUpper();
    }
    return patterns.join(QLatin1Char(' '));
}

} // namespace

const QString TZentavistaApp::kOpenMediaFilter =
    QStringLiteral("Obsługiwane pliki [*.asf;*.mpg;*.mpeg;*.avi;*.dat;*.mp3;*.wav;*.mid;*.mod;*.rmi;*.wma] (")
    + mediaPatterns() + QStringLiteral(");;Wszytskie pliki [*.*] (*)");

const QString TZentavistaApp::kOpenFolderTitle =
    QStringLiteral("Przytrzymaj klawisz SHIFT jeśli nie chcesz przeszukiwać podkatalogów.");

void TZentavistaApp::setKeyStateSource(std::function<Qt::KeyboardModifiers()> modifiers,
                                       std::function<bool()> escapeHeld)
{
    modifiers_ = std::move(modifiers);
    escapeHeld_ = std::move(escapeHeld);
}

Qt::KeyboardModifiers TZentavistaApp::keyModifiers() const
{
    if (keyEventModifiers_)
        return *keyEventModifiers_;
    return modifiers_ ? modifiers_() : QGuiApplication::queryKeyboardModifiers();
}

void TZentavistaApp::filesMessage(const QString &title, const QString &text)
{
    if (filesMessage_)
        filesMessage_(title, text);
    else
        QMessageBox::warning(this, title, text);
}

void TZentavistaApp::ConnectFilesIn()
{
    if (filesInConnected_)
        return;
    filesInConnected_ = true;
    zv::registerDropTarget(this, this, &TZentavistaApp::OnForm1FMDragDrop);
    if (MediaEngine *e = m()) {
        connect(e, &MediaEngine::OnOpenStateChange, this, [this](int, int NewState) {
            if (NewState == MediaEngine::osOpen)
                AfterMediaLoadProc();
        });
    }
    if (Form7) {
        connect(Form7, &TForm7::loadSubtitleRequested, this, [this](int row) { LadujTextNr(row); });
        connect(Form7, &TForm7::addFilesRequested, this,
                [this](const QString &text, bool appendAtEnd, const QPoint &dropPoint) {
                    MainAddProc(text, zv::addModeSubtitles, false, appendAtEnd, false, false, dropPoint);
                });
        connect(Form7, &TForm7::closed, this, [this] {
            BT1->setChecked(false);
            UstawMStaus();
        });
        Form7->setCurrentSubtitleFileSource([this] { return CurrentSubtitleFile(); });
    }
}

void TZentavistaApp::MainAddProc(const QString &Text, int AddMode, bool ClearFirst,
                                 bool AppendAtEnd, bool OpenFirst, bool LoadSubtitle,
                                 QPoint DropPoint)
{
    const QStringList paths = zv::splitLines(Text);
    mainAddCalls_.append({Text, paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle, DropPoint});
    addFiles(paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle, DropPoint);
}

void TZentavistaApp::MainAddProc(const QStringList &Paths, int AddMode, bool ClearFirst,
                                 bool AppendAtEnd, bool OpenFirst, bool LoadSubtitle,
                                 QPoint DropPoint)
{
    mainAddCalls_.append({Paths.join(QLatin1String("\r\n")), Paths, AddMode, ClearFirst, AppendAtEnd,
                          OpenFirst, LoadSubtitle, DropPoint});
    addFiles(Paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle, DropPoint);
}

void TZentavistaApp::addFiles(const QStringList &Paths, int AddMode, bool ClearFirst,
                              bool AppendAtEnd, bool OpenFirst, bool LoadSubtitle, QPoint DropPoint)
{

    // Volumes are listed once per call: a playlist of thousands of moved files asks often.
    const zv::MovedFileFinder finder;
    zv::AddHooks hooks;
    hooks.shiftHeld = [this] { return keyModifiers().testFlag(Qt::ShiftModifier); };
    // A close that began meanwhile (a termination signal) ends the scan as Escape does.
    hooks.scan.cancelRequested = [this] {
        return ShuttingDown || (escapeHeld_ ? escapeHeld_() : escapeKeyHeld());
    };
    hooks.scan.cancelPollInterval = std::chrono::milliseconds(escapePollIntervalMs);
    QElapsedTimer sinceShown;
    hooks.scan.progress = [this, &sinceShown](qsizetype found, qint64 elapsedMs) {
        // The window keeps answering during long scans; the label shows how far it got.
        QCoreApplication::processEvents();
        if (elapsedMs >= zv::kScanProgressDelayMs && Label1
            && (!sinceShown.isValid() || sinceShown.elapsed() >= 100)) {
            Label1->setText(zv::scanProgressText(found));
            sinceShown.start();
        }
    };
    hooks.findMovedFile = [&finder](const QString &path) { return finder.find(path); };
    QStringList unreadable;
    hooks.readPlaylist = [&finder, &unreadable](const QString &path) {
        const zv::PlaylistReadResult read = zv::readPlaylistFile(path, QDir::currentPath(), finder);
        if (!read.ok)
            unreadable << path + QStringLiteral(" (") + read.error + QLatin1Char(')');
        return read.paths;
    };

    zv::AddFlags flags;
    flags.ClearFirst = ClearFirst;
    flags.AppendAtEnd = AppendAtEnd;
    flags.OpenFirst = OpenFirst;
    flags.LoadSubtitle = LoadSubtitle;
    flags.DropPoint = DropPoint;
    const zv::AddPlan plan = zv::PrepareAdd(Paths, AddMode, flags, settings().FileTypes, hooks);

    // The scan let events run: the program may have begun to close meanwhile.
    if (ShuttingDown)
        return;
    if (!unreadable.isEmpty())
        filesMessage(QStringLiteral("Błąd"),
                     QStringLiteral("Nie można odczytać playlisty:\n") + unreadable.join(QLatin1Char('\n')));
    if (plan.callsPlsAddProc())
        PlsAddProc(plan.media, plan.clearFirst, plan.dropPoint, plan.openFirst, plan.appendAtEnd);
    if (plan.callsTxtAddProc())
        TxtAddProc(plan.subtitles, plan.dropPoint, plan.loadSubtitle, plan.appendAtEnd);
}

void TZentavistaApp::LoadMediafile(const QString &Path)
{
    // Playlist files are expanded by the intake; the engine would follow them on its own,
    // without our loop guard.
    if (zv::hasPlaylistExtension(Path))
        return;
    CurrentMediaPath = Path;
    AddRecentFile(Path);
    MediaEngine *e = m();
    if (!e)
        return;
    e->Open(Path);
    MediaFrameRate = -1.0;
    e->setDisplayMode(MediaEngine::dmTime);
}

void TZentavistaApp::AfterMediaLoadProc()
{
    MediaEngine *e = m();
    if (!e || ShuttingDown)
        return;
    ++afterOpenRuns_;

    e->setDisplayMode(MediaEngine::dmFrames);
    const double frames = e->Duration();
    e->setDisplayMode(MediaEngine::dmTime);
    const double seconds = e->Duration();
    DodajCzasDoPlalisty(CurrentMediaPath, seconds);
    MediaFrameRate = zv::mediaFrameRateOf(frames, seconds);

    // Measured outside full screen: there the panels are hidden and the window is the screen.
    if (FullScr->isChecked() && qint64(e->ImageSourceWidth()) * e->ImageSourceHeight() == 0)
        UstawFullScreen(false);
    zv::WindowFitInput in;
    in.pictureWidth = e->ImageSourceWidth();
    in.pictureHeight = e->ImageSourceHeight();
    in.width = width();
    in.height = height();
    in.chromeWidth = width() - Panel12->width();
    in.chromeHeight = height() - Panel12->height();
    in.videoPanelHeight = Panel12->height();
    in.autoSize = settings().AutoSize;
    in.maxHeightSet = maximumHeight() < QWIDGETSIZE_MAX;
    const zv::WindowFit fit = zv::fitWindowToClip(in);
    if (fit.maxHeight == 0)
        setMaximumHeight(QWIDGETSIZE_MAX);
    if (fit.minHeight >= 0)
        setMinimumHeight(fit.minHeight);
    if (fit.maxHeight > 0)
        setMaximumHeight(fit.maxHeight);
    setMinimumWidth(fit.minWidth);
    if (fit.leaveFullScreen && FullScr->isChecked())
        UstawFullScreen(false);
    // resize() keeps the window's left and top. In full screen the window covers the screen
    // whatever its normal size, and a resize would end the full-screen state.
    if (!FullScr->isChecked())
        resize(fit.width, fit.height);

    if (settings().AutoPlay)
        runCommand(Play);
    if (PlayAfterOpen) {
        PlayAfterOpen = false;
        runCommand(Play);
    }
    if ((CmdFullScreen || settings().InitFullScr) && !FullScr->isChecked())
        runCommand(FullScr);
    CmdFullScreen = false;
    if ((CmdPanScan || settings().InitPanScan) && !PanScan1->isChecked())
        runCommand(PanScan1);
    CmdPanScan = false;
    if (CmdAutoPanScan || settings().InitAutoPanScan)
        runCommand(AutoPanScan1);
    CmdAutoPanScan = false;
    UstawMStaus();
    if (settings().AutoLoadText)
        AutoLoadText();
}

void TZentavistaApp::Przeladuj(bool KeepPosition)
{
    MediaEngine *e = m();
    // A second reload while the first still waits would restore a state read mid-way.
    if (!e || reloading_)
        return;
    const QString name = e->FileName();
    if (name.isEmpty())
        return;
    const int state = e->PlayState();
    const double position = e->CurrentPosition();
    const int runsBefore = afterOpenRuns_;
    e->Open(QString());
    e->Open(name);
    if (!KeepPosition)
        return;

    // Events run while waiting (the open report among them); the wait ends when the clip is
    // open again, when opening failed, or after reloadTimeoutMs, so it can never hang.
    reloading_ = true;
    const auto opened = [&] { return afterOpenRuns_ != runsBefore; };
    const auto failed = [&] {
        return e->ReadyState() == MediaEngine::rsComplete && e->PlayState() == MediaEngine::psClosed;
    };
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    // The user may close the clip or open another one meanwhile: that ends the wait too.
    const auto replaced = [&] { return e->FileName() != name; };
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (opened() || failed() || replaced() || ShuttingDown || waited.elapsed() >= reloadTimeoutMs)
            loop.quit();
    });
    poll.start();
    if (!(opened() || failed()))
        loop.exec();
    reloading_ = false;
    if (!opened() || replaced() || ShuttingDown)
        return;

    if (position >= 0)
        e->setCurrentPosition(position);
    switch (state) {
    case MediaEngine::psStopped: e->Stop(); break;
    case MediaEngine::psPaused: e->Pause(); break;
    case MediaEngine::psPlaying: e->Play(); break;
    default: break;
    }
}

void TZentavistaApp::OT1Click()
{
    const QStringList files = pickFiles_
        ? pickFiles_(this, kOpenMediaFilter)
        : QFileDialog::getOpenFileNames(this, QString(), QFileInfo(CurrentMediaPath).absolutePath(),
                                        kOpenMediaFilter);
    if (!files.isEmpty())
        MainAddProc(zv::dropListText(files), zv::addModeAllOrUnknown, true, true, true, true,
                    DefaultDropPoint);
    UstawMStaus();
}

void TZentavistaApp::opendir1Click()
{
    const QString start = zv::folderOfMedia(CurrentMediaPath);
    const QString folder = pickFolder_
        ? pickFolder_(this, kOpenFolderTitle, start)
        : QFileDialog::getExistingDirectory(this, kOpenFolderTitle, start);
    if (folder.isEmpty())
        return;
    // Ctrl held as the picker closes keeps the playlist; Shift is read by MainAddProc.
    const bool keep = keyModifiers().testFlag(Qt::ControlModifier);
    MainAddProc(QStringList{folder}, zv::addModeAll, !keep, true, true, false, DefaultDropPoint);
}

void TZentavistaApp::Prze1Click()
{
    Przeladuj(settings().SaveReloadPosition);
    UstawMStaus();
}

void TZentavistaApp::Zamknij1Click()
{
    if (MediaEngine *e = m())
        e->Open(QString());
    MediaFrameRate = -1.0;
    CurrentMediaPath.clear();
    if (FullScr->isChecked())
        UstawFullScreen(false);
    UstawMStaus();
}

void TZentavistaApp::OnForm1FMDragDrop(const zv::TDragDropInfo &info)
{
    const bool append = keyModifiers().testFlag(Qt::ShiftModifier);
    const QString text = zv::dropListText(info.Files);
    if (text.isEmpty())
        return;
    MainAddProc(text, zv::addModeAllOrUnknown, !append, true, !append, true, DefaultDropPoint);
}

// Xlib last: its macros (None, Bool, Status) collide with names in Qt's headers.
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

// Asked every few milliseconds during a folder scan: one round trip to the X server, no more.
static bool escapeKeyHeld()
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    const KeyCode code = XKeysymToKeycode(display, XK_Escape);
    if (code == 0)
        return false;
    char keys[32];
    XQueryKeymap(display, keys);
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}
