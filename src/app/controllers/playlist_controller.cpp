#include "app/controllers/playlist_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/status_presenter.h"
#include "core/common/text_codec.h"
#include "core/config/settings.h"
#include "core/files/add_plan.h"
#include "core/playlist/playlist.h"
#include "core/playlist/playlist_file.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "playlist/jump_to_file_dialog.h"
#include "playlist/playlist_window.h"
#include "shell/drop_target.h"

#include <QAction>
#include <QMainWindow>

namespace zv {

PlaylistController::PlaylistController(AppContext &ctx)
    : QObject(ctx.window), ctx_(ctx), playlist_(std::make_unique<TPlaylist>())
{
    Commands &c = *ctx.commands;
    c.bind(Cmd::PL1, this, [this] { PL1Click(); });
    c.bind(Cmd::SDP1, this, [this] { SDP1Click(); });

    if (TForm6 *f = ctx.forms->Form6) {
        f->setPlaylist(playlist_.get());
        f->setCurrentMediaSource([this] { return ctx_.session->CurrentMediaPath; });
        f->setMediaDialogTexts(FilesController::openMediaFilter(ctx.settings->FileTypes),
                               FilesController::kOpenFolderTitle);
        f->setMediaFilterSource([this] { return FilesController::openMediaFilter(ctx_.settings->FileTypes); });
        f->bindTransport([this](QAction *item) { ctx_.commands->run(item); }, c.action(Cmd::Prev),
                         c.action(Cmd::Play), c.action(Cmd::OW1), c.action(Cmd::Stop), c.action(Cmd::Next));
        connect(f, &TForm6::openRequested, this, [this](int row) { LadujMedia(row); });
        connect(f, &TForm6::addRequested, this,
                [this](const QString &text, int addMode, bool clearFirst, bool appendAtEnd, bool loadSubtitle,
                       const QPoint &dropPoint) {
                    ctx_.files->MainAddProc(text, addMode, clearFirst, appendAtEnd, false, loadSubtitle, dropPoint);
                    ctx_.files->tellNotAdded(splitLines(text), addMode);
                });
        connect(f, &TForm6::saveRequested, this, [this](const QString &fileName) { SavePlaylist(fileName); });
        connect(f, &TForm6::filesDropped, this, &PlaylistController::OnListViewFMDragDrop);
        connect(f, &TForm6::statusRefreshRequested, this, [this] { ctx_.status->UstawMStaus(); });
        connect(f, &TForm6::visibilityChanged, this, [this](bool visible) {
            ctx_.commands->action(Cmd::PL1)->setChecked(visible);
            ctx_.status->UstawMStaus();
        });
    }
    if (TForm8 *j = ctx.forms->Form8) {
        j->setSources([this] { return playlist_->JumpNameList(); },
                      [this] { return ctx_.session->CurrentMediaPath; });
        connect(j, &TForm8::jumpRequested, this, &PlaylistController::JumpToFile);
        connect(j, &TForm8::closed, this, [this] { ctx_.status->UstawMStaus(); });
    }
    connect(ctx.session, &PlaybackSession::opened, this, [this] { PokazCurrPlayedFile(); });
}

PlaylistController::~PlaylistController() = default;

void PlaylistController::PlsAddProc(const QStringList &Paths, bool ClearFirst, QPoint DropPoint,
                                    bool OpenFirst, bool AppendAtEnd)
{
    TForm6 *f = ctx_.forms->Form6;
    // The drop point is in the playlist window's list: the row under it takes the batch.
    const int dropRow = AppendAtEnd || !f ? TPlaylist::kNoDropRow : f->dropRowAt(DropPoint);
    if (!playlist_->PlsAddProc(Paths, ClearFirst, AppendAtEnd, dropRow))
        return;
    ctx_.status->UstawMStaus();
    if (OpenFirst)
        LadujMedia(0);
}

int PlaylistController::GetPLSIndex(const QString &path) const
{
    return playlist_->GetPLSIndex(path);
}

void PlaylistController::LadujMedia(int index)
{
    if (const std::optional<QString> path = playlist_->LadujMedia(index))
        ctx_.session->LoadMediafile(*path);
}

void PlaylistController::DodajCzasDoPlalisty(const QString &path, double seconds)
{
    playlist_->DodajCzasDoPlalisty(path, seconds);
}

void PlaylistController::LadujMediaPlikiDoJumpa()
{
    playlist_->LadujMediaPlikiDoJumpa();
}

void PlaylistController::SavePlaylist(const QString &fileName)
{
    QString error;
    if (zv::SavePlaylist(*playlist_, fileName, &error))
        return;
    const QString text = QStringLiteral("Nie można zapisać playlisty:\n%1\n%2").arg(fileName, error);
    if (!ctx_.state->reportedUnattended(text))
        ctx_.filesMessage(QStringLiteral("Błąd"), text);
}

void PlaylistController::PokazCurrPlayedFile()
{
    if (ctx_.forms->Form6)
        ctx_.forms->Form6->PokazCurrPlayedFile();
}

void PlaylistController::OnListViewFMDragDrop(const TDragDropInfo &info)
{
    const QString text = dropListText(info.Files);
    if (!text.isEmpty())
        ctx_.files->MainAddProc(text, addModeMediaOrUnknown, false, false, false, false, info.DropPoint);
}

void PlaylistController::JumpToFile(const QString &name)
{
    PlaybackSession &s = *ctx_.session;
    for (const TPlaylistEntry &e : playlist_->entries()) {
        if (TPlaylist::bareFileName(e.Path) == name) {
            s.LoadMediafile(e.Path);
            break;
        }
    }
    // Play does nothing while a clip opens: it then plays once open, even without AutoPlay.
    if (MediaEngine *e = s.engine(); e && e->ReadyState() == MediaEngine::rsLoading)
        s.PlayAfterOpen = true;
    ctx_.commands->run(Cmd::Play);
}

bool PlaylistController::holdsCaseless(const QString &path) const
{
    for (int i = 0; i < playlist_->count(); ++i)
        if (playlist_->at(i).Path.compare(path, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString PlaylistController::focusedEntryPath() const
{
    const int row = ctx_.forms->Form6 ? ctx_.forms->Form6->focusedRow() : -1;
    return row >= 0 && row < playlist_->count() ? playlist_->at(row).Path : QString();
}

void PlaylistController::PL1Click()
{
    ctx_.toggleToolWindow(ctx_.forms->Form6, Cmd::PL1);
}

void PlaylistController::SDP1Click()
{
    if (TForm8 *j = ctx_.forms->Form8)
        ctx_.commands->action(Cmd::SDP1)->setChecked(j->toggle());
}

void PlaylistController::HidePlaylistWindow()
{
    if (ctx_.forms->Form6)
        ctx_.forms->Form6->hide();
}

void PlaylistController::PlaylistAddFolder()
{
    if (ctx_.forms->Form6)
        ctx_.forms->Form6->AddDir1Click();
}

} // namespace zv
