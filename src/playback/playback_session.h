#pragma once

#include <QObject>
#include <QString>

class MediaEngine;

namespace zv {

// The open clip and its life cycle over the engine: what was asked to open, its frame rate
// once open, reopening it, closing it. The engine belongs to the video window; the session
// only drives it. Signals tell the features what happened, on the UI thread.
class PlaybackSession : public QObject {
    Q_OBJECT

public:
    // engine may be null (no video window): every call then does nothing.
    explicit PlaybackSession(MediaEngine *engine, QObject *parent = nullptr);

    MediaEngine *engine() const { return engine_; }

    QString CurrentMediaPath;          // the path last handed to the engine; empty: nothing open
    double MediaFrameRate = -1.0;      // of the open clip; -1 while opening and after closing
    bool PlayAfterOpen = false;        // one-shot: Play once the next clip is open
    int reloadTimeoutMs = 15000;       // how long Przeladuj waits at most for the reopened clip

    // Hands Path to the engine (playlist files are never handed over: the intake expands
    // them); AfterMediaLoadProc follows when the engine reports it open.
    void LoadMediafile(const QString &Path);
    // The engine reports the clip open: the frame rate is measured, then opened() is emitted.
    void AfterMediaLoadProc();
    // Reopens the current clip; with KeepPosition the position and play state come back.
    // Waits (running events) for at most reloadTimeoutMs.
    void Przeladuj(bool KeepPosition);
    // "Zamknij": the engine lets the clip go and nothing is current.
    void Close();
    void StopEngine();
    void CloseMedia();                 // shut-down: engine FileName := empty
    int ImageSourceHeight() const;     // engine picture height; 0 while nothing is open
    // The engine holds no file and is not opening one.
    bool nothingOpen() const;

    // The program is closing: nothing reacts to the engine any more.
    void beginShutDown() { closing_ = true; }
    bool closing() const { return closing_; }

signals:
    // LoadMediafile accepted path, before the engine was asked to open it.
    void loadRequested(const QString &path);
    // The clip is open and MediaFrameRate measured; seconds is its length.
    void opened(double seconds);
    // Close() ran.
    void closed();

private:
    MediaEngine *engine_;
    int afterOpenRuns_ = 0;
    bool reloading_ = false;
    bool closing_ = false;
};

} // namespace zv
