#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QDropEvent;
class QMenu;
class QLabel;
class QPushButton;
class QStatusBar;
class QTableView;
class QUrl;

namespace zv {
class SubtitleDatabaseModel;
class TSubtitleDatabase;
struct TDragDropInfo;
} // namespace zv

// The subtitle database window "Baza tekstów": the rows of the database in a report list,
// the full path of the chosen row in the status bar, and the commands on the rows. It exists,
// hidden or shown, for the whole run. Loading and adding files is asked for through its
// signals.
class TForm7 : public QWidget {
    Q_OBJECT

public:
    // The window holds a database of its own (reached through database()).
    explicit TForm7(QWidget *parent = nullptr);
    // The window shows and edits `db`, which must outlive it.
    explicit TForm7(zv::TSubtitleDatabase &db, QWidget *parent = nullptr);
    ~TForm7() override;

    zv::TSubtitleDatabase &database() { return *db_; }

    // Tell the list that the rows were changed from outside: rowsChanged after rows were
    // added, removed or moved (the selection is dropped), associationsChanged after fields of
    // the same rows changed (the selection stays).
    void rowsChanged();
    void associationsChanged();

    // The database file is read once at start-up, into the still empty list, and written
    // once at exit. Problems are told to the user; the results say whether all went well.
    bool OdczytajBazeNapisow();
    // With `failure` given, a failed write is described there instead of in a box.
    bool ZapiszBazenapisow(QString *failure = nullptr);

    // Rows chosen in the list, ascending.
    QList<int> selectedRows() const;
    // The popup menu's enabling for the rows chosen; kept current as the choice and the rows
    // change, and run again before the menu pops up.
    void UpdatePopupMenu();

    // Where the window reaches the rest of the desktop. The defaults use the real dialogs and
    // the desktop's "open"; tests replace them.
    using UrlOpener = std::function<bool(const QUrl &url)>;
    using FolderPicker = std::function<QString(QWidget *parent, const QString &title, const QString &startFolder)>;
    using FilesPicker = std::function<QStringList(QWidget *parent, const QString &filter, const QString &startFolder)>;
    using MessageSink = std::function<void(QWidget *parent, const QString &title, const QString &text)>;
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }
    void setFolderPicker(FolderPicker picker) { pickFolder_ = std::move(picker); }
    void setFilesPicker(FilesPicker picker) { pickFiles_ = std::move(picker); }
    void setMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }
    // The subtitle file loaded last (the folder dialogs start beside it).
    void setCurrentSubtitleFileSource(std::function<QString()> source) { currentSubtitleFile_ = std::move(source); }

    // Entries dragged from the playlist's list (`list`, or a widget inside it) may be dropped
    // on a row: that row alone gets the film of the entry `focusedEntryPath` names. Drags from
    // other widgets of the program are refused.
    void setPlaylistDragSource(QWidget *list, std::function<QString()> focusedEntryPath);
    // The drop of a playlist entry at `viewportPos` of the list; false when it is on no row or
    // there is no entry.
    bool ListViewBazaNapisowDragDrop(const QPoint &viewportPos);

    // The subtitle open dialog's filter, in Qt's form.
    static const QString kSubtitleFilesFilter;

    // Controls, named as in the window's design.
    QTableView *ListViewBazaNapisow = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel = nullptr;
    QWidget *Panel1 = nullptr;  // bottom panel of zero height holding the cancel button
    QPushButton *Zamknij = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *WczytajTekst1 = nullptr;
    QAction *UsunZBazy1 = nullptr;
    QAction *UsunSkojarzenie1 = nullptr;
    QAction *PosprzatajListe1 = nullptr;
    QAction *EdytujPlik1 = nullptr;
    QAction *DodajKatalog1 = nullptr;
    QAction *DodajPliki1 = nullptr;

signals:
    // LadujTextNr of `row`.
    void loadSubtitleRequested(int row);
    // MainAddProc with the subtitle-only mode and `crlfText` (paths separated by CR LF),
    // nothing cleared or opened or loaded. For a drop on the list, appendAtEnd is false and
    // dropPoint.y() is a height that the database's drop rule (dropRowIndex) turns into the
    // row under the pointer (past the last row: the end).
    void addFilesRequested(const QString &crlfText, bool appendAtEnd, const QPoint &dropPoint);
    // The user closed the window ("Zamknij", Escape, the title bar): the command's check mark
    // goes off and the status is refreshed.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void updateStatus();
    void updateEnabling(qsizetype selectedCount);
    QString currentSubtitleFolder() const;
    int singleSelectedRow() const;
    bool isPlaylistDrag(const QDropEvent *event) const;

    void WczytajTekst1Click();
    void UsunZBazy1Click();
    void UsunSkojarzenie1Click();
    void PosprzatajListe1Click();
    void EdytujPlik1Click();
    void DodajKatalog1Click();
    void DodajPliki1Click();
    void OnListViewBazaNapisowFMDragDrop(const zv::TDragDropInfo &info);

    std::unique_ptr<zv::TSubtitleDatabase> ownDb_;
    zv::TSubtitleDatabase *db_ = nullptr;
    zv::SubtitleDatabaseModel *model_ = nullptr;

    UrlOpener openUrl_;
    FolderPicker pickFolder_;
    FilesPicker pickFiles_;
    MessageSink showMessage_;
    std::function<QString()> currentSubtitleFile_;
    QPointer<QWidget> playlistList_;
    std::function<QString()> focusedEntryPath_;
};
