#include "app/controllers/library_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/tracks_controller.h"
#include "core/common/visible_text.h"
#include "core/config/settings.h"
#include "core/files/add_plan.h"
#include "core/files/get_typ.h"
#include "core/library/embedded_track_ref.h"
#include "core/library/subtitle_database.h"
#include "core/library/subtitle_lookup.h"
#include "library/subtitle_database_window.h"
#include "playback/playback_session.h"
#include "playlist/playlist_window.h"

#include <QAction>
#include <QMainWindow>

#include <exception>

namespace zv {

LibraryController::LibraryController(AppContext &ctx, std::unique_ptr<TSubtitleDatabase> db)
    : QObject(ctx.window), ctx_(ctx), db_(std::move(db))
{
    ctx.commands->bind(Cmd::BT1, this, [this] { BT1Click(); });
    TForm7 *f = ctx.forms->Form7;
    if (!f)
        return;
    connect(f, &TForm7::loadSubtitleRequested, this, [this](int row) { LadujTextNr(row); });
    connect(f, &TForm7::addFilesRequested, this,
            [this](const QString &text, bool appendAtEnd, const QPoint &dropPoint) {
                ctx_.files->MainAddProc(text, addModeSubtitles, false, appendAtEnd, false, false, dropPoint);
            });
    connect(f, &TForm7::closed, this, [this] {
        ctx_.commands->action(Cmd::BT1)->setChecked(false);
        ctx_.status->UstawMStaus();
    });
    f->setCurrentSubtitleFileSource([this] { return ctx_.subtitles->CurrentSubtitleFile(); });
    // A row dragged from the playlist: the focused entry's film gets that subtitle file.
    if (ctx.forms->Form6)
        f->setPlaylistDragSource(ctx.forms->Form6->ListView1, [this] { return ctx_.playlist->focusedEntryPath(); });
}

LibraryController::~LibraryController() = default;

void LibraryController::TxtAddProc(const QStringList &Paths, const QList<FileKind> &kinds,
                                   QPoint DropPoint, bool LoadSubtitle, bool AppendAtEnd)
{
    const FileClassifier classifier(ctx_.settings->FileTypes);
    Utf8Lines scratch;
    // Kinds come in path order; the database asks for them in the same order, once each.
    qsizetype next = 0;
    const bool known = kinds.size() == Paths.size();
    const auto kindOf = [&](const QString &path) {
        if (known && next < kinds.size() && Paths.at(next) == path)
            return int(kinds.at(next++));
        return int(classifier.classify(path, false, scratch));
    };
    const TSubtitleDatabase::AddResult added =
        db_->TxtAddProc(Paths, DropPoint.y(), LoadSubtitle, AppendAtEnd, kindOf);
    // The classification's lines of a large file would otherwise live on through the load.
    scratch.clear();
    if (ctx_.forms->Form7)
        ctx_.forms->Form7->rowsChanged();
    ctx_.status->UstawMStaus();
    if (!added.pathToLoad.isEmpty())
        ctx_.subtitles->LadujText(added.pathToLoad);
}

void LibraryController::SkojarzPliki(const QString &film, const QString &subtitle)
{
    try {
        db_->SkojarzPliki(film, subtitle);
    } catch (const std::exception &) {
        ctx_.filesMessage(QString::fromUtf16(kAssociationErrorTitle), QString::fromUtf16(kAssociationErrorMessage));
    }
    if (ctx_.forms->Form7)
        ctx_.forms->Form7->associationsChanged();
}

void LibraryController::ForgetPairing(const QString &film, const QString &subtitle)
{
    const QString filmName = lib::bareFileName(film).toString();
    const QList<TSubtitleRecord> &rows = db_->rows();
    QList<qsizetype> unpaired;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].FullPath.compare(subtitle, Qt::CaseInsensitive) == 0
            && rows[i].AssociatedWith.compare(filmName, Qt::CaseInsensitive) == 0)
            unpaired.append(i);
    }
    if (unpaired.isEmpty())
        return;
    db_->clearAssociations(unpaired);
    if (ctx_.forms->Form7)
        ctx_.forms->Form7->associationsChanged();
}

void LibraryController::rememberEmbedded(const QString &film, int number)
{
    const QString path = embeddedTrackPath(film, number);
    const bool known = std::any_of(db_->rows().cbegin(), db_->rows().cend(),
                                   [&](const TSubtitleRecord &r) { return r.FullPath == path; });
    if (!known) {
        // SubRip is what the track becomes; the size is the film's, left out as meaningless.
        db_->append({lib::bareFileName(path).toString(), QStringLiteral("srt"), QString(), QString(), path});
        if (ctx_.forms->Form7)
            ctx_.forms->Form7->rowsChanged();
    }
    SkojarzPliki(film, path);
}

void LibraryController::LadujTextNr(int row)
{
    const std::optional<QString> path = db_->fullPathOf(row);
    if (!path)
        return;
    if (const std::optional<EmbeddedTrackRef> ref = embeddedTrackRef(*path)) {
        if (ref->filmPath == ctx_.session->CurrentMediaPath)
            ctx_.tracks->loadEmbeddedSubtitles(ref->number);
        else
            ctx_.filesMessage(QStringLiteral("Błąd"), QStringLiteral("Te napisy są w filmie:\n%1\nOtwórz go, aby je wczytać.")
                                                          .arg(visibleText(ref->filmPath)));
        return;
    }
    if (!TSubtitleDatabase::realFileExists(*path)) {
        ctx_.filesMessage(QStringLiteral("Błąd"), QStringLiteral("Nie ma pliku z napisami:\n") + visibleText(*path));
        return;
    }
    ctx_.subtitles->LadujText(*path);
}

void LibraryController::BT1Click()
{
    ctx_.toggleToolWindow(ctx_.forms->Form7, Cmd::BT1);
}

QString LibraryController::TryToFindFile() const
{
    return zv::TryToFindFile(db_->rows(), ctx_.session->CurrentMediaPath, ctx_.settings->AutoLoadtextDir);
}

QStringList LibraryController::subtitlePaths() const
{
    QStringList paths;
    for (const TSubtitleRecord &r : db_->rows())
        paths << r.FullPath;
    return paths;
}

bool LibraryController::AutoLoadText()
{
    const QString film = ctx_.session->CurrentMediaPath;
    // A clip the engine opened without the file entry has no path to look up.
    if (film.isEmpty())
        return false;
    // A track of the film chosen earlier stands where an associated file would: before the
    // files found beside the film.
    if (ctx_.settings->AutoLoadText) {
        const QStringView name = lib::bareFileName(film);
        for (const TSubtitleRecord &r : db_->rows()) {
            if (lib::bareFileName(r.AssociatedWith).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (const std::optional<EmbeddedTrackRef> ref = embeddedTrackRef(r.FullPath)) {
                if (lib::bareFileName(ref->filmPath).compare(name, Qt::CaseInsensitive) == 0) {
                    ctx_.tracks->loadEmbeddedSubtitles(ref->number);
                    return true;
                }
                continue;
            }
            if (TSubtitleDatabase::realFileExists(r.FullPath))
                break;
        }
    }
    const AutoLoadDecision decision = autoLoadTextDecision(
        db_->rows(), film, {ctx_.settings->AutoLoadText, ctx_.settings->AutoLoadtextDir},
        ctx_.commands->isChecked(Cmd::Wy1));
    if (decision.action != AutoLoadDecision::Action::Load) {
        // The film had a subtitle file that is gone from the disk: say so rather than nothing.
        const QStringView name = lib::bareFileName(film);
        for (const TSubtitleRecord &r : db_->rows()) {
            if (lib::bareFileName(r.AssociatedWith).compare(name, Qt::CaseInsensitive) == 0
                && !embeddedTrackRef(r.FullPath) && !TSubtitleDatabase::realFileExists(r.FullPath)) {
                ctx_.status->showNote(QStringLiteral("Brak pliku z napisami: ") + visibleText(r.FullPath));
                break;
            }
        }
    }
    switch (decision.action) {
    case AutoLoadDecision::Action::Load:
        ctx_.files->MainAddProc(QStringList{decision.path}, addModeSubtitles, false, true, false, true,
                                ctx_.state->DefaultDropPoint);
        return true;
    case AutoLoadDecision::Action::SwitchDisplayOff:
        ctx_.commands->run(Cmd::Wy1);
        break;
    case AutoLoadDecision::Action::Nothing:
        break;
    }
    return false;
}

} // namespace zv
