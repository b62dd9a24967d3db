#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace zv::test {

// Private freedesktop folders: $XDG_CONFIG_HOME and $XDG_DATA_HOME point into a fresh temporary
// folder while the object lives, so mimeapps.list and desktop entries never touch the user's.
class ScopedXdgHomes {
public:
    ScopedXdgHomes()
    {
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            saved_.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        }
        QDir().mkpath(configHome());
        QDir().mkpath(dataHome() + QStringLiteral("/applications"));
        qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    }
    ~ScopedXdgHomes()
    {
        for (const Saved &s : saved_) {
            if (s.was)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }

    QString configHome() const { return dir_.filePath(QStringLiteral("config")); }
    QString dataHome() const { return dir_.filePath(QStringLiteral("data")); }
    QString mimeApps() const { return configHome() + QStringLiteral("/mimeapps.list"); }
    QString desktopEntry() const { return dataHome() + QStringLiteral("/applications/zentavista.desktop"); }

    void writeMimeApps(const QByteArray &bytes) const { write(mimeApps(), bytes); }
    QByteArray mimeAppsBytes() const { return read(mimeApps()); }
    // Another program's entry, found by xdg-mime through an executable that exists.
    void installOtherApp(const QString &id) const
    {
        write(dataHome() + QStringLiteral("/applications/") + id,
              "[Desktop Entry]\nType=Application\nName=Inny\nExec=/bin/true %f\n");
    }

    // The real `xdg-mime query default <mime>` over these folders only (no system folders,
    // no desktop environment), trimmed; "" when it answers nothing.
    QString xdgMimeDefault(const QString &mime) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION",
                                 "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir_.filePath(QStringLiteral("etc")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), dir_.filePath(QStringLiteral("share")));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

private:
    struct Saved {
        const char *name;
        bool was;
        QByteArray value;
    };
    QTemporaryDir dir_;
    QList<Saved> saved_;
};

} // namespace zv::test
