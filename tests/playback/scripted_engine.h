#pragma once

// A media engine whose state and events a test sets by hand, for deterministic tests of
// whatever drives the engine (transport, status, the after-open steps, reloading). It emits its
// events in the same order as the real engine: see the helpers at the bottom.

#include "playback/media_engine.h"

#include <QFileInfo>
#include <QStringList>

class ScriptedEngine : public MediaEngine {
public:
    explicit ScriptedEngine(QObject *parent = nullptr)
        : MediaEngine(parent)
    {
    }

    // Every command and every write, in order: "Open clip.avi" (the bare name), "Open ",
    // "Play", "Pause", "Stop", "CurrentPosition=5", "Rate=1.5", "Volume=-100", "Mute=1",
    // "DisplayMode=1", "EnableContextMenu=1", "ShowDialog 1", "AboutBox".
    QStringList calls;

    // The state the getters report; set freely.
    QString fileName;
    double position = -1;
    double duration = 0;   // seconds
    double frameCount = 0; // Duration while DisplayMode is 1; 0 = reads as the seconds
    double rate = 1.0;
    int volume = 0;
    bool mute = false;
    int playState = psClosed;
    int readyState = rsUninitialized;
    int width = 0;
    int height = 0;
    int displayMode = dmTime;
    bool contextMenu = false;
    QString errorDescription;
    bool soundCard = true;
    QVariantMap stats;
    // Play, Pause and Stop change playState (and notify) as the real engine does while a file
    // is open; false = they are only recorded.
    bool followCommands = true;

    QString FileName() const override { return fileName; }
    double CurrentPosition() const override { return position; }
    void setCurrentPosition(double seconds) override
    {
        calls << QStringLiteral("CurrentPosition=%1").arg(seconds);
        if (playState != psClosed)
            position = seconds < 0 ? 0 : seconds;
    }
    double Duration() const override
    {
        return displayMode == dmFrames && frameCount > 0 ? frameCount : duration;
    }
    double Rate() const override { return rate; }
    void setRate(double r) override
    {
        calls << QStringLiteral("Rate=%1").arg(r);
        if (r > 0)
            rate = r;
    }
    int Volume() const override { return volume; }
    void setVolume(int v) override
    {
        calls << QStringLiteral("Volume=%1").arg(v);
        volume = v < -10000 ? -10000 : (v > 0 ? 0 : v);
    }
    bool Mute() const override { return mute; }
    void setMute(bool m) override
    {
        calls << QStringLiteral("Mute=%1").arg(int(m));
        mute = m;
    }
    int PlayState() const override { return playState; }
    int ReadyState() const override { return readyState; }
    int ImageSourceWidth() const override { return width; }
    int ImageSourceHeight() const override { return height; }
    int DisplayMode() const override { return displayMode; }
    void setDisplayMode(int mode) override
    {
        calls << QStringLiteral("DisplayMode=%1").arg(mode);
        if (mode == dmTime || mode == dmFrames)
            displayMode = mode;
    }
    bool EnableContextMenu() const override { return contextMenu; }
    void setEnableContextMenu(bool enable) override
    {
        calls << QStringLiteral("EnableContextMenu=%1").arg(int(enable));
        contextMenu = enable;
    }
    QString ErrorDescription() const override { return errorDescription; }
    bool IsSoundCardEnabled() const override { return soundCard; }
    QVariantMap statistics() const override { return stats; }
    void requestStatistics() override { emit StatisticsChanged(); }

    void Play() override
    {
        calls << QStringLiteral("Play");
        if (followCommands && isOpen())
            changePlayState(psPlaying);
    }
    void Pause() override
    {
        calls << QStringLiteral("Pause");
        if (followCommands && isOpen())
            changePlayState(psPaused);
    }
    void Stop() override
    {
        calls << QStringLiteral("Stop");
        if (followCommands && isOpen()) {
            position = 0;
            changePlayState(psStopped);
        }
    }
    // Starts "opening": closed and loading until the test calls finishOpen() or failOpen().
    // An empty name closes at once.
    void Open(const QString &name) override
    {
        calls << QStringLiteral("Open %1").arg(QFileInfo(name).fileName());
        fileName = name;
        position = -1;
        duration = frameCount = 0;
        width = height = 0;
        if (name.isEmpty()) {
            changeReadyState(rsUninitialized);
            changePlayState(psClosed);
            changeOpenState(osClosed);
            return;
        }
        changeReadyState(rsLoading);
        changePlayState(psClosed);
        changeOpenState(osOpening);
    }
    void ShowDialog(int kind) override
    {
        calls << QStringLiteral("ShowDialog %1").arg(kind);
        MediaEngine::ShowDialog(kind);
    }
    void AboutBox() override
    {
        calls << QStringLiteral("AboutBox");
        MediaEngine::AboutBox();
    }

    // ---- Script: what the real engine reports, in its order.

    // The file is open and stopped at 0 (width 0 = sound only).
    void finishOpen(double seconds, double frames = 0, int pictureWidth = 0, int pictureHeight = 0)
    {
        duration = seconds;
        frameCount = frames;
        width = pictureWidth;
        height = pictureHeight;
        position = 0;
        changeReadyState(rsComplete);
        changePlayState(psStopped);
        changeOpenState(osOpen);
    }
    // The file could not be opened: closed, ready 4, then the error.
    void failOpen(const QString &description)
    {
        errorDescription = description;
        position = -1;
        duration = frameCount = 0;
        width = height = 0;
        changeReadyState(rsComplete);
        changePlayState(psClosed);
        changeOpenState(osClosed);
        emit OnError();
    }
    // The end of the stream: stopped at 0, still open, then the report.
    void endOfStream()
    {
        position = 0;
        changePlayState(psStopped);
        emit OnEndOfStream(0);
    }
    // Playback moved on: the position report the real engine sends as the film advances.
    void movePosition(double seconds)
    {
        position = seconds;
        emit OnPositionChange(seconds);
    }
    void changePlayState(int state)
    {
        const int old = playState;
        playState = state;
        if (old != state)
            emit OnPlayStateChange(old, state);
    }
    void changeReadyState(int state)
    {
        if (readyState == state)
            return;
        readyState = state;
        emit OnReadyStateChange(state);
    }
    void changeOpenState(int state)
    {
        if (openState_ == state)
            return;
        const int old = openState_;
        openState_ = state;
        emit OnOpenStateChange(old, state);
    }

private:
    bool isOpen() const { return playState != psClosed; }
    int openState_ = osClosed;
};
