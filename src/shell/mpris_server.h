#pragma once

#include <QObject>
#include <QVariantMap>

class TZentavistaApp;

namespace zv {

// The player on the session bus as org.mpris.MediaPlayer2.zentavista, which is how desktop
// media keys, panel widgets and playerctl reach players. Every method runs the main window's
// command a key or button runs; properties are sent with PropertiesChanged when the player's
// state changes (after each status refresh and play-state change), never polled.
class MprisServer : public QObject {
    Q_OBJECT

public:
    explicit MprisServer(TZentavistaApp *app);
    ~MprisServer() override;

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

private:
    void emitSeeked();
    QString trackId() const;

    TZentavistaApp *app_;
    bool registered_ = false;
    QVariantMap shownPlayer_;   // the Player properties last announced
};

} // namespace zv
