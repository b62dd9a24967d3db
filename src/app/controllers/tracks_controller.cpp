#include "app/controllers/tracks_controller.h"

#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/library_controller.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/subtitles_controller.h"
#include "core/config/settings.h"
#include "core/library/embedded_track_ref.h"
#include "core/playback/track_choice.h"
#include "core/playlist/playlist.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"

#include <QAction>
#include <QActionGroup>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

namespace zv {
namespace {

using media::FilmTrack;

constexpr int kProgressTickMs = 100;

QString menuText(const QString &label)
{
    QString text = label;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QList<MediaTrack> engineAudioTracks(const MediaEngine *engine)
{
    QList<MediaTrack> audio;
    if (!engine)
        return audio;
    for (const MediaTrack &t : engine->tracks()) {
        if (t.kind == MediaTrack::Kind::Audio && !t.external)
            audio.append(t);
    }
    return audio;
}

} // namespace

struct TracksController::Extraction {
    QString film;
    int number = 0;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    media::ExtractedSubtitles result;
    QElapsedTimer clock;
};

TracksController::TracksController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    ctx.commands->bind(Cmd::NastSD1, this, [this] { NastSD1Click(); });
    audioGroup_ = new QActionGroup(this);
    audioGroup_->setExclusive(true);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressTickMs);
    connect(progressTimer_, &QTimer::timeout, this, &TracksController::showProgress);
    connect(ctx.session, &PlaybackSession::loadRequested, this, &TracksController::filmLoadRequested);
    connect(ctx.session, &PlaybackSession::closed, this, [this] { filmLoadRequested(QString()); });
    if (MediaEngine *e = ctx.m()) {
        connect(e, &MediaEngine::TracksChanged, this, [this, e] {
            // An empty list means the engine let the file go (also when the same film is
            // reopened): its track is chosen again once the new list is in.
            if (e->tracks().isEmpty())
                audioApplied_ = false;
            rebuildAudioMenu();
            applyAudioChoice();
        });
        connect(e, &MediaEngine::AudioTrackChanged, this, &TracksController::updateAudioChecks);
    }
    // The checks follow whatever was loaded meanwhile (a file, another track).
    connect(ctx.commands->menu(MenuId::NW1), &QMenu::aboutToShow, this, &TracksController::rebuildSubtitleMenu);
    rebuildAudioMenu();
    rebuildSubtitleMenu();
}

TracksController::~TracksController()
{
    // Workers check their cancel flag at least every 100 ms of work; they are joined, never
    // left running into freed objects.
    if (job_)
        job_->cancel = true;
    for (QThread *t : findChildren<QThread *>()) {
        t->wait();
        delete t;
    }
}

// ---- the open film ---------------------------------------------------------------------------

void TracksController::filmLoadRequested(const QString &path)
{
    cancelExtraction();
    filmPath_ = path;
    probe_ = {};
    probedPath_.clear();
    audioApplied_ = false;
    wantPreferredSubtitles_ = false;
    loadedTrack_ = 0;
    rebuildAudioMenu();
    rebuildSubtitleMenu();
    if (!path.isEmpty() && !path.contains(QLatin1String("://")))
        startProbe(path);
}

void TracksController::startProbe(const QString &path)
{
    auto result = std::make_shared<media::FilmProbe>();
    QThread *t = QThread::create([path, result] { *result = media::probeFilm(path); });
    t->setParent(this);
    connect(t, &QThread::finished, this, [this, t, path, result] {
        t->deleteLater();
        probeFinished(path, *result);
    });
    t->start();
}

void TracksController::probeFinished(const QString &path, const media::FilmProbe &probe)
{
    if (path != filmPath_ || ctx_.state->ShuttingDown)
        return;
    probe_ = probe;
    probedPath_ = path;
    rebuildAudioMenu();
    rebuildSubtitleMenu();
    if (wantPreferredSubtitles_) {
        wantPreferredSubtitles_ = false;
        loadPreferredSubtitles();
    }
}

// ---- audio -----------------------------------------------------------------------------------

void TracksController::rebuildAudioMenu()
{
    QMenu *menu = ctx_.commands->menu(MenuId::SD1);
    for (QAction *a : audioItems_) {
        menu->removeAction(a);
        audioGroup_->removeAction(a);
        delete a;
    }
    audioItems_.clear();
    const QList<MediaTrack> audio = engineAudioTracks(ctx_.m());
    for (const MediaTrack &t : audio) {
        // The container's names for the codec when the film was probed, the engine's otherwise.
        FilmTrack f;
        f.kind = FilmTrack::Kind::Audio;
        f.number = t.id;
        f.language = t.language;
        f.title = t.title;
        f.channels = t.channels;
        f.codecLabel = t.codec.toUpper();
        for (const FilmTrack &p : probe_.tracks) {
            if (p.kind == FilmTrack::Kind::Audio && p.number == t.id)
                f.codecLabel = p.codecLabel;
        }
        QAction *a = menu->addAction(menuText(media::trackLabel(f)));
        a->setCheckable(true);
        a->setData(t.id);
        audioGroup_->addAction(a);
        connect(a, &QAction::triggered, this, [this, id = t.id] { chooseAudioTrack(id); });
        audioItems_.append(a);
    }
    ctx_.commands->action(Cmd::NastSD1)->setEnabled(audio.size() > 1);
    updateAudioChecks();
}

void TracksController::updateAudioChecks()
{
    const int current = ctx_.m() ? ctx_.m()->audioTrack() : 0;
    for (QAction *a : audioItems_)
        a->setChecked(a->data().toInt() == current);
}

// Once per opening: the track chosen for this film earlier in the run, else the first one in
// a preferred language, else the engine's own choice.
void TracksController::applyAudioChoice()
{
    MediaEngine *e = ctx_.m();
    const QList<MediaTrack> audio = engineAudioTracks(e);
    if (audioApplied_ || audio.isEmpty() || filmPath_.isEmpty())
        return;
    audioApplied_ = true;
    int id = ctx_.playlist->playlist().audioTrackOf(filmPath_);
    if (!std::any_of(audio.cbegin(), audio.cend(), [id](const MediaTrack &t) { return t.id == id; })) {
        QStringList languages;
        for (const MediaTrack &t : audio)
            languages << t.language;
        const int index = playback::preferredTrack(languages, ctx_.settings->PreferredAudioLanguages);
        id = index >= 0 ? audio.at(index).id : 0;
    }
    if (id > 0 && id != e->audioTrack())
        e->setAudioTrack(id);
}

void TracksController::chooseAudioTrack(int id)
{
    MediaEngine *e = ctx_.m();
    if (!e)
        return;
    e->setAudioTrack(id);
    if (e->audioTrack() == id)
        ctx_.playlist->playlist().setAudioTrack(filmPath_, id);
    updateAudioChecks();
}

void TracksController::NastSD1Click()
{
    const QList<MediaTrack> audio = engineAudioTracks(ctx_.m());
    if (audio.size() < 2)
        return;
    const int current = ctx_.m()->audioTrack();
    qsizetype next = 0;
    for (qsizetype i = 0; i < audio.size(); ++i) {
        if (audio.at(i).id == current)
            next = (i + 1) % audio.size();
    }
    chooseAudioTrack(audio.at(next).id);
    for (QAction *a : audioItems_) {
        if (a->isChecked())
            ctx_.status->showNote(QStringLiteral("Ścieżka dźwiękowa ") + a->text().replace(QLatin1String("&&"), QLatin1String("&")));
    }
}

// ---- subtitle tracks -------------------------------------------------------------------------

void TracksController::rebuildSubtitleMenu()
{
    QMenu *menu = ctx_.commands->menu(MenuId::NW1);
    menu->clear();
    const QString loaded = ctx_.subtitles->loadedDatabasePath();
    for (const FilmTrack &t : probe_.tracks) {
        if (t.kind != FilmTrack::Kind::Subtitle)
            continue;
        QAction *a = menu->addAction(menuText(media::trackLabel(t)));
        a->setCheckable(true);
        a->setChecked(!loaded.isEmpty() && loaded == embeddedTrackPath(filmPath_, t.number));
        // Pictures of text cannot become lines of our own.
        a->setEnabled(!t.imageBased);
        connect(a, &QAction::triggered, this, [this, n = t.number] { loadEmbeddedSubtitles(n); });
    }
    if (menu->isEmpty()) {
        QAction *none = menu->addAction(probed() || filmPath_.isEmpty() ? QStringLiteral("(brak)")
                                                                        : QStringLiteral("(sprawdzanie...)"));
        none->setEnabled(false);
    }
}

QString TracksController::subtitleName(int number) const
{
    QString name = QStringLiteral("ścieżka %1").arg(number);
    for (const FilmTrack &t : probe_.tracks) {
        if (t.kind == FilmTrack::Kind::Subtitle && t.number == number && !t.language.isEmpty()
            && t.language.compare(u"und", Qt::CaseInsensitive) != 0)
            name += QStringLiteral(": ") + media::languageName(t.language);
    }
    // The status line shows the part after the last "/" of a subtitle file's name.
    return name.replace(QLatin1Char('/'), QChar(0x2215));
}

void TracksController::loadPreferredSubtitles()
{
    if (filmPath_.isEmpty())
        return;
    if (!probed()) {
        wantPreferredSubtitles_ = true;
        return;
    }
    QStringList languages;
    QList<int> numbers;
    for (const FilmTrack &t : probe_.tracks) {
        if (t.kind == FilmTrack::Kind::Subtitle && !t.imageBased) {
            languages << t.language;
            numbers << t.number;
        }
    }
    const int index = playback::preferredTrack(languages, ctx_.settings->PreferredSubtitleLanguages);
    if (index >= 0)
        loadEmbeddedSubtitles(numbers.at(index));
}

void TracksController::loadEmbeddedSubtitles(int number)
{
    cancelExtraction();
    if (filmPath_.isEmpty() || number < 1)
        return;
    auto job = std::make_shared<Extraction>();
    job->film = filmPath_;
    job->number = number;
    job->clock.start();
    job_ = job;
    worker_ = QThread::create([job] {
        job->result = media::extractSubtitleTrack(job->film, job->number, [job](double fraction) {
            job->permille = int(std::clamp(fraction, 0.0, 1.0) * 1000);
            return !job->cancel.load();
        });
    });
    worker_->setParent(this);
    connect(worker_, &QThread::finished, this, [this, job, t = worker_] {
        t->deleteLater();
        extractionFinished(job);
    });
    worker_->start();
    progressTimer_->start();
}

void TracksController::cancelExtraction()
{
    if (!job_)
        return;
    // The worker ends on its own; its result is dropped when it arrives.
    job_->cancel = true;
    job_.reset();
    worker_ = nullptr;
    closeProgress();
}

void TracksController::showProgress()
{
    if (!job_) {
        closeProgress();
        return;
    }
    if (job_->clock.elapsed() < progressDelayMs)
        return;
    if (!progress_) {
        progress_ = new QProgressDialog(QStringLiteral("Wczytywanie napisów z filmu (%1)...").arg(subtitleName(job_->number)),
                                        QStringLiteral("Anuluj"), 0, 1000, ctx_.window);
        progress_->setWindowTitle(QStringLiteral("Napisy wbudowane"));
        progress_->setObjectName(QStringLiteral("EmbeddedSubtitlesProgress"));
        progress_->setWindowModality(Qt::NonModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(0);
        connect(progress_, &QProgressDialog::canceled, this, [this] {
            const int number = job_ ? job_->number : 0;
            cancelExtraction();
            ctx_.status->showNote(QStringLiteral("Przerwano wczytywanie napisów z filmu."));
            emit embeddedSubtitlesFinished(number, false);
        });
        progress_->show();
    }
    progress_->setValue(job_->permille.load());
}

void TracksController::closeProgress()
{
    progressTimer_->stop();
    if (progress_) {
        progress_->disconnect(this);
        progress_->deleteLater();
        progress_ = nullptr;
    }
}

void TracksController::extractionFinished(const std::shared_ptr<Extraction> &job)
{
    if (job != job_)
        return; // cancelled or overtaken by another read
    job_.reset();
    worker_ = nullptr;
    closeProgress();
    if (ctx_.state->ShuttingDown || job->film != filmPath_)
        return;
    const media::ExtractedSubtitles &r = job->result;
    const QString title = QStringLiteral("Napisy wbudowane");
    if (r.cancelled) {
        emit embeddedSubtitlesFinished(job->number, false);
        return;
    }
    if (!r.error.isEmpty() || r.cues == 0) {
        ctx_.filesMessage(title, r.error.isEmpty()
                                     ? QStringLiteral("Ścieżka %1 nie zawiera żadnego napisu.").arg(job->number)
                                     : r.error);
        emit embeddedSubtitlesFinished(job->number, false);
        return;
    }
    const QString marker = embeddedTrackPath(job->film, job->number);
    ctx_.subtitles->LadujTextBytes(r.subRip, subtitleName(job->number), marker);
    const bool loaded = ctx_.subtitles->loadedDatabasePath() == marker;
    if (loaded) {
        loadedTrack_ = job->number;
        ctx_.library->rememberEmbedded(job->film, job->number);
        if (!r.warning.isEmpty())
            ctx_.status->showNote(r.warning);
    }
    rebuildSubtitleMenu();
    emit embeddedSubtitlesFinished(job->number, loaded);
}

} // namespace zv
