// A stand-in org.freedesktop.ScreenSaver for tests: prints "Inhibit <cookie>" and
// "UnInhibit <cookie>" for every call it gets, and "ready" once it owns the name.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>

#include <cstdio>

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public slots:
    uint Inhibit(const QString &, const QString &)
    {
        std::printf("Inhibit %u\n", ++last_);
        std::fflush(stdout);
        return last_;
    }
    void UnInhibit(uint cookie)
    {
        std::printf("UnInhibit %u\n", cookie);
        std::fflush(stdout);
    }

private:
    uint last_ = 0;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    FakeScreenSaver fake;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &fake,
                            QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "fake_screensaver.moc"
