#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class MediaEngine;
class QMainWindow;
class QWidget;
struct AppWindows;
struct MainPanels;

namespace zv {

class Commands;
enum class Cmd : unsigned char;
class PlaybackSession;
struct Settings;
struct SubtitleMessage;
namespace video {
class DisplayModeBackend;
}

class FilesController;
class PlaylistController;
class LibraryController;
class SubtitlesController;
class TransportController;
class VideoController;
class KeysController;
class OptionsController;
class DesktopController;
class StatusPresenter;
class SyncController;
class TracksController;

// The desktop services the features use; tests replace them before the windows are made (or
// at any time after). Empty: the real dialog, box or keyboard.
struct AppHooks {
    std::function<QStringList(QWidget *parent, const QString &filter)> pickFiles;
    std::function<QString(QWidget *parent, const QString &title, const QString &startFolder)> pickFolder;
    std::function<void(const QString &title, const QString &text)> filesMessage;
    std::function<void(const SubtitleMessage &)> subtitleMessage;
    std::function<QString(QWidget *parent, const QString &filter)> pickSubtitleFile;
    // Shift and Ctrl as the commands read them, and whether Escape is held (folder scans).
    std::function<Qt::KeyboardModifiers()> modifiers;
    std::function<bool()> escapeHeld;
};

// What the whole program shares about its own run.
struct AppState {
    QPoint DefaultDropPoint{1, 10000};
    bool ShuttingDown = false;
    // One-shot requests of the command line, used by the first clip that opens.
    bool CmdFullScreen = false;
    bool CmdPanScan = false;
    bool CmdAutoPanScan = false;
    // The start-up sequence runs: the saved state is still being read.
    bool startingUp = false;
    // Nobody is there to answer (a termination signal): reports go to standard error.
    bool unattended = false;
    // Saves that failed during an unattended close: the program then ends with a failure.
    int failedSaves = 0;
    // True when text went to standard error because the close is unattended (and counted).
    bool reportedUnattended(const QString &text);
};

// The features and what they share, filled by the main window in creation order. A feature
// keeps the reference; the others are reached through their own headers, never the window's.
struct AppContext {
    QMainWindow *window = nullptr;
    MainPanels *panels = nullptr;
    AppWindows *forms = nullptr;
    Settings *settings = nullptr;
    Commands *commands = nullptr;
    PlaybackSession *session = nullptr;
    AppHooks *hooks = nullptr;
    AppState *state = nullptr;

    FilesController *files = nullptr;
    PlaylistController *playlist = nullptr;
    LibraryController *library = nullptr;
    SubtitlesController *subtitles = nullptr;
    TransportController *transport = nullptr;
    VideoController *video = nullptr;
    KeysController *keys = nullptr;
    OptionsController *options = nullptr;
    DesktopController *desktop = nullptr;
    StatusPresenter *status = nullptr;
    SyncController *sync = nullptr;
    TracksController *tracks = nullptr;

    MediaEngine *m() const;   // the session's engine; nullptr before the windows exist
    // The playlist and database commands: shows a hidden window (with the keys, so the user
    // need not reach for the window manager) or hides a shown one; the item's check follows,
    // then the status.
    void toggleToolWindow(QWidget *window, Cmd item) const;
    // A message box of the file features, or the test's sink.
    void filesMessage(const QString &title, const QString &text) const;
};

} // namespace zv
