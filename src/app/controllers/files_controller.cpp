#include "app/controllers/files_controller.h"

#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/keys_controller.h"
#include "app/controllers/library_controller.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/tracks_controller.h"
#include "app/controllers/video_controller.h"
#include "app/main_panels.h"
#include "app/app_windows.h"
#include "core/app/recent_files.h"
#include "core/common/visible_text.h"
#include "core/config/settings.h"
#include "core/files/add_plan.h"
#include "core/files/get_typ.h"
#include "core/files/intake_after_open.h"
#include "core/playlist/find_moved_file.h"
#include "core/playlist/playlist_file.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "shell/drop_target.h"
#include "video/video_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>

#include <algorithm>

namespace zv {
namespace {

// At most this many extensions of the list go into the dialog's filter: a list grown huge
// would only make the dialog slow, and "Wszytskie pliki" still shows every file.
constexpr int kMaxFilterExtensions = 300;

// Patterns of an extension list, each also in upper case: the file system here tells
// "film.AVI" from "film.avi". Entries that are no plain extension are left out, as they
// would break the filter's syntax.
void addPatterns(QStringList &patterns, const QStringList &extensions)
{
    for (const QString &e : extensions) {
        if (patterns.size() >= 2 * kMaxFilterExtensions)
            return;
        const bool plain = std::all_of(e.cbegin(), e.cend(), [](QChar c) {
            return c.isLetterOrNumber() || c == u'_' || c == u'-';
        });
        const QString lower = QStringLiteral("*.") + e.toLower();
        if (e.isEmpty() || !plain || patterns.contains(lower))
            continue;
        patterns << lower;
        if (e.toUpper() != e.toLower())
            patterns << QStringLiteral("*.") + e.toUpper();
    }
}

} // namespace

QString FilesController::openMediaFilter(const QString &fileTypes)
{
    QStringList patterns;
    addPatterns(patterns, fileTypes.split(u'/', Qt::SkipEmptyParts));
    addPatterns(patterns, {QStringLiteral("m3u"), QStringLiteral("zvl"), QStringLiteral("txt"), QStringLiteral("lrc"),
                           QStringLiteral("sfl"), QStringLiteral("srt")});
    return QStringLiteral("Obsługiwane pliki (") + patterns.join(u' ') + QStringLiteral(");;Wszytskie pliki [*.*] (*)");
}

QStringList FilesController::notAdded(const QStringList &paths, int addMode) const
{
    const FileClassifier classifier(ctx_.settings->FileTypes);
    QStringList left;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        const FileKind kind = classifier.kindOfExisting(path, info.isDir(), addModeCountsUnknownAsMedia(addMode));
        const bool taken = info.isDir()
            || ((kind == kindMedia || kind == kindPlaylist) && addModeTakesMedia(addMode))
            || (isSubtitleKind(kind) && addModeTakesSubtitles(addMode));
        if (!info.exists() || !taken)
            left << path;
    }
    return left;
}

void FilesController::tellNotAdded(const QStringList &paths, int addMode)
{
    const QStringList left = notAdded(paths, addMode);
    if (left.isEmpty())
        return;
    constexpr int kNamed = 20;
    QStringList names;
    for (const QString &path : left.mid(0, kNamed))
        names << visibleText(QFileInfo(path).fileName());
    if (left.size() > kNamed)
        names << QStringLiteral("(i %1 innych)").arg(left.size() - kNamed);
    ctx_.filesMessage(QStringLiteral("Nie dodano plików"),
                      QStringLiteral("Tych plików nie dodano, bo ich typu nie ma na liście typów plików "
                                     "(Opcje, „Typy plików”):\n") + names.join(u'\n'));
}

const QString FilesController::kOpenFolderTitle =
    QStringLiteral("Przytrzymaj klawisz SHIFT jeśli nie chcesz przeszukiwać podkatalogów.");

FilesController::FilesController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    Commands &c = *ctx.commands;
    c.bind(Cmd::OT1, this, [this] { OT1Click(); });
    c.bind(Cmd::opendir1, this, [this] { opendir1Click(); });
    c.bind(Cmd::Prze1, this, [this] { Prze1Click(); });
    c.bind(Cmd::Zamknij1, this, [this] { Zamknij1Click(); });
    registerDropTarget(ctx.window, this, &FilesController::OnForm1FMDragDrop);
    if (ctx.forms->Form9)
        registerDropTarget(ctx.forms->Form9, this, &FilesController::OnForm1FMDragDrop);
    connect(ctx.session, &PlaybackSession::loadRequested, this, &FilesController::AddRecentFile);
    connect(ctx.session, &PlaybackSession::opened, this, &FilesController::afterOpen);
}

void FilesController::remember(MainAddCall call)
{
    if (mainAddCalls_.size() >= kMainAddCallsKept)
        mainAddCalls_.removeFirst();
    mainAddCalls_.append(std::move(call));
}

void FilesController::MainAddProc(const QString &Text, int AddMode, bool ClearFirst,
                                  bool AppendAtEnd, bool OpenFirst, bool LoadSubtitle,
                                  QPoint DropPoint)
{
    const QStringList paths = splitLines(Text);
    remember({Text, paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle, DropPoint});
    addFiles(paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle, DropPoint);
}

void FilesController::MainAddProc(const QStringList &Paths, int AddMode, bool ClearFirst,
                                  bool AppendAtEnd, bool OpenFirst, bool LoadSubtitle,
                                  QPoint DropPoint)
{
    remember({Paths.join(QLatin1String("\r\n")), Paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst,
              LoadSubtitle, DropPoint});
    addFiles(Paths, AddMode, ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle, DropPoint);
}

void FilesController::addFiles(const QStringList &Paths, int AddMode, bool ClearFirst,
                               bool AppendAtEnd, bool OpenFirst, bool LoadSubtitle, QPoint DropPoint)
{
    // Volumes are listed once per call: a playlist of thousands of moved files asks often.
    const MovedFileFinder finder;
    AddHooks hooks;
    hooks.shiftHeld = [this] { return ctx_.keys->keyModifiers().testFlag(Qt::ShiftModifier); };
    // A close that began meanwhile (a termination signal) ends the scan as Escape does.
    hooks.scan.cancelRequested = [this] { return ctx_.state->ShuttingDown || ctx_.keys->escapeHeld(); };
    hooks.scan.cancelPollInterval = std::chrono::milliseconds(escapePollIntervalMs);
    QElapsedTimer sinceShown;
    QLabel *label = ctx_.panels->Label1;
    hooks.scan.progress = [label, &sinceShown](qsizetype found, qint64 elapsedMs) {
        // The window keeps answering during long scans; the label shows how far it got.
        QCoreApplication::processEvents();
        if (elapsedMs >= kScanProgressDelayMs && label
            && (!sinceShown.isValid() || sinceShown.elapsed() >= 100)) {
            label->setText(scanProgressText(found));
            sinceShown.start();
        }
    };
    hooks.findMovedFile = [&finder](const QString &path) { return finder.find(path); };
    QStringList unreadable;
    qsizetype notFound = 0;
    hooks.readPlaylist = [&finder, &unreadable, &notFound](const QString &path) {
        // Relative lines name files beside the playlist.
        const PlaylistReadResult read = readPlaylistFile(path, finder);
        if (!read.ok)
            unreadable << path + QStringLiteral(" (") + read.error + QLatin1Char(')');
        notFound += read.missing;
        return read.paths;
    };

    AddFlags flags;
    flags.ClearFirst = ClearFirst;
    flags.AppendAtEnd = AppendAtEnd;
    flags.OpenFirst = OpenFirst;
    flags.LoadSubtitle = LoadSubtitle;
    flags.DropPoint = DropPoint;
    const AddPlan plan = PrepareAdd(Paths, AddMode, flags, ctx_.settings->FileTypes, hooks);

    // The scan let events run: the program may have begun to close meanwhile.
    if (ctx_.state->ShuttingDown)
        return;
    if (!unreadable.isEmpty())
        ctx_.filesMessage(QStringLiteral("Błąd"),
                          QStringLiteral("Nie można odczytać playlisty:\n") + unreadable.join(QLatin1Char('\n')));
    if (plan.callsPlsAddProc())
        ctx_.playlist->PlsAddProc(plan.media, plan.clearFirst, plan.dropPoint, plan.openFirst, plan.appendAtEnd);
    // After PlsAddProc's status refresh, as the status line's note.
    if (notFound > 0)
        ctx_.status->showNote(playlistMissingText(notFound));
    if (plan.callsTxtAddProc())
        ctx_.library->TxtAddProc(plan.subtitles, plan.subtitleKinds, plan.dropPoint, plan.loadSubtitle,
                                 plan.appendAtEnd);
}

void FilesController::afterOpen(double seconds)
{
    PlaybackSession &s = *ctx_.session;
    MediaEngine *e = s.engine();
    ctx_.playlist->DodajCzasDoPlalisty(s.CurrentMediaPath, seconds);

    QMainWindow *w = ctx_.window;
    QFrame *video = ctx_.panels->Panel12;
    VideoController &v = *ctx_.video;
    // Measured outside full screen: there the panels are hidden and the window is the screen.
    if (v.isFullScreenOn() && qint64(e->ImageSourceWidth()) * e->ImageSourceHeight() == 0)
        v.UstawFullScreen(false);
    WindowFitInput in;
    in.pictureWidth = e->ImageSourceWidth();
    in.pictureHeight = e->ImageSourceHeight();
    in.width = w->width();
    in.height = w->height();
    in.chromeWidth = w->width() - video->width();
    in.chromeHeight = w->height() - video->height();
    in.videoPanelHeight = video->height();
    in.autoSize = ctx_.settings->AutoSize;
    in.maxHeightSet = w->maximumHeight() < QWIDGETSIZE_MAX;
    const WindowFit fit = fitWindowToClip(in);
    if (fit.maxHeight == 0)
        w->setMaximumHeight(QWIDGETSIZE_MAX);
    if (fit.minHeight >= 0)
        w->setMinimumHeight(fit.minHeight);
    if (fit.maxHeight > 0)
        w->setMaximumHeight(fit.maxHeight);
    w->setMinimumWidth(fit.minWidth);
    if (fit.leaveFullScreen && v.isFullScreenOn())
        v.UstawFullScreen(false);
    // resize() keeps the window's left and top. In full screen the window covers the screen
    // whatever its normal size, and a resize would end the full-screen state.
    if (!v.isFullScreenOn())
        w->resize(fit.width, fit.height);

    Commands &c = *ctx_.commands;
    const Settings &set = *ctx_.settings;
    AppState &st = *ctx_.state;
    if (set.AutoPlay)
        c.run(Cmd::Play);
    if (s.PlayAfterOpen) {
        s.PlayAfterOpen = false;
        c.run(Cmd::Play);
    }
    if ((st.CmdFullScreen || set.InitFullScr) && !c.isChecked(Cmd::FullScr))
        c.run(Cmd::FullScr);
    st.CmdFullScreen = false;
    if ((st.CmdPanScan || set.InitPanScan) && !c.isChecked(Cmd::PanScan1))
        c.run(Cmd::PanScan1);
    st.CmdPanScan = false;
    if (st.CmdAutoPanScan || set.InitAutoPanScan)
        c.run(Cmd::AutoPanScan1);
    st.CmdAutoPanScan = false;
    ctx_.status->UstawMStaus();
    // No subtitle file for the film: its own track in a preferred language, if any.
    if (set.AutoLoadText && !ctx_.library->AutoLoadText())
        ctx_.tracks->loadPreferredSubtitles();
}

void FilesController::OT1Click()
{
    const QString current = ctx_.session->CurrentMediaPath;
    const QString filter = openMediaFilter(ctx_.settings->FileTypes);
    const QStringList files = ctx_.hooks->pickFiles
        ? ctx_.hooks->pickFiles(ctx_.window, filter)
        : QFileDialog::getOpenFileNames(ctx_.window, QString(), QFileInfo(current).absolutePath(), filter);
    if (!files.isEmpty()) {
        MainAddProc(dropListText(files), addModeAllOrUnknown, true, true, true, true,
                    ctx_.state->DefaultDropPoint);
        tellNotAdded(files, addModeAllOrUnknown);
    }
    ctx_.status->UstawMStaus();
}

void FilesController::opendir1Click()
{
    const QString start = folderOfMedia(ctx_.session->CurrentMediaPath);
    const QString folder = ctx_.hooks->pickFolder
        ? ctx_.hooks->pickFolder(ctx_.window, kOpenFolderTitle, start)
        : QFileDialog::getExistingDirectory(ctx_.window, kOpenFolderTitle, start);
    if (folder.isEmpty())
        return;
    // Ctrl held as the picker closes keeps the playlist; Shift is read by MainAddProc.
    const bool keep = ctx_.keys->keyModifiers().testFlag(Qt::ControlModifier);
    MainAddProc(QStringList{folder}, addModeAll, !keep, true, true, false, ctx_.state->DefaultDropPoint);
}

void FilesController::Prze1Click()
{
    ctx_.session->Przeladuj(ctx_.settings->SaveReloadPosition);
    ctx_.status->UstawMStaus();
}

void FilesController::Zamknij1Click()
{
    ctx_.session->Close();
    if (ctx_.video->isFullScreenOn())
        ctx_.video->UstawFullScreen(false);
    ctx_.status->UstawMStaus();
}

void FilesController::OnForm1FMDragDrop(const TDragDropInfo &info)
{
    const bool append = ctx_.keys->keyModifiers().testFlag(Qt::ShiftModifier);
    const QString text = dropListText(info.Files);
    if (text.isEmpty())
        return;
    MainAddProc(text, addModeAllOrUnknown, !append, true, !append, true, ctx_.state->DefaultDropPoint);
}

// ---- recent files ------------------------------------------------------------------------------

QStringList FilesController::RecentFilesList() const
{
    QStringList paths;
    for (QAction *a : ctx_.commands->menu(MenuId::RecentFiles1)->actions())
        paths << a->data().toString();
    return paths;
}

QString FilesController::firstRecentFile() const
{
    for (QAction *a : ctx_.commands->menu(MenuId::RecentFiles1)->actions()) {
        if (a->isSeparator())
            continue;
        const QString path = a->data().toString();
        return path.isEmpty() ? a->text() : path;
    }
    return QString();
}

void FilesController::AddRecentFile(const QString &Path)
{
    const QStringList paths = addRecentFile(RecentFilesList(), Path, QFileInfo(Path).isFile());
    if (paths == RecentFilesList())
        return;
    QMenu *menu = ctx_.commands->menu(MenuId::RecentFiles1);
    menu->clear();
    for (const QString &path : paths) {
        // The caption is the path; "&" would otherwise mark a shortcut letter.
        QAction *a = menu->addAction(visibleText(path).replace(QLatin1Char('&'), QLatin1String("&&")));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, a] { RecentMenuProc(a); });
    }
    menu->setEnabled(!paths.isEmpty());
}

void FilesController::RecentMenuProc(QAction *item)
{
    MainAddProc(QStringList{item->data().toString()}, 31, true, true, true, true, ctx_.state->DefaultDropPoint);
}

} // namespace zv
