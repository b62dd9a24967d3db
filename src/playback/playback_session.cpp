#include "playback/playback_session.h"

#include "core/files/get_typ.h"
#include "core/files/intake_after_open.h"
#include "playback/media_engine.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace zv {

PlaybackSession::PlaybackSession(MediaEngine *engine, QObject *parent)
    : QObject(parent), engine_(engine)
{
    if (engine_) {
        connect(engine_, &MediaEngine::OnOpenStateChange, this, [this](int, int NewState) {
            if (NewState == MediaEngine::osOpen)
                AfterMediaLoadProc();
        });
    }
}

void PlaybackSession::LoadMediafile(const QString &Path)
{
    // Playlist files are expanded by the intake; the engine would follow them on its own,
    // without our loop guard.
    if (hasPlaylistExtension(Path))
        return;
    CurrentMediaPath = Path;
    emit loadRequested(Path);
    if (!engine_)
        return;
    engine_->Open(Path);
    MediaFrameRate = -1.0;
    engine_->setDisplayMode(MediaEngine::dmTime);
}

void PlaybackSession::AfterMediaLoadProc()
{
    MediaEngine *e = engine_;
    if (!e || closing_)
        return;
    ++afterOpenRuns_;
    e->setDisplayMode(MediaEngine::dmFrames);
    const double frames = e->Duration();
    e->setDisplayMode(MediaEngine::dmTime);
    const double seconds = e->Duration();
    MediaFrameRate = mediaFrameRateOf(frames, seconds);
    emit opened(seconds);
}

void PlaybackSession::Przeladuj(bool KeepPosition)
{
    MediaEngine *e = engine_;
    // A second reload while the first still waits would restore a state read mid-way.
    if (!e || reloading_)
        return;
    const QString name = e->FileName();
    if (name.isEmpty())
        return;
    const int state = e->PlayState();
    const double position = e->CurrentPosition();
    const int runsBefore = afterOpenRuns_;
    e->Open(QString());
    e->Open(name);
    if (!KeepPosition)
        return;

    // Events run while waiting (the open report among them); the wait ends when the clip is
    // open again, when opening failed, or after reloadTimeoutMs, so it can never hang.
    reloading_ = true;
    const auto opened = [&] { return afterOpenRuns_ != runsBefore; };
    const auto failed = [&] {
        return e->ReadyState() == MediaEngine::rsComplete && e->PlayState() == MediaEngine::psClosed;
    };
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    // The user may close the clip or open another one meanwhile: that ends the wait too.
    const auto replaced = [&] { return e->FileName() != name; };
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (opened() || failed() || replaced() || closing_ || waited.elapsed() >= reloadTimeoutMs)
            loop.quit();
    });
    poll.start();
    if (!(opened() || failed()))
        loop.exec();
    reloading_ = false;
    if (!opened() || replaced() || closing_)
        return;

    if (position >= 0)
        e->setCurrentPosition(position);
    switch (state) {
    case MediaEngine::psStopped: e->Stop(); break;
    case MediaEngine::psPaused: e->Pause(); break;
    case MediaEngine::psPlaying: e->Play(); break;
    default: break;
    }
}

void PlaybackSession::Close()
{
    if (engine_)
        engine_->Open(QString());
    MediaFrameRate = -1.0;
    CurrentMediaPath.clear();
    emit closed();
}

void PlaybackSession::StopEngine()
{
    if (engine_)
        engine_->Stop();
}

void PlaybackSession::CloseMedia()
{
    if (engine_)
        engine_->setFileName(QString());
}

int PlaybackSession::ImageSourceHeight() const
{
    return engine_ ? engine_->ImageSourceHeight() : 0;
}

bool PlaybackSession::nothingOpen() const
{
    return !engine_
           || (engine_->PlayState() == MediaEngine::psClosed && engine_->ReadyState() != MediaEngine::rsLoading);
}

} // namespace zv
