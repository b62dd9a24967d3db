#include "shell/mpris_server.h"

#include "core/playback/slider_math.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMetaMethod>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zv {

const char *const MprisServer::kServiceName = "org.mpris.MediaPlayer2.zentavista";
const char *const MprisServer::kObjectPath = "/org/mpris/MediaPlayer2";

namespace {

constexpr int kThumbRange = 42;   // the volume slider's thumb travel

// The two interfaces as Qt objects: their properties and slots are what the bus object below
// reads, writes and calls.

// org.mpris.MediaPlayer2
class RootAdaptor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)

public:
    RootAdaptor(QObject *holder, MprisServer *server) : QObject(holder), s_(server) {}
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Zentavista"); }
    QString desktopEntry() const { return QStringLiteral("zentavista"); }
    QStringList uriSchemes() const { return {QStringLiteral("file")}; }
    QStringList mimeTypes() const
    {
        return {QStringLiteral("video/x-msvideo"), QStringLiteral("video/mp4"),
                QStringLiteral("video/x-matroska"), QStringLiteral("video/mpeg"),
                QStringLiteral("video/quicktime"), QStringLiteral("video/webm"),
                QStringLiteral("video/x-ms-wmv"), QStringLiteral("audio/mpeg"),
                QStringLiteral("audio/x-wav"), QStringLiteral("audio/x-mpegurl")};
    }

public slots:
    void Raise() { s_->Raise(); }
    void Quit() { s_->Quit(); }

private:
    MprisServer *s_;
};

// org.mpris.MediaPlayer2.Player
class PlayerAdaptor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    PlayerAdaptor(QObject *holder, MprisServer *server) : QObject(holder), s_(server) {}
    QString playbackStatus() const { return s_->playbackStatus(); }
    double rate() const { return s_->rate(); }
    void setRate(double) {}   // the rate menu's steps are the player's rates; the bus only reads
    QVariantMap metadata() const { return s_->metadata(); }
    double volume() const { return s_->volume(); }
    void setVolume(double v) { s_->setVolume(v); }
    qlonglong position() const { return s_->positionUs(); }
    double minimumRate() const { return 0.1; }
    double maximumRate() const { return 4.0; }
    bool canGoNext() const { return s_->canGoNext(); }
    bool canGoPrevious() const { return s_->canGoPrevious(); }
    bool canControl() const { return true; }

public slots:
    void PlayPause() { s_->PlayPause(); }
    void Play() { s_->Play(); }
    void Pause() { s_->Pause(); }
    void Stop() { s_->Stop(); }
    void Next() { s_->Next(); }
    void Previous() { s_->Previous(); }
    void Seek(qlonglong offset) { s_->Seek(offset); }
    void SetPosition(const QDBusObjectPath &track, qlonglong position)
    {
        s_->SetPosition(track.path(), position);
    }
    void OpenUri(const QString &uri) { s_->OpenUri(uri); }

private:
    MprisServer *s_;
};

constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

// What introspection shows: the two interfaces with the types media-key clients expect.
constexpr char kIntrospection[] = R"(  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg name="Offset" type="x" direction="in"/></method>
    <method name="SetPosition">
      <arg name="TrackId" type="o" direction="in"/>
      <arg name="Position" type="x" direction="in"/>
    </method>
    <method name="OpenUri"><arg name="Uri" type="s" direction="in"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
)";

// The player's object on the bus. QtDBus answers a property write of the wrong type with an
// internal error of its own; a client must hear that its arguments were wrong, so this object
// answers every call itself (introspection stays with QtDBus, which asks introspect()).
class BusObject : public QDBusVirtualObject {
public:
    explicit BusObject(MprisServer *server)
        : root_(this, server)
        , player_(this, server)
    {
    }

    QString introspect(const QString &) const override { return QString::fromLatin1(kIntrospection); }

    bool handleMessage(const QDBusMessage &msg, const QDBusConnection &bus) override
    {
        if (msg.type() != QDBusMessage::MethodCallMessage)
            return false;
        QDBusMessage reply;
        if (msg.interface() == QLatin1String(kPropertiesInterface))
            reply = properties(msg);
        else if (msg.interface() == QLatin1String(kRootInterface))
            reply = call(&root_, msg);
        else if (msg.interface() == QLatin1String(kPlayerInterface))
            reply = call(&player_, msg);
        else if (msg.interface().isEmpty())
            reply = call(hasMethod(&player_, msg.member()) ? static_cast<QObject *>(&player_) : &root_, msg);
        else
            return false; // introspection and the peer interface: QtDBus answers them
        if (msg.isReplyRequired())
            bus.send(reply);
        return true;
    }

private:
    QObject *target(const QString &interface)
    {
        if (interface == QLatin1String(kRootInterface))
            return &root_;
        if (interface == QLatin1String(kPlayerInterface))
            return &player_;
        return nullptr;
    }

    static bool hasMethod(const QObject *o, const QString &name)
    {
        const QMetaObject *mo = o->metaObject();
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            if (mo->method(i).methodType() == QMetaMethod::Slot && QLatin1String(mo->method(i).name()) == name)
                return true;
        return false;
    }

    // A slot of the same name whose parameters are exactly the message's argument types.
    static QDBusMessage call(QObject *o, const QDBusMessage &msg)
    {
        const QList<QVariant> args = msg.arguments();
        const QMetaObject *mo = o->metaObject();
        bool named = false;
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
            const QMetaMethod m = mo->method(i);
            if (m.methodType() != QMetaMethod::Slot || QLatin1String(m.name()) != msg.member())
                continue;
            named = true;
            if (m.parameterCount() != args.size() || args.size() > 2)
                continue;
            bool fits = true;
            for (int a = 0; a < args.size(); ++a)
                fits = fits && args[a].metaType() == m.parameterMetaType(a);
            if (!fits)
                continue;
            const auto arg = [&](int a) {
                return a < args.size() ? QGenericArgument(m.parameterMetaType(a).name(), args[a].constData())
                                       : QGenericArgument();
            };
            m.invoke(o, Qt::DirectConnection, arg(0), arg(1));
            return msg.createReply();
        }
        if (named)
            return msg.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("Wrong arguments for %1").arg(msg.member()));
        return msg.createErrorReply(QDBusError::UnknownMethod,
                                    QStringLiteral("No method %1 in %2").arg(msg.member(), msg.interface()));
    }

    QDBusMessage properties(const QDBusMessage &msg)
    {
        const QList<QVariant> args = msg.arguments();
        const QString member = msg.member();
        const QString signature = msg.signature();
        const bool fits = (member == QLatin1String("Get") && signature == QLatin1String("ss")) ||
                          (member == QLatin1String("GetAll") && signature == QLatin1String("s")) ||
                          (member == QLatin1String("Set") && signature == QLatin1String("ssv"));
        if (!fits)
            return msg.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("Wrong arguments for %1").arg(member));
        const QString interface = args.at(0).toString();
        QObject *o = target(interface);
        if (!o)
            return msg.createErrorReply(QDBusError::UnknownInterface,
                                        QStringLiteral("No interface %1").arg(interface));
        const QMetaObject *mo = o->metaObject();
        if (member == QLatin1String("GetAll")) {
            QVariantMap all;
            for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
                all.insert(QString::fromLatin1(mo->property(i).name()), mo->property(i).read(o));
            return msg.createReply(QVariant::fromValue(all));
        }
        const QString name = args.at(1).toString();
        const int index = name.isEmpty() ? -1 : mo->indexOfProperty(name.toUtf8().constData());
        if (index < mo->propertyOffset())
            return msg.createErrorReply(QDBusError::UnknownProperty,
                                        QStringLiteral("No property %1 in %2").arg(name, interface));
        const QMetaProperty p = mo->property(index);
        if (member == QLatin1String("Get"))
            return msg.createReply(QVariant::fromValue(QDBusVariant(p.read(o))));
        if (!p.isWritable())
            return msg.createErrorReply(QDBusError::PropertyReadOnly,
                                        QStringLiteral("Property %1 is read-only").arg(name));
        const QVariant value = args.at(2).value<QDBusVariant>().variant();
        if (value.metaType() != p.metaType())
            return msg.createErrorReply(
                QDBusError::InvalidArgs,
                QStringLiteral("Property %1 takes type %2").arg(name,
                    QString::fromLatin1(QDBusMetaType::typeToSignature(p.metaType()))));
        p.write(o, value);
        return msg.createReply();
    }

    RootAdaptor root_;
    PlayerAdaptor player_;
};

qint64 toUs(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    return qint64(std::llround(seconds * 1e6));
}

} // namespace

MprisServer::MprisServer(PlaybackSession *session, QObject *parent) : QObject(parent), session_(session) {}

void MprisServer::setNavigationSource(std::function<bool()> canGoNext, std::function<bool()> canGoPrevious)
{
    canGoNext_ = std::move(canGoNext);
    canGoPrevious_ = std::move(canGoPrevious);
}

MprisServer::~MprisServer()
{
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QLatin1String(kObjectPath));
        bus.unregisterService(QLatin1String(kServiceName));
    }
}

bool MprisServer::start()
{
    static bool said = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (!said)
            qInfo("MPRIS: brak magistrali sesji D-Bus, odtwarzacz działa bez sterowania z pulpitu.");
        said = true;
        return false;
    }
    auto *holder = new BusObject(this);
    holder->setParent(this);
    if (!bus.registerVirtualObject(QLatin1String(kObjectPath), holder)
        || !bus.registerService(QLatin1String(kServiceName))) {
        bus.unregisterObject(QLatin1String(kObjectPath));
        if (!said)
            qInfo("MPRIS: nazwa %s jest już zajęta.", kServiceName);
        said = true;
        return false;
    }
    registered_ = true;
    shownPlayer_.clear();
    refresh();
    return true;
}

QString MprisServer::trackId() const
{
    // One id per opened path: a stale id from before another file opened is refused.
    const uint h = qHash(session_->CurrentMediaPath);
    return QStringLiteral("/org/zentavista/track/%1").arg(h);
}

QString MprisServer::playbackStatus() const
{
    MediaEngine *e = session_->engine();
    if (!e)
        return QStringLiteral("Stopped");
    switch (e->PlayState()) {
    case MediaEngine::psPlaying:
    case MediaEngine::psWaiting:
        return QStringLiteral("Playing");
    case MediaEngine::psPaused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QVariantMap MprisServer::metadata() const
{
    QVariantMap m;
    if (session_->CurrentMediaPath.isEmpty()) {
        m.insert(QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return m;
    }
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId())));
    m.insert(QStringLiteral("xesam:title"), QFileInfo(session_->CurrentMediaPath).completeBaseName());
    // A URI, not a path: spaces and letters beyond ASCII percent-encoded.
    m.insert(QStringLiteral("xesam:url"),
             QString::fromLatin1(QUrl::fromLocalFile(session_->CurrentMediaPath).toEncoded()));
    if (MediaEngine *e = session_->engine())
        m.insert(QStringLiteral("mpris:length"), qlonglong(toUs(e->Duration())));
    return m;
}

qint64 MprisServer::positionUs() const
{
    MediaEngine *e = session_->engine();
    if (!e)
        return 0;
    // The engine may read a little past the end after a seek there; the bus never sees a
    // position beyond the length it was told.
    const qint64 position = toUs(e->CurrentPosition());
    const qint64 length = toUs(e->Duration());
    return length > 0 ? std::min(position, length) : position;
}

double MprisServer::volume() const
{
    MediaEngine *e = session_->engine();
    if (!e)
        return 0;
    return double(playback::VolumeSlider::thumbForEngineVolume(e->Volume())) / kThumbRange;
}

void MprisServer::setVolume(double v)
{
    MediaEngine *e = session_->engine();
    if (!e || !std::isfinite(v))
        return;
    const int thumb = int(std::lround(std::clamp(v, 0.0, 1.0) * kThumbRange));
    e->setVolume(playback::VolumeSlider::engineVolumeForThumb(thumb));
    emit volumeChanged();
    refresh();
}

double MprisServer::rate() const
{
    MediaEngine *e = session_->engine();
    return e && e->Rate() > 0 ? e->Rate() : 1.0;
}

bool MprisServer::canGoNext() const
{
    return canGoNext_ && canGoNext_();
}

bool MprisServer::canGoPrevious() const
{
    return canGoPrevious_ && canGoPrevious_();
}

void MprisServer::PlayPause() { emit requested(Request::PlayPause); }
void MprisServer::Play() { emit requested(Request::Play); }
void MprisServer::Pause() { emit requested(Request::Pause); }
void MprisServer::Stop() { emit requested(Request::Stop); }
void MprisServer::Next() { emit requested(Request::Next); }
void MprisServer::Previous() { emit requested(Request::Previous); }

void MprisServer::Seek(qint64 offsetUs)
{
    MediaEngine *e = session_->engine();
    if (!e || e->PlayState() == MediaEngine::psClosed)
        return;
    // In seconds first: ±2^62 µs must not overflow on its way.
    const double length = e->Duration();
    double target = e->CurrentPosition() + double(offsetUs) / 1e6;
    target = std::clamp(target, 0.0, length > 0 ? length : 0.0);
    e->setCurrentPosition(target);
    emitSeeked();
}

void MprisServer::SetPosition(const QString &track, qint64 positionUs)
{
    MediaEngine *e = session_->engine();
    if (!e || e->PlayState() == MediaEngine::psClosed || track != trackId())
        return;
    const double target = double(positionUs) / 1e6;
    if (target < 0 || target > e->Duration())
        return;
    e->setCurrentPosition(target);
    emitSeeked();
}

void MprisServer::OpenUri(const QString &uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile())
        return;
    const QString path = url.toLocalFile();
    if (!QFileInfo(path).isFile())
        return;
    emit openRequested(path);
}

void MprisServer::Raise()
{
    emit raiseRequested();
}

void MprisServer::Quit()
{
    emit quitRequested();
}

void MprisServer::emitSeeked()
{
    if (!registered_)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                     QStringLiteral("org.mpris.MediaPlayer2.Player"),
                                                     QStringLiteral("Seeked"));
    signal << qlonglong(positionUs());
    QDBusConnection::sessionBus().send(signal);
}

void MprisServer::refresh()
{
    if (!registered_)
        return;
    const QVariantMap now{
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("Rate"), rate()},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), canGoPrevious()},
    };
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (shownPlayer_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    shownPlayer_ = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace zv

#include "mpris_server.moc"
