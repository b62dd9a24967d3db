#pragma once

#include "core/media/film_tracks.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QAction;
class QActionGroup;
class QProgressDialog;
class QThread;
class QTimer;

namespace zv {

struct AppContext;

// The open film's own tracks: the "Ścieżka dźwiękowa" menu and its key, the audio track kept
// per film for the run and the preferred languages applied on opening; the "Napisy wbudowane"
// menu, reading a subtitle track on a worker thread into the program's subtitle table.
class TracksController : public QObject {
    Q_OBJECT

public:
    explicit TracksController(AppContext &ctx);
    ~TracksController() override;

    // The film's tracks as last probed (empty until the probe of the open film is in).
    const QList<media::FilmTrack> &filmTracks() const { return probe_.tracks; }
    bool probed() const { return probedPath_ == filmPath_ && !filmPath_.isEmpty(); }

    // Plays audio track id (the engine's id, 1-based) and keeps the choice for the film.
    void chooseAudioTrack(int id);
    void NastSD1Click();   // the next audio track, after the last the first

    // Reads subtitle track `number` of the open film on a worker thread and loads it; the
    // database remembers it for the film. A read in progress is cancelled first.
    void loadEmbeddedSubtitles(int number);
    // When a film opened and no subtitle file was found: the first track in a preferred
    // language (waiting for the probe when it is not in yet).
    void loadPreferredSubtitles();
    bool extracting() const { return worker_ != nullptr; }
    void cancelExtraction();
    int loadedSubtitleTrack() const { return loadedTrack_; }   // 0: none from the film

    // The progress window appears only for reads longer than this.
    int progressDelayMs = 500;

signals:
    // An embedded track's cues are in the subtitle table (or its read ended without them).
    void embeddedSubtitlesFinished(int number, bool loaded);

private:
    struct Extraction;
    void filmLoadRequested(const QString &path);
    void filmOpened();
    void startProbe(const QString &path);
    void probeFinished(const QString &path, const media::FilmProbe &probe);
    void rebuildAudioMenu();
    void updateAudioChecks();
    void rebuildSubtitleMenu();
    void applyAudioChoice();
    void extractionFinished(const std::shared_ptr<Extraction> &job);
    void showProgress();
    void closeProgress();
    QString subtitleName(int number) const;

    AppContext &ctx_;
    QString filmPath_;          // the film the menus describe
    QString probedPath_;
    media::FilmProbe probe_;
    QThread *prober_ = nullptr;
    bool audioApplied_ = false; // the film's remembered or preferred track has been set
    bool wantPreferredSubtitles_ = false;
    QActionGroup *audioGroup_ = nullptr;
    QList<QAction *> audioItems_;

    std::shared_ptr<Extraction> job_;
    QThread *worker_ = nullptr;
    QTimer *progressTimer_ = nullptr;
    QProgressDialog *progress_ = nullptr;
    int loadedTrack_ = 0;
};

} // namespace zv
