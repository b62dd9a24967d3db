#pragma once

#include <QObject>
#include <QVariantMap>

#include <functional>

namespace zv {

class PlaybackSession;

// The player on the session bus as org.mpris.MediaPlayer2.zentavista, which is how desktop
// media keys, panel widgets and playerctl reach players. It reads the playback session and its
// engine; every method that changes more than the engine is a request signal, which the
// program turns into the command a key or button runs. Properties are sent with
// PropertiesChanged when the player's state changes, never polled.
class MprisServer : public QObject {
    Q_OBJECT

public:
    enum class Request { PlayPause, Play, Pause, Stop, Next, Previous };
    Q_ENUM(Request)

    MprisServer(PlaybackSession *session, QObject *parent = nullptr);
    ~MprisServer() override;

    // Whether "Next" and "Previous" can do anything now (the program's item states).
    void setNavigationSource(std::function<bool()> canGoNext, std::function<bool()> canGoPrevious);

    // Registers on the session bus; false (said once in the log) when there is none or the
    // name is taken.
    bool start();
    bool registered() const { return registered_; }

    // Sends PropertiesChanged for what changed since the last call.
    void refresh();

    // The values the bus sees (tests read them here too).
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qint64 positionUs() const;
    double volume() const;
    void setVolume(double v);
    double rate() const;
    bool canGoNext() const;
    bool canGoPrevious() const;

    // org.mpris.MediaPlayer2.Player methods.
    void PlayPause();
    void Play();
    void Pause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qint64 offsetUs);
    void SetPosition(const QString &trackId, qint64 positionUs);
    void OpenUri(const QString &uri);
    // org.mpris.MediaPlayer2 methods.
    void Raise();
    void Quit();

    static const char *const kServiceName;
    static const char *const kObjectPath;

signals:
    void requested(zv::MprisServer::Request request);
    void openRequested(const QString &path);   // an existing local file
    void raiseRequested();
    void quitRequested();
    void volumeChanged();                      // set from the bus

private:
    void emitSeeked();
    QString trackId() const;

    PlaybackSession *session_;
    std::function<bool()> canGoNext_, canGoPrevious_;
    bool registered_ = false;
    QVariantMap shownPlayer_;   // the Player properties last announced
};

} // namespace zv
