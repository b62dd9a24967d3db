#pragma once

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class MediaEngine;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TJumpToTextFrm;

namespace zv { // transport and status (main_window_transport.cpp)
class PositionSliderWidget;
class SystemVolume;
class VolumeSliderWidget;
struct PlaylistStep;
} // namespace zv
namespace zv {
struct CommandRow;
struct Settings;
class SingleInstance;
class TPlaylist;
class TSubtitleDatabase;
struct TDragDropInfo;
} // namespace zv
namespace zv {
class MprisServer;
class ScreenSaverInhibitor;
class TrayIcons;
} // namespace zv
namespace zv::keys { // keys (main_window_keys.cpp)
enum class Window : unsigned char;
} // namespace zv::keys
namespace zv::video { // video area (main_window_video.cpp)
class DisplayModeBackend;
enum class FramingStep;
struct Framing;
struct FullScreenPointerGeometry;
struct FullScreenPointerAnswer;
} // namespace zv::video
namespace zv { // subtitles (main_window_subtitles.cpp)
enum class TextEncoding;
struct OptionsControls;
class SubtitleDisplay;
class SubtitleTable;
struct SubtitleMessage;
struct TimeLists;
} // namespace zv

// The main window and the switchboard of the program: it owns every other window and the shared
// state, builds its menu bar from the command table (command_table.h) and routes each command
// to the classes that do the work. Methods are grouped by subsystem; each subsystem keeps its
// method bodies in a main_window_<subsystem>.cpp file of its own.
class TZentavistaApp : public QMainWindow {
    Q_OBJECT

public:
    explicit TZentavistaApp(QWidget *parent = nullptr);
    ~TZentavistaApp() override;

    // ---- commands ----------------------------------------------------------------------------
    // Runs a menu item the way a click does: a disabled item does nothing. Hidden items are
    // triggerable. Returns true when the item's handler ran. Keys, buttons and icons use this.
    bool runCommand(QAction *item);

    // ---- start-up and shut-down (main_window_startup.cpp) ----------------------------------------
    // The command-line parameters and one-shot requests, given before CreateForms().
    void setCommandLine(const QStringList &params, bool fullScreen, bool panScan, bool autoPanScan,
                        std::optional<int> panScanValue);
    // Makes the engine for the video window's native surface (0: none); the libmpv engine
    // unless set before CreateForms().
    using EngineFactory = std::function<MediaEngine *(quint64 windowId, QObject *parent)>;
    void setEngineFactory(EngineFactory factory) { engineFactory_ = std::move(factory); }
    // Creates the other windows in their fixed order, then runs the start-up sequence.
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

    QPoint DefaultDropPoint;
    bool ShuttingDown = false;
    bool CmdFullScreen = false;
    bool CmdPanScan = false;
    bool CmdAutoPanScan = false;

    // ---- settings (main_window_settings.cpp) ---------------------------------------------------
    void loadini();
    // Writes the settings file; on failure shows "Unable to write to <path>" and returns false.
    bool saveini();
    // "Domyślne": every setting at its default, applied as loadini applies the file; the file
    // itself is replaced only at exit, so nothing is lost if the program stops before.
    void LoadDefaultSettings();
    zv::Settings &settings() { return *settings_; }
    const zv::Settings &settings() const { return *settings_; }
    const QStringList &resolutionList() const { return resolutionList_; }
    // Display modes as "W x H x depth" texts, deduplicated, in the display's order; empty
    // without an X display (main_window_display_modes.cpp).
    static QStringList DisplayModeList();

    // ---- files in (main_window_files.cpp) ----------------------------------------------------------
    // The one way in for files: expands Text (paths separated by CR LF), classifies every path,
    // hands media and playlist contents to the playlist and subtitle files to the database, as
    // AddMode (1, 11, 2, 3, 31) accepts them. Shift held at the call means no recursion; Escape
    // held stops a folder scan.
    void MainAddProc(const QString &Text, int AddMode, bool ClearFirst, bool AppendAtEnd,
                     bool OpenFirst, bool LoadSubtitle, QPoint DropPoint);
    // The same for paths already apart (the command line, the hand-off): each element is one
    // path and is never split again, whatever characters it holds.
    void MainAddProc(const QStringList &Paths, int AddMode, bool ClearFirst, bool AppendAtEnd,
                     bool OpenFirst, bool LoadSubtitle, QPoint DropPoint);
    struct MainAddCall {
        QString Text;        // as given, or the paths joined by CR LF
        QStringList Paths;   // as the intake took them apart
        int AddMode;
        bool ClearFirst, AppendAtEnd, OpenFirst, LoadSubtitle;
        QPoint DropPoint;
    };
    // Every call MainAddProc was given, in order (start-up and hand-off diagnostics).
    const QList<MainAddCall> &mainAddCalls() const { return mainAddCalls_; }
    // Hands Path to the engine; AfterMediaLoadProc follows when the engine reports it open.
    void LoadMediafile(const QString &Path);
    // The engine reports the clip open: frame rate, window fitting, start options, lookup.
    void AfterMediaLoadProc();
    // Reopens the current clip; with KeepPosition the position and play state come back.
    void Przeladuj(bool KeepPosition);
    // Files dropped on the main window (Shift held: appended, nothing cleared or opened).
    void OnForm1FMDragDrop(const zv::TDragDropInfo &info);
    // Wires the engine, the database window and the main window's drop target; called once
    // the other windows exist.
    void ConnectFilesIn();

    QString CurrentMediaPath;          // the path last handed to the engine; empty: nothing open
    double MediaFrameRate = -1.0;      // of the open clip; -1 while opening and after closing
    bool PlayAfterOpen = false;        // one-shot: Play once the next clip is open
    // How long Przeladuj waits at most for the reopened clip.
    int reloadTimeoutMs = 15000;
    // How often a folder scan asks whether Escape is held (each time one X server round trip).
    int escapePollIntervalMs = 20;

    // The desktop services the file commands use; tests replace them.
    using OpenFilesPicker = std::function<QStringList(QWidget *parent, const QString &filter)>;
    using FolderPicker =
        std::function<QString(QWidget *parent, const QString &title, const QString &startFolder)>;
    using FilesMessageSink = std::function<void(const QString &title, const QString &text)>;
    void setOpenFilesPicker(OpenFilesPicker picker) { pickFiles_ = std::move(picker); }
    void setFolderPicker(FolderPicker picker) { pickFolder_ = std::move(picker); }
    void setFilesMessageSink(FilesMessageSink sink) { filesMessage_ = std::move(sink); }
    // Shift and Ctrl as MainAddProc and the commands read them, and whether Escape is held
    // (polled during folder scans). The defaults ask the keyboard.
    void setKeyStateSource(std::function<Qt::KeyboardModifiers()> modifiers,
                           std::function<bool()> escapeHeld);
    static const QString kOpenMediaFilter;      // "Otwórz...", in Qt's filter form
    static const QString kOpenFolderTitle;      // the folder picker's title

    // ---- playlist (main_window_playlist.cpp) -----------------------------------------------------------
    // The playlist, owned by the main window for the whole run (made on first use).
    zv::TPlaylist &playlist();
    const zv::TPlaylist &playlist() const;
    // Adds the paths as entries (ClearFirst empties the list first, a batch without paths changes
    // nothing), refreshes the status and opens entry 0 when OpenFirst.
    void PlsAddProc(const QStringList &Paths, bool ClearFirst, QPoint DropPoint, bool OpenFirst,
                    bool AppendAtEnd);
    int GetPLSIndex(const QString &path) const;
    // Opens entry index through LoadMediafile; an index outside the list opens nothing.
    void LadujMedia(int index);
    void DodajCzasDoPlalisty(const QString &path, double seconds);
    void LadujMediaPlikiDoJumpa();
    // Scrolls the playlist window's list to the current entry (after a clip opened).
    void PokazCurrPlayedFile();
    // Files dropped on the playlist's list: inserted at the row under the drop point.
    void OnListViewFMDragDrop(const zv::TDragDropInfo &info);
    // The jump dialog's choice: opens the first entry with that file name, then Play.
    void JumpToFile(const QString &name);
    // Wires the playlist window and the jump dialog to the commands; runs once, from the
    // status refresh, as soon as the windows exist.
    void ConnectPlaylist();

    // ---- subtitle database (main_window_library.cpp) ---------------------------------------------------
    // The rows, held by the database window for the whole run.
    zv::TSubtitleDatabase &subtitleDatabase();
    // Adds a row per subtitle file, removes duplicates and loads the last path when LoadSubtitle.
    void TxtAddProc(const QStringList &Paths, QPoint DropPoint, bool LoadSubtitle, bool AppendAtEnd);
    // Records that subtitle was loaded while film was open (empty: none).
    void SkojarzPliki(const QString &film, const QString &subtitle);
    void LadujTextNr(int row);
    // The subtitle file for CurrentMediaPath: an associated row first, then the .txt candidates.
    QString TryToFindFile() const;
    void AutoLoadText();

    // ---- subtitles (main_window_subtitles.cpp) ---------------------------------------------------
    // The single entry for subtitle files: classifies path, loads it into a new table that is
    // swapped in whole when the load ends, reports problems, records the association with the
    // open film and switches the display on when ShowTextIfAvailable asks for it.
    void LadujText(const QString &path);
    const zv::SubtitleTable &subtitleTable() const;
    const zv::TimeLists &timeLists() const;     // TimeListPlain, TimeListShifted
    QString CurrentSubtitleFile() const;        // empty when no subtitle file is loaded
    void CzyscListe();                          // empties the table, its file name and the lists
    void LadujOpisyDoOpcji();                   // rebuilds both lists with the current correction
    // The subtitle timer's state: the text on screen and the second its line last matched.
    QString DisplayedText() const;
    int LastShownTime() const;
    bool OverlayDragging() const;               // a line window is being dragged
    // Renders text ("|" between up to three lines; empty clears) into the line windows.
    void RobNapis(const QString &text);
    // Clears the line windows and DisplayedText, so the timer's next match draws again.
    void ClearSubtitleOverlay();
    void SetTransparentColor();                 // the overlay check of Timer2's tick
    void WMDisplayChange();                     // the screen's geometry changed
    void ResetSubtitlePosition();               // keypad "*": DisplayerBottom := 40
    int DisplayerDistanceToSave() const;        // DisplayerDistance as saveini writes it
    zv::SubtitleDisplay *subtitleDisplay() const;   // nullptr before CreateLineBitmaps()
    // The timing wizard's correction: subtitle time = position * ShiftFactor + ShiftOffset
    // (used while OffsetEnabled); the listed times use the inverse pair.
    double ShiftFactor = 1.0, ShiftOffset = 0.0;
    double ShiftFactorInverse = 1.0, ShiftOffsetInverse = 0.0;
    // Message boxes of subtitle loading, and the subtitle open dialog; tests replace them.
    using SubtitleMessageSink = std::function<void(const zv::SubtitleMessage &)>;
    using SubtitleFilePicker = std::function<QString(QWidget *parent, const QString &filter)>;
    void setSubtitleMessageSink(SubtitleMessageSink sink);
    void setSubtitleFilePicker(SubtitleFilePicker picker);
    static const QString kOpenSubtitleFilter;   // "Otwórz tekst...", in Qt's filter form

    // ---- transport, sliders, rate and status (main_window_transport.cpp, main_window_status.cpp)
    // Builds the transport and playlist buttons, the sliders, the mute button and the rate items,
    // and connects the engine's play-state, ready-state, end-of-stream and error events. Runs
    // once; the status refresh and the 50 ms timer call it, so it needs no call of its own.
    void ConnectTransport();
    void UstawMDoPosuwadel();   // engine position -> thumb (50 ms)
    void UstawPosuwadlaDoM();   // thumb -> engine position (a seek)
    void UstawVolPosDoM();      // volume thumb -> volume
    void UstawRateStatus(QAction *item);
    void UstawPanel();          // the time label (50 ms)
    void Label2Click();         // elapsed / remaining time
    void Label3DblClick();      // the media path to the clipboard
    void ToolButton19Click();   // the mute button
    // The position slider's mouse, as the slider reports it (trackX in track coordinates).
    void SeekMouseDown(bool onThumb, int trackX, int globalX, Qt::MouseButtons buttons);
    void SeekMouseMove(bool onThumb, int trackX, int globalX);
    void SeekMouseUp(Qt::MouseButtons buttons);
    zv::PositionSliderWidget *positionSlider() const;
    zv::VolumeSliderWidget *volumeSlider() const;
    QList<QAction *> rateItems() const;   // PR1's items in menu order, "Szybciej" first
    QToolButton *ToolButton13 = nullptr, *ToolButton14 = nullptr, *ToolButton15 = nullptr,
                *ToolButton16 = nullptr, *ToolButton17 = nullptr, *ToolButton20 = nullptr,
                *ToolButton21 = nullptr, *ToolButton19 = nullptr;
    bool SeekDragging = false;
    int StateBeforeSeekDrag = 0;   // PlayState at the start of a position drag
    bool VolumeDragging = false;
    bool ShowElapsedTime = true;   // time label: position / duration, else the time left

    // ---- options dialog and file types (main_window_options.cpp) --------------------------------
    void UstawZmienneDoOpcji();     // settings -> dialog
    void UstawOpcjeDoZmiennych();   // dialog -> settings, applied everywhere
    void SprawdzSkojarzenia();      // marks the extensions whose file type opens with us
    // "OK"/"Zastosuj" on "Typy plików": the desktop entry and mimeapps.list are written.
    void DodajFilesReg();

    // ---- timing correction and jump-to-subtitle (main_window_wizard.cpp) ------------------------
    // "Zapisz tekst jako..." of the "Przesunięcie" page: applies the options, asks for a file
    // and writes the loaded subtitles corrected, in the format chosen (SaveTextFormat).
    void ZapiszTekstJako();
    // The jump dialog's choice: the film goes to the second the line is shown at.
    void JumpToSubtitle(int line);
    zv::TextEncoding subtitleEncoding() const;  // of the loaded subtitle file

    // ---- hooks of later subsystems called by start-up and shut-down (main_window_pending.cpp) ---
    void CreateLineBitmaps();       // subtitle rendering
    void UstawMStaus();             // status refresh
    void UstawMDoVolPos();          // volume slider
    void StopGlobalKeys();          // global-keys poller
    void SavePlaylist(const QString &fileName);   // main_window_playlist.cpp
    void ClearSubtitleTable();

    // ---- video area and full screen (main_window_video.cpp) ------------------------------------
    // Places the engine's rectangle in the video window from the picture framing; shows the
    // idle animation while nothing is open. Runs on resizes, play-state changes and shows.
    void UstawOCXWindow();
    // Enters or leaves full screen (the FullScr check mark follows); leaving restores the
    // window's former geometry and state and the display mode.
    void UstawFullScreen(bool on);
    bool isFullScreenOn() const;
    // The offset and inset commands; each lays the picture out again.
    void StepFraming(zv::video::FramingStep step);
    void PanScanOnIfOff();            // a click on PanScan1 when it is not checked
    void RelayoutNudged();            // layout with PanScanValue + 1, then with it restored
    const zv::video::Framing &pictureFraming() const;   // offsets and inset (PanScanOn: PanScan1)
    // Full-screen cursor: hidden 2 s after the last larger move, never over the control bar.
    void SetCursorVisible(bool visible);
    bool CursorVisible() const;
    void FullScreenMouseMoved(QPoint globalPos);
    // Display modes for the resolution change of full screen; XRandR unless set (tests).
    void setDisplayModeBackend(std::unique_ptr<zv::video::DisplayModeBackend> backend);
    zv::video::DisplayModeBackend &displayModes();
    // Popup menu, drop target and layout triggers of the video window; once, after CreateForms.
    void ConnectVideoWindow();

    // ---- keys, wheel and global keys (main_window_keys.cpp) --------------------------------------
    // Installs the one application-wide key and wheel filter; once, after CreateForms.
    void ConnectKeys();
    // Runs every key-table row matching a key pressed in window; true when the key is consumed.
    bool AppKeyPress(int key, Qt::KeyboardModifiers mods, const QWidget *window);
    zv::keys::Window keyWindowOf(const QWidget *window) const;
    void SeekBy(double seconds);           // Enter: the position moves by that much
    void StepRate(int direction);          // +1 faster, -1 slower, 0 normal
    void HidePlaylistWindow();
    void PlaylistAddFolder();              // Insert in the playlist window
    void KeypadPlusMinus(bool up);         // both held: as keypad "*"
    // The global keys' listener: (re)started when options are applied, if EnableOutCtrls.
    void RestartGlobalKeys();
    bool GlobalKeysRunning() const;
    void OutsideCommand(int command);      // a global key's command, on the UI thread

    // ---- recent files, tray icons, help (main_window_shell.cpp) ---------------------------------
    // Puts an existing file on top of "Ostatnie pliki" (20 at most, no duplicates).
    void AddRecentFile(const QString &Path);
    void RecentMenuProc(QAction *item);   // opens the item's file as "Otwórz..." does
    QStringList RecentFilesList() const;  // newest first
    void UstawTrayIcons();                // shown or hidden together, per ShowTrayIcon
    zv::TrayIcons *trayIcons() const;     // nullptr until first shown

    // ---- subtitle editor and subtitle-file finder (main_window_editor.cpp) -----------------------
    void ConnectEditor();       // once, after CreateForms

    // ---- the desktop: MPRIS and the screen saver (main_window_desktop.cpp) -----------------------
    void ConnectDesktop();      // once, after CreateForms
    void DesktopRefresh();      // the state changed: MPRIS properties, screen-saver inhibition
    void ReleaseDesktop();      // shut-down: the inhibition goes before the process does
    zv::MprisServer *mpris() const { return mpris_; }
    zv::ScreenSaverInhibitor *screenSaver() const { return screenSaver_; }

    // ---- the engine, held by the video window (main_window_startup.cpp) ---------------------------
    MediaEngine *m() const;         // nullptr before CreateForms()
    int ImageSourceHeight() const;  // engine picture height; 0 while nothing is open
    void StopEngine();
    void CloseMedia();              // engine FileName := empty

    // ---- menu handlers, one per item -------------------------------------------------------------
    // Files and media (main_window_files.cpp)
    void OT1Click();
    void Prze1Click();
    void Zamknij1Click();
    void mediaprop1Click();
    void OT2Click();
    void Zamknij2Click();
    void Zakocz1Click();
    void opendir1Click();
    // View
    void Wy1Click();
    void FullScrClick();
    void PanScan1Click();
    void stat1Click();
    void AutoPanScan1Click();
    void PanScanInc1Click();
    void PanScanDec1Click();
    void PanScanNormal1Click();
    void DisplayerUp1Click();
    void DisplayerDown1Click();
    // Tools
    void Opcje1Click();
    void PL1Click();
    void BT1Click();
    void SDP1Click();
    void SDN1Click();
    void SDPZN1Click();
    void Edytortxt1Click();
    // Playback
    void OW1Click();
    void Od1Click();
    void P1Click();
    void Z1Click();
    void na1Click();
    void po1Click();
    void PT1Click();
    void PP1Click();
    void Powt1Click();
    void pod1Click();
    void sci1Click();
    void W2Click();
    void PlayClick();
    void StopClick();
    void PauseClick();
    void NextClick();
    void PrevClick();
    // Help
    void About1Click();
    void Info1Click();
    void Informacjeobdach1Click();
    void Propozycje1Click();

    // ---- menus and items (filled from the command table) -------------------------------------------
    QMenu *Plik1 = nullptr, *RecentFiles1 = nullptr;
    QAction *OT1 = nullptr, *Prze1 = nullptr, *Zamknij1 = nullptr, *mediaprop1 = nullptr,
            *OT2 = nullptr, *Zamknij2 = nullptr, *Zakocz1 = nullptr;
    QMenu *Widok1 = nullptr;
    QAction *Wy1 = nullptr, *FullScr = nullptr, *PanScan1 = nullptr, *stat1 = nullptr;
    QMenu *Opcj1 = nullptr;
    QAction *Opcje1 = nullptr, *PL1 = nullptr, *BT1 = nullptr, *SDP1 = nullptr, *SDN1 = nullptr,
            *SDPZN1 = nullptr, *Edytortxt1 = nullptr;
    QMenu *Odtwarzanie1 = nullptr, *G1 = nullptr, *PR1 = nullptr;
    QAction *OW1 = nullptr, *Od1 = nullptr, *P1 = nullptr, *Z1 = nullptr, *na1 = nullptr,
            *po1 = nullptr, *PT1 = nullptr, *PP1 = nullptr, *Powt1 = nullptr;
    QAction *pod1 = nullptr, *sci1 = nullptr, *W2 = nullptr;
    QAction *Play = nullptr, *Stop = nullptr, *Pause = nullptr, *Next = nullptr, *Prev = nullptr,
            *opendir1 = nullptr, *AutoPanScan1 = nullptr, *PanScanInc1 = nullptr,
            *PanScanDec1 = nullptr, *PanScanNormal1 = nullptr, *DisplayerUp1 = nullptr,
            *DisplayerDown1 = nullptr;
    QMenu *Pomoc1 = nullptr, *Korespondencjazautorem2 = nullptr;
    QAction *About1 = nullptr, *Info1 = nullptr, *Informacjeobdach1 = nullptr,
            *Propozycje1 = nullptr;

    // ---- panels (client area, top to bottom) ---------------------------------------------------------
    QWidget *Panel10 = nullptr;          // toolbar strip, 25 px
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr, *ToolButton2 = nullptr, *ToolButton3 = nullptr,
                *ToolButton23 = nullptr, *ToolButton12 = nullptr, *ToolButton22 = nullptr,
                *ToolButton4 = nullptr, *ToolButton7 = nullptr;
    QFrame *Panel12 = nullptr;           // black video area, fills the rest
    QWidget *Panel11 = nullptr;          // bottom block, 68 px
    QWidget *Panel4 = nullptr;           // position slider strip, 18 px
    QWidget *Panel2 = nullptr;           // transport bar, 27 px
    QToolBar *ToolBar2 = nullptr, *ToolBar4 = nullptr;
    QWidget *Panel3 = nullptr;           // mute button and volume slider, right-aligned
    QWidget *Panel1 = nullptr;           // black status bar, 22 px
    QLabel *Label1 = nullptr, *Label3 = nullptr, *Label2 = nullptr;
    QWidget *Panel9 = nullptr;           // holds Label2, right-aligned

    // The panel the video window lives in; a child widget placed there is kept filling it.
    QWidget *videoPanel() const;

    // ---- timers -------------------------------------------------------------------------------------
    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr, *Timer4 = nullptr,
           *Timer5 = nullptr, *Timer8 = nullptr;
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Timer5Timer();
    void Timer8Timer();

    // ---- the other windows, created by CreateForms() in this order --------------------------------
    TForm9 *Form9 = nullptr;
    TForm2 *Form2 = nullptr;
    TForm6 *Form6 = nullptr;
    TJumpToTextFrm *JumpToTextFrm = nullptr;
    TForm7 *Form7 = nullptr;
    TForm8 *Form8 = nullptr;
    TForm11 *Form11 = nullptr;
    TForm12 *Form12 = nullptr;
    TForm13 *Form13 = nullptr;
    TForm10 *Form10 = nullptr;
    TForm5 *Form5 = nullptr;
    TForm4 *Form4 = nullptr;
    TForm3 *Form3 = nullptr;

signals:
    // The shut-down sequence has finished; the program's message loop may end.
    void shutDownFinished();
    // The status refresh has run: the state shown may have changed.
    void statusRefreshed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildPanels();
    void buildMenus();
    void buildToolBar();
    void buildTimers();
    void runToolButton(QAction *target, bool refreshAfter);
    void RunShutDown();
    void note(const char *step);
    void addFiles(const QStringList &Paths, int AddMode, bool ClearFirst, bool AppendAtEnd,
                  bool OpenFirst, bool LoadSubtitle, QPoint DropPoint);
    // One step of "Podgłoś"/"Ścisz": the sound server's channels when it is in use, else the engine.
    void stepVolume(bool up);

    std::unique_ptr<zv::Settings> settings_;
    EngineFactory engineFactory_;
    QStringList resolutionList_;
    QStringList params_;
    std::optional<int> cmdPanScanValue_;
    QStringList lifecycleSteps_;
    QList<MainAddCall> mainAddCalls_;
    // Files in (main_window_files.cpp, main_window_playlist.cpp)
    struct PlaylistDeleter {
        void operator()(zv::TPlaylist *p) const;
    };
    mutable std::unique_ptr<zv::TPlaylist, PlaylistDeleter> playlist_;
    bool playlistConnected_ = false;
    OpenFilesPicker pickFiles_;
    FolderPicker pickFolder_;
    FilesMessageSink filesMessage_;
    std::function<Qt::KeyboardModifiers()> modifiers_;
    // The modifiers of the key press whose rows are running: its commands read these, not a
    // fresh query of the keyboard.
    std::optional<Qt::KeyboardModifiers> keyEventModifiers_;
    std::function<bool()> escapeHeld_;
    void filesMessage(const QString &title, const QString &text);
    Qt::KeyboardModifiers keyModifiers() const;
    int afterOpenRuns_ = 0;
    bool reloading_ = false;
    bool filesInConnected_ = false;
    // Subtitles (main_window_subtitles.cpp)
    struct SubtitleState;
    struct SubtitleStateDeleter {
        void operator()(SubtitleState *p) const;
    };
    mutable std::unique_ptr<SubtitleState, SubtitleStateDeleter> subtitles_;
    SubtitleState &subtitleState() const;
    // Transport and status (main_window_transport.cpp, main_window_status.cpp)
    struct TransportState;
    struct TransportStateDeleter {
        void operator()(TransportState *p) const;
    };
    mutable std::unique_ptr<TransportState, TransportStateDeleter> transport_;
    TransportState &transportState() const;
    void buildRateItems();
    void ConnectStatus();
    void UpdateTimerSleep();
    void WakeTimer2();   // the 5 s refresh runs again (it stops itself while nothing is open)
    bool nothingOpen();  // the engine holds no file and is not opening one
    void WakeTimer3();   // the 50 ms refresh runs again (it stops itself once idle is shown)
    void EndSeekDrag();
    void runPlaylistStep(const zv::PlaylistStep &step);
    QString firstRecentFile() const;
    bool playlistHoldsCaseless(const QString &path) const;
    zv::SystemVolume *systemVolume();
    void syncMuteControls(bool includeMenu);
    zv::MprisServer *mpris_ = nullptr;
    zv::ScreenSaverInhibitor *screenSaver_ = nullptr;
    // Recent files, tray icons, help (main_window_shell.cpp)
    zv::TrayIcons *trayIcons_ = nullptr;
    void mailAuthor(const char *subject);
    // Keys (main_window_keys.cpp)
    struct KeysState;
    struct KeysStateDeleter {
        void operator()(KeysState *p) const;
    };
    mutable std::unique_ptr<KeysState, KeysStateDeleter> keys_;
    KeysState &keysState() const;
    // Video area (main_window_video.cpp)
    struct VideoState;
    struct VideoStateDeleter {
        void operator()(VideoState *p) const;
    };
    mutable std::unique_ptr<VideoState, VideoStateDeleter> video_;
    VideoState &videoState() const;
    zv::video::Framing framing() const;
    zv::video::FullScreenPointerGeometry pointerGeometry() const;
    void applyPointerAnswer(const zv::video::FullScreenPointerAnswer &a);
    bool settingsLoaded_ = false;
    // Options dialog (main_window_options.cpp)
    bool optionsConnected_ = false;
    void ConnectOptions();
    // Timing correction and jump dialog (main_window_wizard.cpp)
    bool wizardConnected_ = false;
    void ConnectTimingWizard();
    void fillWizardLineStarts(zv::OptionsControls &c) const;
    bool shutDownStarted_ = false;
    bool shutDownFinished_ = false;
    // Unattended close (main_window_startup.cpp): reports on stderr instead of a box when set.
    bool reportedUnattended(const QString &text) const;
    bool unattended_ = false;
    bool startUpRunning_ = false;
    bool startUpAborted_ = false;
};
