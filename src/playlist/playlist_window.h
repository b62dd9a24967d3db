#pragma once

#include <QListView>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QPushButton;
class QToolBar;
class QToolButton;

namespace zv {
class PlaylistModel;
class TPlaylist;
struct TDragDropInfo;
namespace playback {
struct StatusView;
}
} // namespace zv

// The playlist's list: rows dragged inside it are reordered, rows may be dragged out to the
// subtitle database window, files from other programs are the shell drop target's business.
class TPlaylistListView : public QListView {
    Q_OBJECT

public:
    explicit TPlaylistListView(QWidget *parent = nullptr);
    // Row under `pos` in the list's own coordinates (as drops report them); -1 when the point
    // is below the last row or outside the rows' area (a scroll bar, the frame).
    int rowAtListPoint(const QPoint &pos) const;

signals:
    // Rows dropped on row `target` after a drag inside the list.
    void rowsDropped(const QList<int> &rows, int target);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    bool isOwnDrag(const QDropEvent *event) const;
};

// The playlist window "Playlista": the entries as a numbered list with their play times, the
// commands that edit the list, and a small transport bar. The playlist itself belongs to the
// playlist feature; the window shows and edits the one it is given. Opening files and
// playlists, saving and playback are asked for through the signals and the commands bound
// with bindTransport.
class TForm6 : public QWidget {
    Q_OBJECT

public:
    explicit TForm6(QWidget *parent = nullptr);
    ~TForm6() override;

    // The playlist shown and edited (not owned). Until set, an empty one of the window's own.
    void setPlaylist(zv::TPlaylist *playlist);
    zv::TPlaylist &playlist() const;
    // CurrentMediaPath: the playing rows are drawn white, folder dialogs start beside it.
    void setCurrentMediaSource(std::function<QString()> source);
    // The transport buttons run these items through `run` (a disabled item does nothing).
    void bindTransport(std::function<void(QAction *)> run, QAction *prev, QAction *play, QAction *playPause,
                       QAction *stop, QAction *next);
    // The enabled and pressed states of the transport buttons, as the status refresh computed
    // them for the main window's.
    void showTransportState(const zv::playback::StatusView &view);

    // Scrolls the first row holding the current media path into view (half a page above it
    // when it was out of view).
    void PokazCurrPlayedFile();
    // Row under a drop point in the list's coordinates; -1 below the rows or outside them.
    int dropRowAt(const QPoint &listPoint) const;
    // Rows chosen in the list, ascending, and the focused row (-1: none).
    QList<int> selectedRows() const;
    int focusedRow() const;
    void selectRows(const QList<int> &rows);

    // Commands of the two menus, public for the keys and the tests.
    void Wczytajplik1Click();        // open the focused row
    void SelectAllClick();           // "Zaznacz wszystko"
    void SelectNoneClick();          // "Odznacz wszystko"
    void InvertSelectionClick();     // "Zaznacz odwrotność"
    void DeleteAllClick();           // "Usuń wszystkie"
    void DeleteSelectedClick();      // "Usuń zaznaczone"
    void DeleteOthersClick();        // "Usuń pozostałe" / "Zostaw"
    void SortujPLS(int mode);        // 0: by path, 1: by file name
    void AddDir1Click();             // "Dodaj katalog..." (also Insert in this window)
    void AddFilesClick();            // "Dodaj pliki..."
    void LoadPlaylistClick();        // "Wczytaj playlistę"
    void SavePlaylistClick();        // "Zapisz playlistę"
    void MenuButtonClick();          // "MENU": the window menu at the pointer
    void SaveTempClick();            // ">>M"
    void LoadTempClick();            // "<<M"
    // The hint of "<<M": what it would load, the temporary playlist's first 2000 characters.
    static QString loadTempHint();
    // Runs before a menu shows: items that need entries are off for an empty playlist.
    void UpdateMenus();

    // Desktop dialogs; tests replace them. The filters are in Qt's form.
    using FilesPicker = std::function<QStringList(QWidget *parent, const QString &filter, const QString &startFolder)>;
    using FolderPicker = std::function<QString(QWidget *parent, const QString &title, const QString &startFolder)>;
    using FilePicker = std::function<QString(QWidget *parent, const QString &filter, const QString &startFolder)>;
    void setFilesPicker(FilesPicker p) { pickFiles_ = std::move(p); }
    void setFolderPicker(FolderPicker p) { pickFolder_ = std::move(p); }
    void setPlaylistOpenPicker(FilePicker p) { pickPlaylist_ = std::move(p); }
    void setPlaylistSavePicker(FilePicker p) { pickSaveName_ = std::move(p); }
    // The media filter and folder title of the main window's own dialogs.
    void setMediaDialogTexts(const QString &mediaFilter, const QString &folderTitle);
    // When set, "Dodaj pliki..." asks it for the filter each time (the media list may change).
    void setMediaFilterSource(std::function<QString()> source) { mediaFilterSource_ = std::move(source); }
    static const QString kPlaylistOpenFilter;
    static const QString kPlaylistSaveFilter;

    // Controls, named as in the window's design.
    TPlaylistListView *ListView1 = nullptr;
    zv::PlaylistModel *model = nullptr;
    QWidget *Panel1 = nullptr;   // bottom bar
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton4 = nullptr, *ToolButton1 = nullptr, *ToolButton2 = nullptr,
                *ToolButton3 = nullptr, *ToolButton5 = nullptr;
    QPushButton *MenuButton = nullptr, *LoadTempButton = nullptr, *SaveTempButton = nullptr;
    QMenu *PopupMenu1 = nullptr;   // the list's menu
    QAction *Wczytajplik1 = nullptr, *Zaznaczwszystko1 = nullptr, *Zostaw1 = nullptr,
            *Usunwszytkie1 = nullptr, *Usunzaznaczone1 = nullptr;
    QMenu *PopupMenu2 = nullptr;   // the window's menu ("MENU")
    QAction *Zaznaczwszystko2 = nullptr, *Odznaczwszystko1 = nullptr, *Zaznaczodwrotnosc1 = nullptr,
            *Usunwszystkie2 = nullptr, *Usunzaznaczone2 = nullptr, *Usunpozostale1 = nullptr,
            *Sortujsciezka1 = nullptr, *Sortujnazwa1 = nullptr, *AddDir1 = nullptr, *AddFiles1 = nullptr,
            *Wczytajplayliste1 = nullptr, *Zapiszplayliste1 = nullptr;
    QMenu *Sortuj1 = nullptr;

signals:
    // LadujMedia of `row`.
    void openRequested(int row);
    // MainAddProc with these arguments (text: paths separated by CR LF).
    void addRequested(const QString &text, int addMode, bool clearFirst, bool appendAtEnd, bool loadSubtitle,
                      const QPoint &dropPoint);
    // SavePlaylist to `fileName` (the failure is reported by whoever saves).
    void saveRequested(const QString &fileName);
    // Files from another program dropped on the list, the point in the list's coordinates.
    void filesDropped(const zv::TDragDropInfo &info);
    // The status display should be refreshed (after a key in the list, a reorder).
    void statusRefreshRequested();
    // The window was shown or hidden other than through the window system (minimising).
    void visibilityChanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void buildMenus();
    void buildBottomBar();
    void reorder(const QList<int> &rows, int target);
    void onDrop(const zv::TDragDropInfo &info);
    QString mediaFolder() const;

    std::unique_ptr<zv::TPlaylist> own_;
    zv::TPlaylist *playlist_ = nullptr;
    std::function<QString()> currentMedia_;
    std::function<void(QAction *)> run_;
    QAction *prev_ = nullptr, *play_ = nullptr, *playPause_ = nullptr, *stop_ = nullptr, *next_ = nullptr;
    FilesPicker pickFiles_;
    std::function<QString()> mediaFilterSource_;
    FolderPicker pickFolder_;
    FilePicker pickPlaylist_;
    FilePicker pickSaveName_;
    QString mediaFilter_;
    QString folderTitle_;
};
