#pragma once

#include "playback/media_engine.h"

#include <memory>

class QTimer;

// MediaEngine on libmpv. Two layers: a session (in the .cpp) owns the mpv handle, turns mpv's
// wakeups into one queued drain on the UI thread and its events into the calls below; this class
// keeps the program's view of the engine (states, cached values) and emits its events. Nothing
// here reads an mpv property synchronously: values come from observation or asynchronous
// replies, so a slow open can never stall the UI thread.
class MpvEngine final : public MediaEngine {
    Q_OBJECT

public:
    // windowId: native window to draw into; 0 = no picture output at all (tests).
    // withAudio false = no sound output (tests, benchmarks).
    explicit MpvEngine(quint64 windowId, bool withAudio = true, QObject *parent = nullptr);
    // Terminates mpv; it must run before the window it draws into is destroyed.
    ~MpvEngine() override;

    // False when libmpv could not be started; every Open then reports an error.
    bool isUsable() const { return usable_; }
    // The X11 GPU context(s) mpv was told to draw into the window with; empty without a window,
    // or when mpv took none and draws with its plain X11 output.
    QString gpuContext() const;

    QString FileName() const override { return fileName_; }
    double CurrentPosition() const override;
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    double Rate() const override { return rate_; }
    void setRate(double rate) override;
    int Volume() const override { return volume_; }
    void setVolume(int centibels) override;
    bool Mute() const override { return mute_; }
    void setMute(bool mute) override;
    int PlayState() const override;
    int ReadyState() const override { return readyState_; }
    int ImageSourceWidth() const override { return width_; }
    int ImageSourceHeight() const override { return height_; }
    int DisplayMode() const override { return displayMode_; }
    void setDisplayMode(int mode) override;
    bool EnableContextMenu() const override { return contextMenu_; }
    void setEnableContextMenu(bool enable) override { contextMenu_ = enable; }
    QString ErrorDescription() const override { return error_; }

    void Play() override;
    void Pause() override;
    void Stop() override;
    void Open(const QString &name) override;
    bool IsSoundCardEnabled() const override { return usable_ && withAudio_ && !soundLost_; }
    bool soundOutputLost() const override { return soundLost_; }

    QList<MediaTrack> tracks() const override { return tracks_; }
    int audioTrack() const override { return audioTrack_; }
    void setAudioTrack(int id) override;

    QVariantMap statistics() const override { return stats_; }
    void requestStatistics() override;
    void shutdown() override;

    // mpv's cubic volume (percent, 100 = unchanged) for our hundredths of a decibel, and back.
    static double volumeToPercent(int centibels);
    static int volumeFromPercent(double percent);
    // mpv's volume as last reported by mpv itself (percent).
    double reportedVolumePercent() const { return reportedVolume_; }

signals:
    // Playback (re)started after opening or a seek: the first one after Open means the first
    // frame is on screen (the start-up benchmark's mark).
    void PlaybackRestarted();

private:
    class Session;
    friend class Session;
    enum class Load { Closed, Opening, Open };
    enum class EndReason { Eof, Stop, Quit, Error, Redirect, Other };

    // Called by the session, on the UI thread.
    void onStartFile(qint64 entryId);
    void onEndFile(qint64 entryId, EndReason reason, int error, qint64 insertId, int insertCount);
    void onFileLoaded();
    void onVideoReconfig();
    void onPlaybackRestart();
    void onProperty(const QByteArray &name, const QVariant &value);

    bool isCurrentFile() const { return entryId_ >= 0 && startedId_ == entryId_; }
    void startLoad(bool silent);
    void requestOpenFacts();
    void maybeFinishOpen();
    void finishOpen();
    void endOfStream();
    void fail(const QString &description);
    void seekTo(double seconds);
    // Sets position_ and reports a change while a file is open.
    void movePosition(double seconds);
    void forgetMedia();
    void publish();
    void takeTrackList(const QVariant &value);
    void takeAudioTrack(const QVariant &value);
    // Play and Pause: leaves Stop and sets mpv's pause, for an open file only.
    void leaveStop(bool paused);
    QString describeMpvError(int code) const;

    std::unique_ptr<Session> mpv_;
    bool usable_ = false;
    const bool withAudio_;
    bool soundLost_ = false; // sound wanted, but mpv fell back to its null output

    // The program's view.
    QString fileName_;
    Load load_ = Load::Closed;
    bool stopped_ = true;  // open and at rest: Stop given, just opened or the end was reached
    bool paused_ = true;   // what we told mpv's pause to be; nothing else changes it
    bool waiting_ = false; // mpv waits for its cache
    int readyState_ = rsUninitialized;
    int openState_ = osClosed;
    double position_ = -1;
    double duration_ = 0;
    double frameCount_ = 0;
    double frameRate_ = 0;
    int width_ = 0;
    int height_ = 0;
    double rate_ = 1.0;
    int volume_ = kFullVolume;
    bool mute_ = false;
    double reportedVolume_ = 100.0;
    int displayMode_ = dmTime;
    bool contextMenu_ = false;
    QString error_;
    QVariantMap stats_;
    int statsPending_ = 0;
    QList<MediaTrack> tracks_;
    int audioTrack_ = 0;

    // Last states announced, so that every event carries the old state the listener saw.
    int shownPlay_ = psClosed;
    int shownReady_ = rsUninitialized;
    int shownOpen_ = osClosed;

    // Matching mpv's events to our Open: every Open is a generation; mpv names the file it
    // loads by a playlist entry id, known from loadfile's reply (which mpv sends before that
    // file's first event). Events of any other entry belong to a file we have left.
    quint64 generation_ = 0;
    qint64 entryId_ = -1;
    int redirects_ = 0;     // followed since the last Open
    qint64 startedId_ = -1;
    bool factsIn_ = false;     // duration, frame facts and "has a picture" have arrived
    bool hasVideo_ = false;
    bool sizeKnown_ = false;   // the picture size has arrived after VIDEO_RECONFIG
    bool reloading_ = false;   // reopening after the end of the stream, unseen by callers
    double pendingSeek_ = -1;  // a position written while mpv holds no file

    // A seek in flight: time-pos reports are stale until playback restarts after it.
    quint64 seekSerial_ = 0;
    bool seekHold_ = false;
    bool seekAcked_ = false;

    QTimer *pictureTimer_ = nullptr;
};
