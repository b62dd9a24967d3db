// The playlist in the main window: adding entries, opening one, play times, saving.
#include "app/main_window.h"

#include "core/playlist/playlist.h"
#include "core/playlist/playlist_file.h"

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
    // Rows under a drop point belong to the playlist window's list; without it every batch
    // lands at the end.
    Q_UNUSED(DropPoint);
    if (!playlist().PlsAddProc(Paths, ClearFirst, AppendAtEnd, zv::TPlaylist::kNoDropRow))
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
