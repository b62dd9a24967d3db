#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QProgressDialog;
class QTimer;

namespace zv {

struct AppContext;
class TSyncProposalDialog;

// Automatic synchronisation of the loaded subtitles to the film's speech: the command (a
// proposal the user accepts, saves or drops), the quick check after a film opens with subtitles
// (an offer in the status line), and the worker threads both run on. Playback goes on meanwhile;
// nothing changes until the user accepts.
class SyncController : public QObject {
    Q_OBJECT

public:
    explicit SyncController(AppContext &ctx);
    ~SyncController() override;

    // "Synchronizuj automatycznie": the whole film, then the proposal.
    void SynchronizujClick();
    // The status line's "Popraw": the whole film, applied as soon as it is accepted by the
    // confidence check.
    void PoprawClick();
    bool running() const;
    QLabel *offerLabel() const { return offer_; }
    QProgressDialog *progressDialog() const { return progress_; }

    // Desktop dialogs; tests replace them. `message` shows a refusal or a failure.
    std::function<void(const QString &title, const QString &text)> message;
    std::function<int(TSyncProposalDialog &)> showProposal; // TSyncProposalDialog::Choice

protected:
    // A click anywhere on the offer takes it: a narrow status line may cut off its link.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // A quick check ended; `offered` when the status line now offers the correction.
    void quickCheckDone(bool offered);
    // A full synchronisation ended: applied, saved, refused, cancelled or dropped.
    void synchronisationDone();

private:
    enum class Mode { Propose, Apply, Quick };
    struct Job;
    struct Outcome;
    void start(Mode mode);
    void finish(const std::shared_ptr<Job> &job, const std::shared_ptr<Outcome> &outcome);
    void scheduleQuickCheck();
    void quickCheck();
    void contextChanged();
    void apply(const Job &job, const Outcome &outcome);
    void saveCorrected(const Job &job, const Outcome &outcome);
    void hideOffer();
    void cancelRunning();

    AppContext &ctx_;
    std::shared_ptr<Job> job_;                     // the run whose result counts
    std::vector<std::shared_ptr<Job>> threads_;   // every run not yet joined
    QProgressDialog *progress_ = nullptr;
    QTimer *progressPoll_ = nullptr;
    QTimer *quickDelay_ = nullptr;
    QLabel *offer_ = nullptr;
    quint64 generation_ = 0;                      // bumped when the film or the subtitles change
    quint64 checkedGeneration_ = 0;               // the quick check already ran for this one
};

} // namespace zv
