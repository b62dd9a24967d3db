#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

// One track of the open file as the engine lists it. Ids are the engine's, 1-based per kind in
// the container's stream order (so audio id 2 is the film's second audio stream).
struct MediaTrack {
    enum class Kind { Video, Audio, Subtitle };
    Kind kind = Kind::Video;
    int id = 0;
    QString language;     // as tagged ("pol", "eng"); empty when untagged
    QString title;        // the container's title; empty when none
    QString codec;        // the decoder's short name: "ac3", "subrip", "hdmv_pgs_subtitle"
    int channels = 0;     // audio only; 0 when unknown
    bool isDefault = false;
    bool external = false; // added from another file, not part of the container

    friend bool operator==(const MediaTrack &, const MediaTrack &) = default;
};

// The one media engine of the program: everything else drives sound and picture through these
// properties, methods and events only. Units: seconds for positions and durations (frames for
// Duration while DisplayMode is 1), hundredths of a decibel for Volume (-5000 silent .. 0 full).
// Lives on the UI thread; every event is emitted there. Setters take effect at once for the
// getters (the engine behind may follow a moment later), so a caller that sets and reads back,
// or refreshes the status right after a command, sees the new value.
class MediaEngine : public QObject {
    Q_OBJECT

public:
    enum PlayStates {
        psStopped = 0,
        psPaused = 1,
        psPlaying = 2,
        psWaiting = 3,
        psScanForward = 4,
        psScanReverse = 5,
        psClosed = 6,
    };
    // 0 before anything is opened and after closing; 1 while a file opens; 4 when the last
    // open finished, successfully or not (so a caller waiting for the load never waits forever).
    enum ReadyStates { rsUninitialized = 0, rsLoading = 1, rsComplete = 4 };
    // The states OnOpenStateChange reports.
    enum OpenStates { osClosed = 0, osOpening = 5, osOpen = 6 };
    enum DisplayModes { dmTime = 0, dmFrames = 1 };
    // Kinds for ShowDialog and DialogRequested. 2 is our own addition: the properties of the
    // open file, so the properties command needs no detour through a context menu.
    enum DialogKinds { dkStatistics = 1, dkProperties = 2, dkContextMenu = 3, dkAbout = 100 };

    static constexpr int kSilentVolume = -5000;
    static constexpr int kFullVolume = 0;

    explicit MediaEngine(QObject *parent = nullptr);
    ~MediaEngine() override;

    // The file last given to Open (kept after an error and at the end of the stream so that it
    // can be reopened); setting it is Open.
    virtual QString FileName() const = 0;
    void setFileName(const QString &name) { Open(name); }

    // Seconds; -1 while nothing is open (also while opening). Writing seeks; ignored when closed.
    virtual double CurrentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;

    // Seconds, or the frame count while DisplayMode is 1 (the seconds value when the engine knows
    // no frame count, e.g. sound only). 0 when nothing is open.
    virtual double Duration() const = 0;

    // Playback speed, 1.0 normal. Values <= 0 are ignored.
    virtual double Rate() const = 0;
    virtual void setRate(double rate) = 0;

    // Hundredths of a decibel, clamped to -10000..0; -5000 and below is silence.
    virtual int Volume() const = 0;
    virtual void setVolume(int centibels) = 0;

    virtual bool Mute() const = 0;
    virtual void setMute(bool mute) = 0;

    virtual int PlayState() const = 0;
    virtual int ReadyState() const = 0;

    // Pixels of the picture as shown; 0 without a picture (sound only, nothing open).
    virtual int ImageSourceWidth() const = 0;
    virtual int ImageSourceHeight() const = 0;

    virtual int DisplayMode() const = 0;
    virtual void setDisplayMode(int mode) = 0;

    virtual bool EnableContextMenu() const = 0;
    virtual void setEnableContextMenu(bool enable) = 0;

    // Polish text of the last error, for "Błąd. " + ErrorDescription in the status bar.
    virtual QString ErrorDescription() const = 0;

    virtual void Play() = 0;
    virtual void Pause() = 0;
    // Pauses and returns to the start; the file stays open (PlayState 0).
    virtual void Stop() = 0;
    // Starts opening a file (asynchronous: OnOpenStateChange(.., 6) when open, OnError when not);
    // an empty name closes the open media at once.
    virtual void Open(const QString &name) = 0;
    virtual bool IsSoundCardEnabled() const = 0;
    // True while the media plays without sound because no sound device could be opened (a
    // server, a container); not an error. SoundOutputChanged reports each change.
    virtual bool soundOutputLost() const { return false; }

    // The engine's windows are our own Qt dialogs; the engine only asks for them (DialogRequested)
    // and whoever shows the picture (TForm9) opens them. ShowDialog: 1 statistics, 2 properties,
    // 3 a small context menu at the cursor (only while EnableContextMenu is true).
    virtual void ShowDialog(int kind);
    virtual void AboutBox();

    // Facts for the statistics, properties and about windows, without any widget: keys below,
    // values as last fetched. requestStatistics() refreshes them without blocking and emits
    // StatisticsChanged when the new values are in.
    virtual QVariantMap statistics() const = 0;
    virtual void requestStatistics() = 0;

    // The open file's tracks (empty while nothing is open); TracksChanged tells of a new list.
    virtual QList<MediaTrack> tracks() const { return {}; }
    // The audio track playing (its id), 0 for none. The setter takes an id from tracks();
    // anything else is ignored. AudioTrackChanged follows whenever the track in use changes.
    virtual int audioTrack() const { return 0; }
    virtual void setAudioTrack(int id) { Q_UNUSED(id); }

    // Ends the engine for good, without events, while the window it draws into still exists
    // (its owner calls it when that window is about to be destroyed). Afterwards the engine is
    // closed and every Open reports an error.
    virtual void shutdown() {}

signals:
    void OnOpenStateChange(int OldState, int NewState);
    void OnPlayStateChange(int OldState, int NewState);
    // CurrentPosition moved (seconds): as playback advances, never while paused or stopped, and
    // at once when a seek is asked for. State changes are their own events.
    void OnPositionChange(double Position);
    void OnReadyStateChange(int ReadyState);
    void OnEndOfStream(int Result);
    void OnError();
    void SoundOutputChanged();
    void TracksChanged();
    void AudioTrackChanged();

    void DialogRequested(int kind);
    void StatisticsChanged();
};

// Keys of MediaEngine::statistics(). Missing keys mean "not known" (e.g. no picture).
namespace EngineStat {
inline constexpr char File[] = "file";                  // QString, full path
inline constexpr char FileSize[] = "fileSize";          // qint64, bytes
inline constexpr char Format[] = "format";              // QString, container
inline constexpr char Duration[] = "duration";          // double, seconds
inline constexpr char VideoCodec[] = "videoCodec";      // QString
inline constexpr char AudioCodec[] = "audioCodec";      // QString
inline constexpr char Width[] = "width";                // int, pixels as shown
inline constexpr char Height[] = "height";              // int
inline constexpr char FrameRate[] = "frameRate";        // double, frames per second
inline constexpr char VideoBitrate[] = "videoBitrate";  // double, bits per second
inline constexpr char AudioBitrate[] = "audioBitrate";  // double, bits per second
inline constexpr char SampleRate[] = "sampleRate";      // int, Hz
inline constexpr char Channels[] = "channels";          // int
inline constexpr char DroppedFrames[] = "droppedFrames";        // qint64, by the output
inline constexpr char DecoderDroppedFrames[] = "decoderDroppedFrames"; // qint64, by the decoder
inline constexpr char AvSync[] = "avSync";              // double, seconds (audio minus video)
inline constexpr char EngineVersion[] = "engineVersion";    // QString
inline constexpr char DecoderVersion[] = "decoderVersion";  // QString
inline constexpr char ApiVersion[] = "apiVersion";          // QString
} // namespace EngineStat
