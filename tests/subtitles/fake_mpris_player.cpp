// Stand-in media players on the session bus for tests: each name given on the command line
// (org.mpris.MediaPlayer2.<name>) answers Properties.GetAll of the Player interface with the
// status and position set through standard input, one command a line:
//   <name> status Playing|Paused|Stopped     <name> position <microseconds>
//   <name> garbage    (Position becomes a string)     <name> slow <ms>  (answers that late)
// Prints "ready" once every name is owned.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QHash>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

class FakePlayer : public QDBusVirtualObject {
public:
    explicit FakePlayer(QDBusConnection bus) : bus_(bus) {}

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties")
            || message.member() != QLatin1String("GetAll"))
            return false;
        QVariantMap props;
        props.insert(QStringLiteral("PlaybackStatus"), status);
        props.insert(QStringLiteral("Position"), garbage ? QVariant(QStringLiteral("dużo")) : QVariant(position));
        const QDBusMessage reply = message.createReply(QVariant(props));
        if (slowMs > 0) {
            message.setDelayedReply(true);
            QDBusConnection bus = bus_;
            QTimer::singleShot(slowMs, [bus, reply]() mutable { bus.send(reply); });
        } else {
            bus_.send(reply);
        }
        return true;
    }

    QString status = QStringLiteral("Stopped");
    qlonglong position = 0;
    bool garbage = false;
    int slowMs = 0;

private:
    QDBusConnection bus_;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QHash<QString, FakePlayer *> players;
    for (int i = 1; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        auto *player = new FakePlayer(bus);
        if (!bus.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), player)
            || !bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.") + name))
            return 1;
        players.insert(name, player);
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf - 1);
        if (n <= 0) {
            app.quit();
            return;
        }
        for (const QString &line : QString::fromUtf8(buf, n).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList w = line.split(u' ');
            FakePlayer *p = players.value(w.value(0));
            if (!p)
                continue;
            if (w.value(1) == QLatin1String("status"))
                p->status = w.value(2);
            else if (w.value(1) == QLatin1String("position"))
                p->position = w.value(2).toLongLong();
            else if (w.value(1) == QLatin1String("garbage"))
                p->garbage = true;
            else if (w.value(1) == QLatin1String("slow"))
                p->slowMs = w.value(2).toInt();
            std::printf("ok\n");
            std::fflush(stdout);
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
