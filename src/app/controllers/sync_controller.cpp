#include "app/controllers/sync_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/options_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/subtitles_controller.h"
#include "app/main_panels.h"
#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/subtitles/time_shift.h"
#include "core/sync/subtitle_sync.h"
#include "playback/playback_session.h"
#include "subtitles/sync_proposal_dialog.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cmath>

namespace zv {

namespace {

// The quick check waits this long after the film opened, so the first frames play undisturbed.
constexpr int kQuickCheckDelayMs = 1500;
// It reads this much of the film from a little before the first line.
constexpr double kQuickLead = 30, kQuickWindow = 240;
// It offers a correction only when this sure, and only past these bounds.
constexpr double kOfferConfidence = 0.7;
constexpr double kOfferShift = 0.5;
constexpr double kOfferRate = 1e-3;

// The sync core numbers lines by their row in the time table; the correction numbers them in
// table order without the end marker, which time lines sort among the lines.
qsizetype lineOfRow(const SubtitleTable &table, qsizetype row)
{
    if (table.FrameTimed() || table.CueTimed())
        return row;
    for (qsizetype i = table.TimeTable().size() - 1; i >= 0; --i)
        if (table.isEndMarker(i))
            return row > i ? row - 1 : row;
    return row;
}

// Time lines hold whole seconds, so no single map puts them within a second's fraction of the
// speech; the core moves each line to its onset. Those starts become one piece per run of lines
// that share a shift; none when the map alone already gives them.
std::vector<ShiftPiece> perLinePieces(const SubtitleTable &table, const sync::SyncResult &r)
{
    std::vector<ShiftPiece> pieces;
    if (table.FrameTimed() || table.CueTimed() || r.lineStarts.size() != size_t(table.TimeTable().size()))
        return pieces;
    bool differs = false;
    for (qsizetype row = 0; row < table.TimeTable().size(); ++row) {
        const double film = r.lineStarts[size_t(row)];
        if (table.isEndMarker(row) || !std::isfinite(film))
            continue;
        const double offset = film - r.factor * table.start(row);
        differs = differs || std::abs(offset - r.offset) > 1e-3;
        if (pieces.empty() || std::abs(pieces.back().offset - offset) > 1e-3)
            pieces.push_back({lineOfRow(table, row), r.factor, offset});
    }
    if (!differs)
        pieces.clear();
    return pieces;
}

} // namespace

struct SyncController::Job {
    Mode mode = Mode::Propose;
    QString film;
    SubtitleTable table;
    double frameRate = 0;
    quint64 generation = 0;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    QThread *thread = nullptr;
};

struct SyncController::Outcome {
    sync::SyncResult result;
    std::vector<double> starts;    // stored line starts, table order
    PiecewiseShift pieces;         // empty without cuts
};

SyncController::SyncController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    message = [this](const QString &title, const QString &text) {
        QMessageBox::information(ctx_.window, title, text);
    };
    showProposal = [](TSyncProposalDialog &d) {
        d.exec();
        return int(d.choice());
    };

    ctx.commands->bind(Cmd::SynchAuto1, this, [this] { SynchronizujClick(); });
    if (TForm2 *f = ctx.forms->Form2)
        connect(f, &TForm2::syncRequested, this, &SyncController::SynchronizujClick);

    quickDelay_ = new QTimer(this);
    quickDelay_->setSingleShot(true);
    quickDelay_->setInterval(kQuickCheckDelayMs);
    connect(quickDelay_, &QTimer::timeout, this, &SyncController::quickCheck);
    connect(ctx.session, &PlaybackSession::loadRequested, this, &SyncController::contextChanged);
    connect(ctx.session, &PlaybackSession::closed, this, &SyncController::contextChanged);
    connect(ctx.session, &PlaybackSession::opened, this, &SyncController::scheduleQuickCheck);
    connect(ctx.subtitles, &SubtitlesController::subtitlesLoaded, this, [this] {
        contextChanged();
        scheduleQuickCheck();
    });

    // The offer sits in the status line beside the state word.
    if (QWidget *panel = ctx.panels ? ctx.panels->Panel1 : nullptr) {
        offer_ = new QLabel(panel);
        offer_->setObjectName(QStringLiteral("SyncOffer"));
        offer_->setTextFormat(Qt::RichText);
        offer_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        if (ctx.panels->Label1)
            offer_->setPalette(ctx.panels->Label1->palette());
        offer_->hide();
        if (auto *box = qobject_cast<QBoxLayout *>(panel->layout()))
            box->insertWidget(1, offer_);
        connect(offer_, &QLabel::linkActivated, this, &SyncController::PoprawClick);
        offer_->setCursor(Qt::PointingHandCursor);
        offer_->installEventFilter(this);
    }

    progressPoll_ = new QTimer(this);
    progressPoll_->setInterval(50);
    connect(progressPoll_, &QTimer::timeout, this, [this] {
        if (progress_ && job_ && job_->mode != Mode::Quick)
            progress_->setValue(job_->permille.load());
    });
}

SyncController::~SyncController()
{
    // Workers stop within their cancellation time; none may outlive what it reports to.
    for (const std::shared_ptr<Job> &j : threads_) {
        j->cancel = true;
        j->thread->wait();
        delete j->thread;
    }
}

bool SyncController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == offer_ && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        PoprawClick();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool SyncController::running() const
{
    return job_ && job_->mode != Mode::Quick;
}

void SyncController::SynchronizujClick()
{
    start(Mode::Propose);
}

void SyncController::PoprawClick()
{
    hideOffer();
    start(Mode::Apply);
}

void SyncController::contextChanged()
{
    ++generation_;
    hideOffer();
    quickDelay_->stop();
    // A quick check of the previous pairing says nothing about this one.
    if (job_ && job_->mode == Mode::Quick) {
        job_->cancel = true;
        job_.reset();
    }
}

void SyncController::hideOffer()
{
    if (offer_)
        offer_->hide();
}

void SyncController::cancelRunning()
{
    if (job_)
        job_->cancel = true;
    job_.reset();
    progressPoll_->stop();
    if (progress_) {
        progress_->deleteLater();
        progress_ = nullptr;
    }
}

void SyncController::scheduleQuickCheck()
{
    if (!ctx_.settings->CheckSubtitleSync || checkedGeneration_ == generation_)
        return;
    if (ctx_.session->CurrentMediaPath.isEmpty() || ctx_.subtitles->CurrentSubtitleFile().isEmpty())
        return;
    quickDelay_->start();
}

void SyncController::quickCheck()
{
    // The film must be open (its frame rate measured) and nothing else running.
    if (!ctx_.settings->CheckSubtitleSync || checkedGeneration_ == generation_ || job_)
        return;
    if (ctx_.session->MediaFrameRate < 0 || ctx_.session->CurrentMediaPath.isEmpty()
        || ctx_.subtitles->CurrentSubtitleFile().isEmpty())
        return;
    checkedGeneration_ = generation_;
    start(Mode::Quick);
}

void SyncController::start(Mode mode)
{
    const QString film = ctx_.session->CurrentMediaPath;
    const SubtitleTable &table = ctx_.subtitles->subtitleTable();
    const QString title = QStringLiteral("Synchronizacja napisów");
    if (mode != Mode::Quick) {
        if (film.isEmpty()) {
            message(title, QStringLiteral("Najpierw otwórz film."));
            emit synchronisationDone();
            return;
        }
        if (ctx_.subtitles->CurrentSubtitleFile().isEmpty()) {
            message(title, QStringLiteral("Najpierw wczytaj napisy do filmu."));
            emit synchronisationDone();
            return;
        }
        if (running())
            return; // one at a time: its progress window is already up
        // The user's run goes first: a quick check in progress gives way.
        cancelRunning();
    }

    auto job = std::make_shared<Job>();
    job->mode = mode;
    job->film = film;
    job->table = table;
    job->frameRate = ctx_.session->MediaFrameRate;
    job->generation = generation_;

    sync::SyncOptions options;
    if (mode == Mode::Quick) {
        options.allowSplit = false;
        const std::vector<SubtitleCue> cues = subtitleCues(table, job->frameRate);
        const double first = cues.empty() ? 0 : cues.front().start;
        options.windowStart = std::max(0.0, first - kQuickLead);
        options.windowLength = kQuickWindow;
    }
    options.progress = [raw = job.get()](double fraction) {
        raw->permille = int(std::clamp(fraction, 0.0, 1.0) * 1000);
        return !raw->cancel.load();
    };

    job->thread = QThread::create([this, job, options, quick = mode == Mode::Quick] {
        if (quick) {
            // The check nobody asked for yields to everything, playback first.
            setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 19);
        }
        auto outcome = std::make_shared<Outcome>();
        try {
            outcome->result = sync::synchronise(job->film, job->table, options);
        } catch (const std::exception &) {
            outcome->result = {};
            outcome->result.refusal = QStringLiteral("Synchronizacja się nie powiodła: błąd odczytu filmu.");
        }
        if (job->cancel)
            outcome->result.cancelled = true;
        QMetaObject::invokeMethod(
            this, [this, job, outcome] { finish(job, outcome); }, Qt::QueuedConnection);
    });
    threads_.push_back(job);
    job_ = job;
    if (mode != Mode::Quick) {
        progress_ = new QProgressDialog(QStringLiteral("Synchronizacja napisów z mową filmu..."),
                                        QStringLiteral("Anuluj"), 0, 1000, ctx_.window);
        progress_->setObjectName(QStringLiteral("SyncProgress"));
        progress_->setWindowTitle(title);
        progress_->setWindowModality(Qt::NonModal); // the film plays on and stays in reach
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        connect(progress_, &QProgressDialog::canceled, this, [this] {
            cancelRunning();
            ctx_.status->showNote(QStringLiteral("Synchronizację przerwano."));
            emit synchronisationDone();
        });
        progress_->setValue(0);
        progress_->show();
        progressPoll_->start();
    }
    job->thread->start(mode == Mode::Quick ? QThread::LowestPriority : QThread::InheritPriority);
}

void SyncController::finish(const std::shared_ptr<Job> &job, const std::shared_ptr<Outcome> &outcome)
{
    // Joined now: the thread has nothing left to run.
    job->thread->wait();
    delete job->thread;
    job->thread = nullptr;
    std::erase(threads_, job);
    if (job != job_)
        return; // cancelled or overtaken
    job_.reset();
    const bool quick = job->mode == Mode::Quick;
    if (!quick) {
        progressPoll_->stop();
        if (progress_) {
            progress_->deleteLater();
            progress_ = nullptr;
        }
    }
    const sync::SyncResult &r = outcome->result;
    // The film or the subtitles changed meanwhile: the result belongs to neither.
    if (job->generation != generation_ || r.cancelled) {
        if (quick)
            emit quickCheckDone(false);
        else
            emit synchronisationDone();
        return;
    }

    for (const SubtitleCue &c : subtitleCues(job->table, job->frameRate))
        outcome->starts.push_back(c.start);
    if (r.ok && r.pieces.size() > 1) {
        std::vector<ShiftPiece> pieces;
        for (const sync::SyncPiece &p : r.pieces)
            pieces.push_back({lineOfRow(job->table, p.firstLine), p.factor, p.offset});
        outcome->pieces = PiecewiseShift(std::move(pieces), outcome->starts);
    } else if (r.ok && !quick) {
        outcome->pieces = PiecewiseShift(perLinePieces(job->table, r), outcome->starts);
    }

    if (quick) {
        // How late the first line is shown now.
        const double first = outcome->starts.empty() ? 0 : outcome->starts.front();
        const double late = first - (first * r.factor + r.offset);
        const bool off = r.ok && r.confidence >= kOfferConfidence
                         && (std::abs(late) > kOfferShift || std::abs(r.factor - 1.0) > kOfferRate);
        // A correction already on (by hand or by an earlier synchronisation) is the user's call.
        const bool offer = off && offer_ && !ctx_.settings->OffsetEnabled;
        if (offer) {
            QString amount = formatSyncSeconds(late, 1);
            if (late > 0)
                amount.remove(0, 1); // "7,3 s": late is what "przesunięte" means
            offer_->setText(QStringLiteral("Napisy są przesunięte o %1 — <a href=\"popraw\" style=\"color:#7fb8ff\">"
                                           "Popraw</a>")
                                .arg(amount.toHtmlEscaped()));
            offer_->setToolTip(QStringLiteral("Napisy są przesunięte o %1. Kliknij, aby je zsynchronizować z mową filmu.")
                                   .arg(amount));
            offer_->show();
        }
        emit quickCheckDone(offer);
        return;
    }

    const QString title = QStringLiteral("Synchronizacja napisów");
    if (!r.ok) {
        message(title, r.refusal.isEmpty() ? QStringLiteral("Napisy nie pasują do filmu") : r.refusal);
        emit synchronisationDone();
        return;
    }
    if (job->mode == Mode::Apply) {
        apply(*job, *outcome);
        emit synchronisationDone();
        return;
    }

    // The proposal: the lines as shown now and after the correction.
    SyncProposal p;
    p.factor = r.factor;
    p.confidence = r.confidence;
    p.score = r.speechScore;
    p.scoreStep = 0.1;
    SubtitlesController &sub = *ctx_.subtitles;
    const bool on = ctx_.settings->OffsetEnabled;
    const auto shownNow = [&](qsizetype line, double t) {
        if (!on)
            return t;
        if (!sub.ShiftPieces.empty())
            return sub.ShiftPieces.toFilm(line, t);
        return t * sub.ShiftFactorInverse + sub.ShiftOffsetInverse;
    };
    const auto after = [&](qsizetype line, double t) {
        return outcome->pieces.empty() ? t * r.factor + r.offset : outcome->pieces.toFilm(line, t);
    };
    for (size_t i = 0; i < outcome->starts.size(); ++i) {
        p.before.push_back(shownNow(qsizetype(i), outcome->starts[i]));
        p.after.push_back(after(qsizetype(i), outcome->starts[i]));
    }
    if (!p.before.empty())
        p.shift = p.before.front() - p.after.front();
    // Cuts are the core's pieces; the per-line pieces of a whole-second file are not cuts.
    for (size_t k = 1; r.pieces.size() > 1 && k < outcome->pieces.pieces().size(); ++k) {
        const qsizetype line = outcome->pieces.pieces()[k].firstLine;
        if (line < 0 || size_t(line) >= p.before.size())
            continue;
        p.cuts.push_back({int(line) + 1, p.after[size_t(line)], p.before[size_t(line)] - p.after[size_t(line)]});
    }
    TSyncProposalDialog dialog(std::move(p), ctx_.window);
    const int choice = showProposal(dialog);
    // The dialog ran its own event loop: the pairing may have changed under it.
    if (job->generation == generation_) {
        if (choice == TSyncProposalDialog::Apply)
            apply(*job, *outcome);
        else if (choice == TSyncProposalDialog::Save)
            saveCorrected(*job, *outcome);
    }
    emit synchronisationDone();
}

void SyncController::apply(const Job &, const Outcome &outcome)
{
    const sync::SyncResult &r = outcome.result;
    SubtitlesController &sub = *ctx_.subtitles;
    // The result maps subtitle time to film time, the timer the other way round.
    sub.ShiftFactorInverse = r.factor;
    sub.ShiftOffsetInverse = r.offset;
    sub.ShiftFactor = 1.0 / r.factor;
    sub.ShiftOffset = -r.offset / r.factor;
    sub.ShiftPieces = outcome.pieces;
    sub.ShiftFromSync = true;
    ctx_.settings->OffsetEnabled = true;
    sub.LadujOpisyDoOpcji();
    sub.ClearSubtitleOverlay(); // the next tick draws the line of the corrected time
    if (TForm2 *f = ctx_.forms->Form2; f && f->isVisible())
        ctx_.options->UstawZmienneDoOpcji();
    hideOffer();
    const double first = outcome.starts.empty() ? 0 : outcome.starts.front();
    const double late = first - (first * r.factor + r.offset);
    ctx_.status->showNote(QStringLiteral("Napisy zsynchronizowane (przesunięcie %1).").arg(formatSyncSeconds(late)));
}

void SyncController::saveCorrected(const Job &job, const Outcome &outcome)
{
    TForm2 *f = ctx_.forms->Form2;
    if (!f)
        return;
    const QString path = f->pickSaveFile(ctx_.window, ctx_.subtitles->CurrentSubtitleFile());
    if (path.isEmpty())
        return;
    CorrectedSaveRequest request;
    request.format = SubtitleSaveFormat(qBound(0, ctx_.settings->SaveTextFormat, 2));
    request.MediaFrameRate = job.frameRate;
    request.OffsetEnabled = true;
    const sync::SyncResult &r = outcome.result;
    request.shift = {1.0 / r.factor, -r.offset / r.factor, r.factor, r.offset};
    request.encoding = ctx_.subtitles->subtitleEncoding();
    const CorrectedSaveResult saved = ZapiszTekst(job.table, path, request, outcome.pieces);
    if (!saved.ok) {
        message(QStringLiteral("Błąd"), QStringLiteral("Nie można zapisać pliku %1\n%2").arg(path, saved.error));
        return;
    }
    ctx_.status->showNote(QStringLiteral("Zapisano %1 (napisów: %2).").arg(QFileInfo(path).fileName()).arg(saved.lines));
}

} // namespace zv
