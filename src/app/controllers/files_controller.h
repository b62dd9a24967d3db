#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

class QAction;

namespace zv {

struct AppContext;
struct TDragDropInfo;

// Files in: the one way in for files (MainAddProc), the file commands, drops on the main and
// video windows, what follows a clip's opening, and "Ostatnie pliki".
class FilesController : public QObject {
    Q_OBJECT

public:
    explicit FilesController(AppContext &ctx);

    // Expands Text (paths separated by CR LF), classifies every path once, and hands media and
    // playlist contents to the playlist and subtitle files to the database, as AddMode (1, 11,
    // 2, 3, 31) accepts them. Shift held at the call means no recursion; Escape held stops a
    // folder scan.
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
    // The latest calls MainAddProc was given, oldest first (start-up and hand-off diagnostics);
    // at most kMainAddCallsKept.
    const QList<MainAddCall> &mainAddCalls() const { return mainAddCalls_; }
    static constexpr int kMainAddCallsKept = 32;

    // Files dropped on the main or video window (Shift held: appended, nothing cleared or opened).
    void OnForm1FMDragDrop(const TDragDropInfo &info);

    // Puts an existing file on top of "Ostatnie pliki" (20 at most, no duplicates).
    void AddRecentFile(const QString &Path);
    void RecentMenuProc(QAction *item);   // opens the item's file as "Otwórz..." does
    QStringList RecentFilesList() const;  // newest first
    QString firstRecentFile() const;

    void OT1Click();
    void opendir1Click();
    void Prze1Click();
    void Zamknij1Click();

    // How often a folder scan asks whether Escape is held (each time one X server round trip).
    int escapePollIntervalMs = 20;

    // "Otwórz..." and "Dodaj pliki...", in Qt's filter form: the media list in use (FileTypes)
    // with the playlist and subtitle extensions.
    static QString openMediaFilter(const QString &fileTypes);
    // Of files chosen in a dialog, those the intake does not take in addMode; tellNotAdded
    // names them to the user, so that no chosen file disappears without a word.
    QStringList notAdded(const QStringList &paths, int addMode) const;
    void tellNotAdded(const QStringList &paths, int addMode);
    static const QString kOpenFolderTitle;      // the folder picker's title

private:
    void addFiles(const QStringList &Paths, int AddMode, bool ClearFirst, bool AppendAtEnd,
                  bool OpenFirst, bool LoadSubtitle, QPoint DropPoint);
    void remember(MainAddCall call);
    // The clip is open: play times, window fitting, start options, the subtitle lookup.
    void afterOpen(double seconds);

    AppContext &ctx_;
    QList<MainAddCall> mainAddCalls_;
};

} // namespace zv
