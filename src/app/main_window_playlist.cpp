// The playlist in the main window: adding entries, opening one, play times, saving, and the
// playlist window and jump-to-file dialog wired to the main window's commands.
#include "app/main_window.h"

#include "core/files/add_plan.h"
#include "core/playlist/playlist.h"
#include "core/playlist/playlist_file.h"
#include "library/subtitle_database_window.h"
#include "playback/media_engine.h"
#include "playlist/jump_to_file_dialog.h"
#include "playlist/playlist_window.h"
#include "shell/drop_target.h"

#include <QAction>

void TZentavistaApp::PlaylistDeleter::operator()(zv::TPlaylist *p) const
{
    delete p;
}

zv::TPlaylist &TZentavistaApp::playlist()
{
    if (!playlist_)
        playlist_.reset(new zv::TPlaylist);
    return *playlist_;
}

const zv::TPlaylist &TZentavistaApp::playlist() const
{
    if (!playlist_)
        playlist_.reset(new zv::TPlaylist);
    return *playlist_;
}

void TZentavistaApp::PlsAddProc(const QStringList &Paths, bool ClearFirst, QPoint DropPoint,
                                bool OpenFirst, bool AppendAtEnd)
{
    // The drop point is in the playlist window's list: the row under it takes the batch.
    const int dropRow = AppendAtEnd || !Form6 ? zv::TPlaylist::kNoDropRow : Form6->dropRowAt(DropPoint);
    if (!playlist().PlsAddProc(Paths, ClearFirst, AppendAtEnd, dropRow))
        return;
    UstawMStaus();
    if (OpenFirst)
        LadujMedia(0);
}

int TZentavistaApp::GetPLSIndex(const QString &path) const
{
    return playlist().GetPLSIndex(path);
}

void TZentavistaApp::LadujMedia(int index)
{
    if (const std::optional<QString> path = playlist().LadujMedia(index))
        LoadMediafile(*path);
}

void TZentavistaApp::DodajCzasDoPlalisty(const QString &path, double seconds)
{
    playlist().DodajCzasDoPlalisty(path, seconds);
}

void TZentavistaApp::SavePlaylist(const QString &fileName)
{
    QString error;
    if (zv::SavePlaylist(playlist(), fileName, &error))
        return;
    const QString text = QStringLiteral("Nie można zapisać playlisty:\n%1\n%2").arg(fileName, error);
    if (!reportedUnattended(text))
        filesMessage(QStringLiteral("Błąd"), text);
}

void TZentavistaApp::ConnectPlaylist()
{
    if (playlistConnected_ || !Form6)
        return;
    playlistConnected_ = true;
    Form6->setPlaylist(&playlist());
    Form6->setCurrentMediaSource([this] { return CurrentMediaPath; });
    Form6->setMediaDialogTexts(kOpenMediaFilter, kOpenFolderTitle);
    Form6->bindTransport([this](QAction *item) { runCommand(item); }, Prev, Play, OW1, Stop, Next);
    connect(Form6, &TForm6::openRequested, this, [this](int row) { LadujMedia(row); });
    connect(Form6, &TForm6::addRequested, this,
            [this](const QString &text, int addMode, bool clearFirst, bool appendAtEnd, bool loadSubtitle,
                   const QPoint &dropPoint) {
                MainAddProc(text, addMode, clearFirst, appendAtEnd, false, loadSubtitle, dropPoint);
            });
    connect(Form6, &TForm6::saveRequested, this, [this](const QString &fileName) { SavePlaylist(fileName); });
    connect(Form6, &TForm6::filesDropped, this, &TZentavistaApp::OnListViewFMDragDrop);
    connect(Form6, &TForm6::statusRefreshRequested, this, [this] { UstawMStaus(); });
    connect(Form6, &TForm6::visibilityChanged, this, [this](bool visible) {
        PL1->setChecked(visible);
        UstawMStaus();
    });
    if (Form7) {
        // A row dragged onto the database: the focused entry's film gets that subtitle file.
        Form7->setPlaylistDragSource(Form6->ListView1, [this] {
            const int row = Form6->focusedRow();
            return row >= 0 && row < playlist().count() ? playlist().at(row).Path : QString();
        });
    }
    if (Form8) {
        Form8->setSources([this] { return playlist().JumpNameList(); }, [this] { return CurrentMediaPath; });
        connect(Form8, &TForm8::jumpRequested, this, &TZentavistaApp::JumpToFile);
        connect(Form8, &TForm8::closed, this, [this] { UstawMStaus(); });
    }
    if (MediaEngine *e = m()) {
        connect(e, &MediaEngine::OnOpenStateChange, this, [this](int, int state) {
            if (state == MediaEngine::osOpen)
                PokazCurrPlayedFile();
        });
    }
}

void TZentavistaApp::LadujMediaPlikiDoJumpa()
{
    playlist().LadujMediaPlikiDoJumpa();
}

void TZentavistaApp::PokazCurrPlayedFile()
{
    if (Form6)
        Form6->PokazCurrPlayedFile();
}

void TZentavistaApp::OnListViewFMDragDrop(const zv::TDragDropInfo &info)
{
    const QString text = zv::dropListText(info.Files);
    if (!text.isEmpty())
        MainAddProc(text, zv::addModeMediaOrUnknown, false, false, false, false, info.DropPoint);
}

void TZentavistaApp::JumpToFile(const QString &name)
{
    for (const zv::TPlaylistEntry &e : playlist().entries()) {
        if (zv::TPlaylist::bareFileName(e.Path) == name) {
            LoadMediafile(e.Path);
            break;
        }
    }
    // Play does nothing while a clip opens: it then plays once open, even without AutoPlay.
    if (MediaEngine *e = m(); e && e->ReadyState() == MediaEngine::rsLoading)
        PlayAfterOpen = true;
    runCommand(Play);
}

void TZentavistaApp::PL1Click()
{
    if (!Form6)
        return;
    Form6->setVisible(!Form6->isVisible());
    PL1->setChecked(Form6->isVisible());
    UstawMStaus();
}

void TZentavistaApp::SDP1Click()
{
    if (!Form8)
        return;
    SDP1->setChecked(Form8->toggle());
}
