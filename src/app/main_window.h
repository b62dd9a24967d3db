#pragma once

#include "app/app_windows.h"
#include "app/controllers/app_context.h"
#include "app/main_panels.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zv {
class SingleInstance;
enum class Cmd : unsigned char;
} // namespace zv

// The main window: the panels, the menu bar built by the command switchboard, the features'
// controllers made in their fixed order, and the program's start-up and shut-down. It routes;
// the controllers own the features' state and windows.
class TZentavistaApp : public QMainWindow, public MainPanels, public AppWindows {
    Q_OBJECT

public:
    explicit TZentavistaApp(QWidget *parent = nullptr);
    ~TZentavistaApp() override;

    // ---- start-up and shut-down (main_window_startup.cpp) ----------------------------------------
    // The command-line parameters and one-shot requests, given before CreateForms().
    void setCommandLine(const QStringList &params, bool fullScreen, bool panScan, bool autoPanScan,
                        std::optional<int> panScanValue);
    // Makes the engine for the video window's native surface (0: none); the libmpv engine
    // unless set before CreateForms().
    using EngineFactory = std::function<MediaEngine *(quint64 windowId, QObject *parent)>;
    void setEngineFactory(EngineFactory factory) { engineFactory_ = std::move(factory); }
    // Creates the other windows in their fixed order, then the controllers, then runs the
    // start-up sequence.
    void CreateForms();
    void StartUp();
    // The running instance's side of the hand-off: each delivered path goes to MainAddProc.
    void connectSingleInstance(zv::SingleInstance *instance);
    void HandOffReceived(const QString &path);
    // Names of the start-up and shut-down steps in the order they ran (for diagnostics and tests).
    const QStringList &lifecycleSteps() const { return lifecycleSteps_; }
    // Ends the program with nobody to answer it (a termination signal, the session ending): no
    // box waits for a click and failed saves are written to standard error. During start-up
    // the sequence stops at its next step: the window is never shown and no state file is
    // written, as none of it was all read.
    void CloseUnattended();

    // ---- what the features share ------------------------------------------------------------------
    zv::Settings &settings() { return *settings_; }
    const zv::Settings &settings() const { return *settings_; }
    zv::AppState &state() { return state_; }
    // Desktop services the features use; tests replace them (before or after CreateForms).
    zv::AppHooks &hooks() { return hooks_; }
    zv::Commands &commands() const { return *commands_; }
    // The panel the video window lives in; a child widget placed there is kept filling it.
    QWidget *videoPanel() const;

    // ---- the features (valid after CreateForms) ---------------------------------------------------
    zv::PlaybackSession &session() const { return *ctx_.session; }
    zv::FilesController &files() const { return *ctx_.files; }
    zv::PlaylistController &playlist() const { return *ctx_.playlist; }
    zv::LibraryController &library() const { return *ctx_.library; }
    zv::SubtitlesController &subtitles() const { return *ctx_.subtitles; }
    zv::TransportController &transport() const { return *ctx_.transport; }
    zv::VideoController &video() const { return *ctx_.video; }
    zv::KeysController &keys() const { return *ctx_.keys; }
    zv::OptionsController &options() const { return *ctx_.options; }
    zv::DesktopController &desktop() const { return *ctx_.desktop; }
    zv::StatusPresenter &status() const { return *ctx_.status; }
    zv::TracksController &tracks() const { return *ctx_.tracks; }
    MediaEngine *m() const { return ctx_.m(); }   // nullptr before CreateForms()

signals:
    // The shut-down sequence has finished; the program's message loop may end.
    void shutDownFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildPanels();
    void buildToolBar();
    void runToolButton(zv::Cmd target, bool refreshAfter);
    void createControllers();
    void RunShutDown();
    void note(const char *step);

    std::unique_ptr<zv::Settings> settings_;
    zv::AppState state_;
    zv::AppHooks hooks_;
    zv::Commands *commands_ = nullptr;
    zv::AppContext ctx_;
    EngineFactory engineFactory_;
    QStringList params_;
    std::optional<int> cmdPanScanValue_;
    QStringList lifecycleSteps_;
    bool shutDownStarted_ = false;
    bool shutDownFinished_ = false;
    bool startUpRunning_ = false;
    bool startUpAborted_ = false;
};
