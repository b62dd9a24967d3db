#include "playback/mpv_engine.h"

#include "playback/mpv_properties.h"

#include <QFileInfo>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// How long an open may wait for the first decoded picture before the container's size is used.
constexpr int kPictureWaitMs = 4000;

QVariant toVariant(const mpv_node &node)
{
    switch (node.format) {
    case MPV_FORMAT_STRING:
    case MPV_FORMAT_OSD_STRING:
        return QString::fromUtf8(node.u.string);
    case MPV_FORMAT_FLAG:
        return bool(node.u.flag);
    case MPV_FORMAT_INT64:
        return qint64(node.u.int64);
    case MPV_FORMAT_DOUBLE:
        return node.u.double_;
    case MPV_FORMAT_NODE_ARRAY: {
        QVariantList list;
        for (int i = 0; i < node.u.list->num; ++i)
            list.append(toVariant(node.u.list->values[i]));
        return list;
    }
    case MPV_FORMAT_NODE_MAP: {
        QVariantMap map;
        for (int i = 0; i < node.u.list->num; ++i)
            map.insert(QString::fromUtf8(node.u.list->keys[i]), toVariant(node.u.list->values[i]));
        return map;
    }
    default:
        return {};
    }
}

QString quoted(const QString &name)
{
    return QStringLiteral("\u201e%1\u201d").arg(QFileInfo(name).fileName());
}

bool isUrl(const QString &name)
{
    return name.contains(QLatin1String("://"));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Layer 1: the mpv handle. mpv calls wakeup() on its own threads; it only posts one drain to the
// UI thread, which empties mpv's queue and turns each event into a call on the engine.

class MpvEngine::Session {
public:
    using Reply = std::function<void(int error, const QVariant &value)>;

    explicit Session(MpvEngine *owner)
        : owner_(owner)
    {
    }

    ~Session() { terminate(); }

    // Blocks until mpv's threads are gone, its window included. The session object itself
    // stays: a drain may already be queued for it, and finds nothing to do.
    void terminate()
    {
        if (!mpv_)
            return;
        mpv_handle *handle = mpv_;
        mpv_ = nullptr;
        mpv_set_wakeup_callback(handle, nullptr, nullptr);
        mpv_terminate_destroy(handle);
        pending_.clear();
    }

    bool start(quint64 windowId, bool withAudio)
    {
        // mpv parses numbers with the C library and refuses a locale that writes a decimal comma.
        std::setlocale(LC_NUMERIC, "C");
        mpv_ = mpv_create();
        if (!mpv_)
            return false;
        for (const mpvprop::Option &o : mpvprop::kFixedOptions)
            mpv_set_option_string(mpv_, o.name, o.value);
        if (windowId != 0) {
            const QByteArray wid = QByteArray::number(windowId);
            mpv_set_option_string(mpv_, mpvprop::kWid, wid.constData());
            gpuContext_ = pinX11GpuContext();
            mpv_set_option_string(mpv_, mpvprop::kVo, gpuContext_.isEmpty()
                                                          ? mpvprop::kVoX11
                                                          : mpvprop::kVoWithWindow);
            // Allows a software OpenGL (e.g. a virtual display) instead of dropping to x11 at once.
            mpv_set_option_string(mpv_, mpvprop::kGpuSw, "yes");
        } else {
            mpv_set_option_string(mpv_, mpvprop::kVo, mpvprop::kVoNone);
        }
        if (!withAudio)
            mpv_set_option_string(mpv_, mpvprop::kAo, mpvprop::kAoNone);
        if (mpv_initialize(mpv_) < 0) {
            mpv_terminate_destroy(mpv_);
            mpv_ = nullptr;
            return false;
        }
        for (const char *name : {mpvprop::kTimePos, mpvprop::kPausedForCache, mpvprop::kDuration,
                                 mpvprop::kVolume})
            mpv_observe_property(mpv_, 0, name, MPV_FORMAT_NODE);
        if (withAudio)
            mpv_observe_property(mpv_, 0, mpvprop::kCurrentAo, MPV_FORMAT_NODE);
        for (const char *name : {mpvprop::kTrackList, mpvprop::kAid})
            mpv_observe_property(mpv_, 0, name, MPV_FORMAT_NODE);
        mpv_set_wakeup_callback(mpv_, &Session::wakeup, this);
        return true;
    }

    // The GPU context set for drawing into our window; empty when mpv took none of them.
    const QByteArray &gpuContext() const { return gpuContext_; }

    // Asynchronous, array form: a file name is never parsed as part of a command line.
    void command(const QStringList &args, Reply done = {})
    {
        if (!mpv_)
            return;
        std::vector<QByteArray> utf8;
        utf8.reserve(args.size());
        for (const QString &a : args)
            utf8.push_back(a.toUtf8());
        std::vector<const char *> argv;
        for (const QByteArray &a : utf8)
            argv.push_back(a.constData());
        argv.push_back(nullptr);
        const quint64 id = remember(std::move(done));
        const int err = mpv_command_async(mpv_, id, argv.data());
        if (err < 0)
            fail(id, err);
    }

    void setProperty(const char *name, const QVariant &value)
    {
        if (!mpv_)
            return;
        mpv_node node{};
        QByteArray text;
        switch (value.typeId()) {
        case QMetaType::Bool:
            node.format = MPV_FORMAT_FLAG;
            node.u.flag = value.toBool() ? 1 : 0;
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            node.format = MPV_FORMAT_INT64;
            node.u.int64 = value.toLongLong();
            break;
        case QMetaType::Double:
            node.format = MPV_FORMAT_DOUBLE;
            node.u.double_ = value.toDouble();
            break;
        default:
            text = value.toString().toUtf8();
            node.format = MPV_FORMAT_STRING;
            node.u.string = text.data();
            break;
        }
        mpv_set_property_async(mpv_, 0, name, MPV_FORMAT_NODE, &node);
    }

    void getProperty(const char *name, Reply done)
    {
        if (!mpv_) {
            if (done)
                done(MPV_ERROR_UNINITIALIZED, {});
            return;
        }
        const quint64 id = remember(std::move(done));
        const int err = mpv_get_property_async(mpv_, id, name, MPV_FORMAT_NODE);
        if (err < 0)
            fail(id, err);
    }

private:
    // Never a Wayland context: our window is an X11 one. The first X11 context mpv accepts.
    QByteArray pinX11GpuContext()
    {
        for (const char *context : mpvprop::kX11GpuContexts) {
            if (mpv_set_option_string(mpv_, mpvprop::kGpuContext, context) >= 0)
                return context;
        }
        return {};
    }

    static void wakeup(void *context)
    {
        auto *self = static_cast<Session *>(context);
        if (self->drainQueued_.exchange(true))
            return;
        QMetaObject::invokeMethod(self->owner_, [self] { self->drain(); }, Qt::QueuedConnection);
    }

    // Each event is copied out before the engine sees it: a listener may run a nested event loop
    // (a modal dialog, a wait for a reload) that drains further events meanwhile.
    void drain()
    {
        drainQueued_ = false;
        while (mpv_) {
            mpv_event *e = mpv_wait_event(mpv_, 0);
            if (e->event_id == MPV_EVENT_NONE)
                break;
            dispatch(*e);
        }
    }

    void dispatch(const mpv_event &e)
    {
        switch (e.event_id) {
        case MPV_EVENT_START_FILE:
            owner_->onStartFile(static_cast<const mpv_event_start_file *>(e.data)->playlist_entry_id);
            break;
        case MPV_EVENT_END_FILE: {
            const auto *end = static_cast<const mpv_event_end_file *>(e.data);
            owner_->onEndFile(end->playlist_entry_id, endReason(end->reason), end->error,
                              end->playlist_insert_id, end->playlist_insert_num_entries);
            break;
        }
        case MPV_EVENT_FILE_LOADED:
            owner_->onFileLoaded();
            break;
        case MPV_EVENT_VIDEO_RECONFIG:
            owner_->onVideoReconfig();
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            owner_->onPlaybackRestart();
            break;
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto *p = static_cast<const mpv_event_property *>(e.data);
            QVariant value;
            if (p->format == MPV_FORMAT_NODE)
                value = toVariant(*static_cast<const mpv_node *>(p->data));
            owner_->onProperty(QByteArray(p->name), value);
            break;
        }
        case MPV_EVENT_GET_PROPERTY_REPLY: {
            const auto *p = static_cast<const mpv_event_property *>(e.data);
            QVariant value;
            if (e.error >= 0 && p->format == MPV_FORMAT_NODE)
                value = toVariant(*static_cast<const mpv_node *>(p->data));
            answer(e.reply_userdata, e.error, value);
            break;
        }
        case MPV_EVENT_COMMAND_REPLY: {
            const auto *c = static_cast<const mpv_event_command *>(e.data);
            answer(e.reply_userdata, e.error, e.error >= 0 ? toVariant(c->result) : QVariant());
            break;
        }
        default:
            break;
        }
    }

    static EndReason endReason(mpv_end_file_reason reason)
    {
        switch (reason) {
        case MPV_END_FILE_REASON_EOF: return EndReason::Eof;
        case MPV_END_FILE_REASON_STOP: return EndReason::Stop;
        case MPV_END_FILE_REASON_QUIT: return EndReason::Quit;
        case MPV_END_FILE_REASON_ERROR: return EndReason::Error;
        case MPV_END_FILE_REASON_REDIRECT: return EndReason::Redirect;
        }
        return EndReason::Other;
    }

    quint64 remember(Reply done)
    {
        if (!done)
            return 0;
        const quint64 id = nextReply_++;
        pending_.insert(id, std::move(done));
        return id;
    }

    void answer(quint64 id, int error, const QVariant &value)
    {
        if (id == 0)
            return;
        Reply done = pending_.take(id);
        if (done)
            done(error, value);
    }

    // A request mpv refused outright still answers, later, like any reply.
    void fail(quint64 id, int error)
    {
        if (id == 0)
            return;
        QMetaObject::invokeMethod(owner_, [this, id, error] { answer(id, error, {}); },
                                  Qt::QueuedConnection);
    }

    MpvEngine *owner_;
    mpv_handle *mpv_ = nullptr;
    QByteArray gpuContext_;
    std::atomic<bool> drainQueued_{false};
    QHash<quint64, Reply> pending_;
    quint64 nextReply_ = 1;
};

// ---------------------------------------------------------------------------------------------
// Layer 2: the program's engine.

MpvEngine::MpvEngine(quint64 windowId, bool withAudio, QObject *parent)
    : MediaEngine(parent)
    , mpv_(std::make_unique<Session>(this))
    , withAudio_(withAudio)
{
    usable_ = mpv_->start(windowId, withAudio);
    pictureTimer_ = new QTimer(this);
    pictureTimer_->setSingleShot(true);
    pictureTimer_->setInterval(kPictureWaitMs);
    connect(pictureTimer_, &QTimer::timeout, this, [this] {
        // No picture decoded in time: open with the size the container gives.
        if (load_ != Load::Opening)
            return;
        const quint64 g = generation_;
        mpv_->getProperty(mpvprop::kWidth, [this, g](int err, const QVariant &v) {
            if (g == generation_ && err >= 0)
                width_ = int(v.toLongLong());
        });
        mpv_->getProperty(mpvprop::kHeight, [this, g](int err, const QVariant &v) {
            if (g != generation_ || load_ != Load::Opening)
                return;
            if (err >= 0)
                height_ = int(v.toLongLong());
            if (width_ <= 0 || height_ <= 0)
                width_ = height_ = 0;
            finishOpen();
        });
    });
    stats_.insert(EngineStat::ApiVersion, QStringLiteral("%1.%2")
                                              .arg(mpv_client_api_version() >> 16)
                                              .arg(mpv_client_api_version() & 0xffff));
}

QString MpvEngine::gpuContext() const
{
    return QString::fromLatin1(mpv_->gpuContext());
}

MpvEngine::~MpvEngine()
{
    // Before QObject's teardown, so no listener hears of the engine going away.
    blockSignals(true);
    mpv_.reset();
}

void MpvEngine::shutdown()
{
    if (!usable_)
        return;
    ++generation_;
    tracks_.clear(); // quietly: no events from here on
    audioTrack_ = 0;
    forgetMedia();
    load_ = Load::Closed;
    readyState_ = shownReady_ = rsUninitialized;
    openState_ = shownOpen_ = osClosed;
    shownPlay_ = psClosed;
    usable_ = false;
    statsPending_ = 0; // their replies died with mpv
    mpv_->terminate();
}

double MpvEngine::volumeToPercent(int centibels)
{
    if (centibels <= kSilentVolume)
        return 0.0;
    centibels = std::min(centibels, kFullVolume);
    // mpv's volume is cubic: amplitude = (v/100)^3, so 20*log10(amplitude) = 60*log10(v/100) dB.
    return 100.0 * std::pow(10.0, centibels / 6000.0);
}

int MpvEngine::volumeFromPercent(double percent)
{
    if (!(percent > 0.0))
        return kSilentVolume;
    const long centibels = std::lround(6000.0 * std::log10(percent / 100.0));
    return int(std::clamp<long>(centibels, kSilentVolume, kFullVolume));
}

double MpvEngine::CurrentPosition() const
{
    return load_ == Load::Open ? position_ : -1.0;
}

void MpvEngine::setCurrentPosition(double seconds)
{
    if (load_ == Load::Closed || !std::isfinite(seconds))
        return;
    seconds = std::max(seconds, 0.0);
    if (load_ == Load::Opening || reloading_) {
        pendingSeek_ = seconds;
        if (reloading_)
            movePosition(seconds);
        return;
    }
    seekTo(seconds);
}

void MpvEngine::seekTo(double seconds)
{
    movePosition(seconds);
    seekHold_ = true;
    seekAcked_ = false;
    const quint64 serial = ++seekSerial_;
    mpv_->command({QString::fromLatin1(mpvprop::kSeek), QString::number(seconds, 'f', 6),
                   QString::fromLatin1(mpvprop::kAbsolute)},
                  [this, serial](int err, const QVariant &) {
                      if (serial != seekSerial_)
                          return;
                      if (err < 0)
                          seekHold_ = false;
                      else
                          seekAcked_ = true;
                  });
}

void MpvEngine::movePosition(double seconds)
{
    if (seconds == position_)
        return;
    position_ = seconds;
    if (load_ == Load::Open)
        emit OnPositionChange(seconds);
}

double MpvEngine::Duration() const
{
    if (load_ != Load::Open)
        return 0.0;
    if (displayMode_ != dmFrames)
        return duration_;
    // Seconds times the container's rate rather than mpv's frame estimate: a film's audio often
    // runs a few milliseconds longer than its picture, and frames / seconds must give the frame
    // rate that frame-timed subtitles are played with.
    if (frameRate_ > 0 && duration_ > 0)
        return duration_ * frameRate_;
    if (frameCount_ > 0)
        return frameCount_;
    return duration_;
}

void MpvEngine::setRate(double rate)
{
    if (!(rate > 0) || !std::isfinite(rate))
        return;
    rate_ = rate;
    mpv_->setProperty(mpvprop::kSpeed, rate);
}

void MpvEngine::setVolume(int centibels)
{
    volume_ = std::clamp(centibels, -10000, kFullVolume);
    mpv_->setProperty(mpvprop::kVolume, volumeToPercent(volume_));
}

void MpvEngine::setMute(bool mute)
{
    mute_ = mute;
    mpv_->setProperty(mpvprop::kMute, mute);
}

void MpvEngine::setDisplayMode(int mode)
{
    if (mode == dmTime || mode == dmFrames)
        displayMode_ = mode;
}

int MpvEngine::PlayState() const
{
    if (load_ != Load::Open)
        return psClosed;
    if (stopped_)
        return psStopped;
    if (paused_)
        return psPaused;
    if (waiting_)
        return psWaiting;
    return psPlaying;
}

void MpvEngine::Play()
{
    leaveStop(false);
}

void MpvEngine::Pause()
{
    leaveStop(true);
}

void MpvEngine::leaveStop(bool paused)
{
    if (load_ != Load::Open)
        return;
    stopped_ = false;
    paused_ = paused;
    mpv_->setProperty(mpvprop::kPause, paused);
    publish();
}

void MpvEngine::Stop()
{
    if (load_ != Load::Open)
        return;
    stopped_ = true;
    paused_ = true;
    mpv_->setProperty(mpvprop::kPause, true);
    if (reloading_) {
        pendingSeek_ = 0;
        position_ = 0;
    } else {
        seekTo(0);
    }
    publish();
}

void MpvEngine::takeTrackList(const QVariant &value)
{
    namespace t = mpvprop::track;
    QList<MediaTrack> list;
    int selectedAudio = 0;
    for (const QVariant &item : value.toList()) {
        const QVariantMap m = item.toMap();
        const QString type = m.value(QLatin1String(t::kType)).toString();
        MediaTrack track;
        if (type == QLatin1String(t::kTypeAudio))
            track.kind = MediaTrack::Kind::Audio;
        else if (type == QLatin1String(t::kTypeSub))
            track.kind = MediaTrack::Kind::Subtitle;
        else if (type == QLatin1String(t::kTypeVideo))
            track.kind = MediaTrack::Kind::Video;
        else
            continue;
        track.id = int(m.value(QLatin1String(t::kId)).toLongLong());
        if (track.id <= 0)
            continue;
        track.language = m.value(QLatin1String(t::kLang)).toString();
        track.title = m.value(QLatin1String(t::kTitle)).toString();
        track.codec = m.value(QLatin1String(t::kCodec)).toString();
        track.channels = int(std::clamp<qint64>(m.value(QLatin1String(t::kChannelCount)).toLongLong(), 0, 64));
        track.isDefault = m.value(QLatin1String(t::kDefault)).toBool();
        track.external = m.value(QLatin1String(t::kExternal)).toBool();
        if (track.kind == MediaTrack::Kind::Audio && m.value(QLatin1String(t::kSelected)).toBool())
            selectedAudio = track.id;
        list.append(track);
    }
    if (list != tracks_) {
        tracks_ = list;
        emit TracksChanged();
    }
    if (selectedAudio != audioTrack_) {
        audioTrack_ = selectedAudio;
        emit AudioTrackChanged();
    }
}

void MpvEngine::takeAudioTrack(const QVariant &value)
{
    // "no" (or "auto" before a track is chosen) reads as no track.
    const int id = value.typeId() == QMetaType::LongLong ? int(value.toLongLong()) : 0;
    if (id == audioTrack_)
        return;
    audioTrack_ = id;
    emit AudioTrackChanged();
}

void MpvEngine::setAudioTrack(int id)
{
    const bool known = std::any_of(tracks_.cbegin(), tracks_.cend(), [id](const MediaTrack &t) {
        return t.kind == MediaTrack::Kind::Audio && t.id == id;
    });
    if (!known || load_ == Load::Closed)
        return;
    mpv_->setProperty(mpvprop::kAid, qint64(id));
    if (id != audioTrack_) {
        audioTrack_ = id;
        emit AudioTrackChanged();
    }
}

void MpvEngine::forgetMedia()
{
    pictureTimer_->stop();
    entryId_ = -1;
    factsIn_ = hasVideo_ = sizeKnown_ = reloading_ = false;
    pendingSeek_ = -1;
    seekHold_ = false;
    position_ = -1;
    duration_ = frameCount_ = frameRate_ = 0;
    width_ = height_ = 0;
    waiting_ = false;
    stopped_ = paused_ = true;
    if (!tracks_.isEmpty()) {
        tracks_.clear();
        emit TracksChanged();
    }
    if (audioTrack_ != 0) {
        audioTrack_ = 0;
        emit AudioTrackChanged();
    }
}

void MpvEngine::Open(const QString &name)
{
    ++generation_;
    redirects_ = 0;
    forgetMedia();
    fileName_ = name;
    if (name.isEmpty()) {
        mpv_->command({QString::fromLatin1(mpvprop::kStop)});
        load_ = Load::Closed;
        readyState_ = rsUninitialized;
        openState_ = osClosed;
        publish();
        return;
    }

    load_ = Load::Opening;
    readyState_ = rsLoading;
    openState_ = osOpening;

    // What we can tell better than the decoder: it would only say "loading failed".
    QString problem;
    if (!usable_) {
        problem = tr("Nie można uruchomić silnika odtwarzania (libmpv).");
    } else if (!isUrl(name)) {
        const QFileInfo info(name);
        if (!info.exists())
            problem = tr("Nie znaleziono pliku %1.").arg(quoted(name));
        else if (info.isDir())
            problem = tr("%1 to folder, a nie plik z filmem.").arg(quoted(name));
        else if (!info.isReadable())
            problem = tr("Brak dostępu do pliku %1.").arg(quoted(name));
        else if (info.size() == 0)
            problem = tr("Plik %1 jest pusty.").arg(quoted(name));
    }
    if (!problem.isEmpty()) {
        mpv_->command({QString::fromLatin1(mpvprop::kStop)});
        publish();
        // Reported like a failure of mpv's own, after the caller has finished its open steps.
        QTimer::singleShot(0, this, [this, g = generation_, problem] {
            if (g == generation_ && load_ == Load::Opening)
                fail(problem);
        });
        return;
    }
    startLoad(false);
    publish();
}

// The file is always loaded paused: playback starts only when Play is given. After the end of
// the stream the same file is reloaded silently so that it stays open, as Stop leaves it.
void MpvEngine::startLoad(bool silent)
{
    reloading_ = silent;
    mpv_->setProperty(mpvprop::kPause, silent ? paused_ : true);
    // A chosen audio track is an option to mpv and would carry over to the next file; the
    // silent reopen at the end of the stream keeps it.
    if (!silent)
        mpv_->setProperty(mpvprop::kAid, QStringLiteral("auto"));
    const QString target = isUrl(fileName_) ? fileName_ : QFileInfo(fileName_).absoluteFilePath();
    const quint64 g = generation_;
    mpv_->command({QString::fromLatin1(mpvprop::kLoadfile), target,
                   QString::fromLatin1(mpvprop::kReplace)},
                  [this, g](int err, const QVariant &result) {
                      if (g != generation_ || load_ == Load::Closed)
                          return;
                      if (err < 0) {
                          fail(describeMpvError(err));
                          return;
                      }
                      entryId_ = result.toMap().value(QLatin1String(mpvprop::kPlaylistEntryId), -1)
                                     .toLongLong();
                  });
}

void MpvEngine::onStartFile(qint64 entryId)
{
    startedId_ = entryId;
}

void MpvEngine::onFileLoaded()
{
    if (!isCurrentFile())
        return;
    if (reloading_) {
        reloading_ = false;
        const double target = pendingSeek_;
        pendingSeek_ = -1;
        if (target > 0)
            seekTo(target);
        return;
    }
    if (load_ != Load::Opening)
        return;
    if (pendingSeek_ >= 0) {
        seekTo(pendingSeek_);
        pendingSeek_ = -1;
    }
    requestOpenFacts();
}

// Read after FILE_LOADED, so the replies carry this file's values; the last one decides whether
// to wait for the picture.
void MpvEngine::requestOpenFacts()
{
    const quint64 g = generation_;
    auto stale = [this, g] { return g != generation_ || load_ != Load::Opening; };
    mpv_->getProperty(mpvprop::kDuration, [this, stale](int err, const QVariant &v) {
        if (!stale() && err >= 0)
            duration_ = std::max(0.0, v.toDouble());
    });
    mpv_->getProperty(mpvprop::kFrameCount, [this, stale](int err, const QVariant &v) {
        if (!stale() && err >= 0)
            frameCount_ = std::max(0.0, v.toDouble());
    });
    mpv_->getProperty(mpvprop::kContainerFps, [this, stale](int err, const QVariant &v) {
        if (!stale() && err >= 0)
            frameRate_ = std::max(0.0, v.toDouble());
    });
    mpv_->getProperty(mpvprop::kVid, [this, stale](int err, const QVariant &v) {
        if (stale())
            return;
        // "no" (or a failed read) means sound only; a track number means a picture.
        hasVideo_ = err >= 0 && v.typeId() == QMetaType::LongLong && v.toLongLong() > 0;
        factsIn_ = true;
        maybeFinishOpen();
    });
}

// The picture's size is reliable only once the first frame is decoded (VIDEO_RECONFIG); it is
// also sent when the output goes away, then without a size, which changes nothing.
void MpvEngine::onVideoReconfig()
{
    if (!isCurrentFile())
        return;
    const quint64 g = generation_;
    auto width = std::make_shared<int>(0);
    mpv_->getProperty(mpvprop::kDisplayWidth, [this, g, width](int err, const QVariant &v) {
        if (g == generation_ && err >= 0)
            *width = int(v.toLongLong());
    });
    mpv_->getProperty(mpvprop::kDisplayHeight, [this, g, width](int err, const QVariant &v) {
        if (g != generation_ || load_ == Load::Closed || err < 0)
            return;
        const int height = int(v.toLongLong());
        if (*width <= 0 || height <= 0)
            return;
        width_ = *width;
        height_ = height;
        sizeKnown_ = true;
        maybeFinishOpen();
    });
}

void MpvEngine::maybeFinishOpen()
{
    if (load_ != Load::Opening || !factsIn_)
        return;
    if (hasVideo_ && !sizeKnown_) {
        if (!pictureTimer_->isActive())
            pictureTimer_->start();
        return;
    }
    finishOpen();
}

void MpvEngine::finishOpen()
{
    pictureTimer_->stop();
    if (!hasVideo_)
        width_ = height_ = 0;
    load_ = Load::Open;
    readyState_ = rsComplete;
    openState_ = osOpen;
    stopped_ = true;
    paused_ = true;
    if (!seekHold_)
        position_ = 0;
    // States first, the open report last: its listener may Play at once and must see 0 and 4.
    publish();
}

void MpvEngine::onPlaybackRestart()
{
    if (!isCurrentFile())
        return;
    if (seekHold_ && seekAcked_)
        seekHold_ = false;
    emit PlaybackRestarted();
}

void MpvEngine::onProperty(const QByteArray &name, const QVariant &value)
{
    if (name == mpvprop::kVolume) {
        if (value.isValid())
            reportedVolume_ = value.toDouble();
        return;
    }
    if (name == mpvprop::kCurrentAo) {
        // The null output with sound wanted means no device could be opened: play on silently.
        const bool lost = withAudio_ && value.toString() == QLatin1String(mpvprop::kAoNone);
        if (lost != soundLost_) {
            soundLost_ = lost;
            emit SoundOutputChanged();
        }
        return;
    }
    if (name == mpvprop::kTrackList || name == mpvprop::kAid) {
        // Also while opening: the menus list the tracks as soon as the container is read.
        if (load_ == Load::Closed || !isCurrentFile())
            return;
        if (name == mpvprop::kTrackList)
            takeTrackList(value);
        else
            takeAudioTrack(value);
        return;
    }
    if (load_ != Load::Open || reloading_ || !isCurrentFile())
        return;
    if (name == mpvprop::kTimePos) {
        if (!seekHold_ && value.isValid())
            movePosition(std::max(0.0, value.toDouble()));
    } else if (name == mpvprop::kPausedForCache) {
        waiting_ = value.toBool();
        publish();
    } else if (name == mpvprop::kDuration) {
        // Streams that grow while they play.
        if (value.isValid())
            duration_ = std::max(0.0, value.toDouble());
    }
}

void MpvEngine::onEndFile(qint64 entryId, EndReason reason, int error, qint64 insertId,
                          int insertCount)
{
    if (entryId_ < 0 || entryId != entryId_)
        return; // the end of a file we have already left
    switch (reason) {
    case EndReason::Redirect:
        // A playlist-like file: mpv goes on with its first entry, which is now ours. A chain
        // of them is cut short, so a file that leads back to itself ends.
        if (insertCount > 0 && ++redirects_ <= mpvprop::kMaxRedirects) {
            entryId_ = insertId;
            return;
        }
        fail(describeMpvError(MPV_ERROR_UNKNOWN_FORMAT));
        return;
    case EndReason::Eof:
        endOfStream();
        return;
    case EndReason::Error:
        fail(describeMpvError(error));
        return;
    case EndReason::Stop:
    case EndReason::Quit:
    case EndReason::Other:
        forgetMedia();
        load_ = Load::Closed;
        readyState_ = rsUninitialized;
        openState_ = osClosed;
        publish();
        return;
    }
}

void MpvEngine::endOfStream()
{
    if (load_ == Load::Opening) {
        // Ended before its picture arrived (a film without frames): still report it open first.
        if (hasVideo_ && !sizeKnown_)
            hasVideo_ = false;
        finishOpen();
        if (load_ != Load::Open)
            return;
    }
    const quint64 g = generation_;
    entryId_ = -1;
    stopped_ = paused_ = true;
    waiting_ = false;
    seekHold_ = false;
    position_ = 0;
    pendingSeek_ = -1;
    reloading_ = true;
    publish();
    emit OnEndOfStream(0);
    // Unless a listener opened or closed something meanwhile, keep the file open.
    if (g == generation_ && load_ == Load::Open && reloading_)
        startLoad(true);
}

void MpvEngine::fail(const QString &description)
{
    forgetMedia();
    load_ = Load::Closed;
    readyState_ = rsComplete;
    openState_ = osClosed;
    error_ = description;
    publish();
    emit OnError();
}

QString MpvEngine::describeMpvError(int code) const
{
    const QString file = quoted(fileName_);
    switch (code) {
    case MPV_ERROR_LOADING_FAILED:
        return tr("Nie można otworzyć pliku %1.").arg(file);
    case MPV_ERROR_UNKNOWN_FORMAT:
        return tr("Plik %1 nie jest filmem ani dźwiękiem w znanym formacie albo jest uszkodzony.")
            .arg(file);
    case MPV_ERROR_NOTHING_TO_PLAY:
        return tr("Plik %1 nie zawiera obrazu ani dźwięku, które można odtworzyć.").arg(file);
    case MPV_ERROR_AO_INIT_FAILED:
        return tr("Nie można uruchomić wyjścia dźwięku.");
    case MPV_ERROR_VO_INIT_FAILED:
        return tr("Nie można uruchomić wyjścia obrazu.");
    case MPV_ERROR_UNSUPPORTED:
        return tr("Plik %1 ma nieobsługiwany format.").arg(file);
    default:
        return tr("Błąd silnika odtwarzania przy pliku %1: %2")
            .arg(file, QString::fromUtf8(mpv_error_string(code)));
    }
}

void MpvEngine::publish()
{
    if (readyState_ != shownReady_) {
        shownReady_ = readyState_;
        emit OnReadyStateChange(readyState_);
    }
    const int play = PlayState();
    if (play != shownPlay_) {
        const int old = shownPlay_;
        shownPlay_ = play;
        emit OnPlayStateChange(old, play);
    }
    if (openState_ != shownOpen_) {
        const int old = shownOpen_;
        shownOpen_ = openState_;
        emit OnOpenStateChange(old, openState_);
    }
}

void MpvEngine::requestStatistics()
{
    if (statsPending_ > 0)
        return; // a refresh is already on its way
    struct Item {
        const char *property;
        const char *key;
    };
    static constexpr Item kItems[] = {
        {mpvprop::kFileSize, EngineStat::FileSize},
        {mpvprop::kFileFormat, EngineStat::Format},
        {mpvprop::kDuration, EngineStat::Duration},
        {mpvprop::kVideoCodec, EngineStat::VideoCodec},
        {mpvprop::kAudioCodec, EngineStat::AudioCodec},
        {mpvprop::kDisplayWidth, EngineStat::Width},
        {mpvprop::kDisplayHeight, EngineStat::Height},
        {mpvprop::kContainerFps, EngineStat::FrameRate},
        {mpvprop::kVideoBitrate, EngineStat::VideoBitrate},
        {mpvprop::kAudioBitrate, EngineStat::AudioBitrate},
        {mpvprop::kSampleRate, EngineStat::SampleRate},
        {mpvprop::kChannelCount, EngineStat::Channels},
        {mpvprop::kFrameDrops, EngineStat::DroppedFrames},
        {mpvprop::kDecoderFrameDrops, EngineStat::DecoderDroppedFrames},
        {mpvprop::kAvsync, EngineStat::AvSync},
        {mpvprop::kMpvVersion, EngineStat::EngineVersion},
        {mpvprop::kFfmpegVersion, EngineStat::DecoderVersion},
    };
    if (load_ == Load::Open)
        stats_.insert(EngineStat::File, fileName_);
    else
        stats_.remove(EngineStat::File);
    if (!usable_) {
        emit StatisticsChanged();
        return;
    }
    const bool open = load_ == Load::Open;
    statsPending_ = int(std::size(kItems));
    for (const Item &item : kItems) {
        const QString key = QString::fromLatin1(item.key);
        mpv_->getProperty(item.property, [this, key, open](int err, const QVariant &v) {
            // Values of a file read while none is open are leftovers: drop them.
            const bool perFile = key != QLatin1String(EngineStat::EngineVersion) &&
                                 key != QLatin1String(EngineStat::DecoderVersion);
            if (err >= 0 && v.isValid() && (open || !perFile))
                stats_.insert(key, v);
            else
                stats_.remove(key);
            if (--statsPending_ == 0)
                emit StatisticsChanged();
        });
    }
}
