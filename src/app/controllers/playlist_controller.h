#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <memory>

namespace zv {

struct AppContext;
struct TDragDropInfo;
class TPlaylist;

// The playlist for the whole run, its window ("Playlista") and the jump-to-file dialog.
class PlaylistController : public QObject {
    Q_OBJECT

public:
    explicit PlaylistController(AppContext &ctx);
    ~PlaylistController() override;

    TPlaylist &playlist() { return *playlist_; }
    const TPlaylist &playlist() const { return *playlist_; }

    // Adds the paths as entries (ClearFirst empties the list first, a batch without paths changes
    // nothing), refreshes the status and opens entry 0 when OpenFirst.
    void PlsAddProc(const QStringList &Paths, bool ClearFirst, QPoint DropPoint, bool OpenFirst,
                    bool AppendAtEnd);
    int GetPLSIndex(const QString &path) const;
    // Opens entry index through the session; an index outside the list opens nothing.
    void LadujMedia(int index);
    void DodajCzasDoPlalisty(const QString &path, double seconds);
    void LadujMediaPlikiDoJumpa();
    // Writes the playlist; a failure is told (or written to standard error when unattended).
    void SavePlaylist(const QString &fileName);
    // Scrolls the playlist window's list to the current entry (after a clip opened).
    void PokazCurrPlayedFile();
    // Files dropped on the playlist's list: inserted at the row under the drop point.
    void OnListViewFMDragDrop(const TDragDropInfo &info);
    // The jump dialog's choice: opens the first entry with that file name, then Play.
    void JumpToFile(const QString &name);
    bool holdsCaseless(const QString &path) const;
    QString focusedEntryPath() const;   // the playlist window's focused entry, or empty

    void PL1Click();
    void SDP1Click();
    void HidePlaylistWindow();
    void PlaylistAddFolder();              // Insert in the playlist window

private:
    AppContext &ctx_;
    std::unique_ptr<TPlaylist> playlist_;
};

} // namespace zv
