#include "subtitles/mpris_position.h"

#include "shell/mpris_server.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QVariantMap>

#include <algorithm>
#include <memory>

namespace zv {

namespace {

const QString kMprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// What one player said: whether it plays, and its position (valid only when it plays).
struct PlayerAnswer {
    bool playing = false;
    qint64 positionUs = 0;
};

PlayerAnswer readAnswer(const QDBusMessage &reply)
{
    PlayerAnswer a;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{sv}"))
        return a;
    const QVariantMap props = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    QVariant status = props.value(QStringLiteral("PlaybackStatus"));
    if (status.canConvert<QDBusVariant>())
        status = status.value<QDBusVariant>().variant();
    a.playing = status.typeId() == QMetaType::QString && status.toString() == QLatin1String("Playing");
    QVariant position = props.value(QStringLiteral("Position"));
    if (position.canConvert<QDBusVariant>())
        position = position.value<QDBusVariant>().variant();
    // The interface says int64 microseconds; anything else is not a position.
    if (position.typeId() == QMetaType::LongLong)
        a.positionUs = position.toLongLong();
    return a;
}

} // namespace

MprisPositionSource::MprisPositionSource(QObject *parent) : QObject(parent) {}

void MprisPositionSource::request()
{
    if (busy_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        emit answered(0);
        return;
    }
    busy_ = true;
    const QDBusMessage list = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(list, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        namesListed(reply.isValid() ? reply.value() : QStringList());
    });
}

void MprisPositionSource::namesListed(const QStringList &names)
{
    QStringList players;
    const QString own = QString::fromLatin1(MprisServer::kServiceName);
    for (const QString &n : names) {
        if (n.startsWith(kMprisPrefix) && n != own)
            players << n;
    }
    // The bus lists names in no particular order; "first" is then the first by name.
    std::sort(players.begin(), players.end());
    if (players.isEmpty()) {
        finish(0);
        return;
    }
    // All players are asked at once; the first playing one in name order wins once every
    // answer (or its time-out) is in.
    struct Round {
        QList<PlayerAnswer> answers;
        int pending = 0;
    };
    auto round = std::make_shared<Round>();
    round->answers.resize(players.size());
    round->pending = int(players.size());
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (int i = 0; i < players.size(); ++i) {
        QDBusMessage getAll = QDBusMessage::createMethodCall(
            players[i], QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
        getAll << kPlayerInterface;
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(getAll, timeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, round, i](QDBusPendingCallWatcher *w) {
                    w->deleteLater();
                    round->answers[i] = readAnswer(w->reply());
                    if (--round->pending > 0)
                        return;
                    for (const PlayerAnswer &a : round->answers) {
                        if (a.playing) {
                            finish(a.positionUs);
                            return;
                        }
                    }
                    finish(0);
                });
    }
}

void MprisPositionSource::finish(qint64 positionUs)
{
    busy_ = false;
    emit answered(positionUs);
}

} // namespace zv
