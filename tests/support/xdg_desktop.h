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
// $XDG_DATA_DIRS gets a private system folder in front (for "installed" entries); the real
// ones stay behind it, where the MIME database lives.
class ScopedXdgHomes {
public:
    ScopedXdgHomes()
    {
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
            saved_.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        }
        QDir().mkpath(configHome());
        QDir().mkpath(dataHome() + QStringLiteral("/applications"));
        QDir().mkpath(systemApplications());
        const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
        qputenv("XDG_DATA_DIRS", systemData().toLocal8Bit() + ':'
                                     + (dirs.isEmpty() ? QByteArray("/usr/local/share:/usr/share") : dirs));
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
    QString systemData() const { return dir_.filePath(QStringLiteral("share")); }
    QString systemApplications() const { return systemData() + QStringLiteral("/applications"); }

    void writeMimeApps(const QByteArray &bytes) const { write(mimeApps(), bytes); }
    QByteArray mimeAppsBytes() const { return read(mimeApps()); }
    // Another program's entry, found by xdg-mime through an executable that exists.
    void installOtherApp(const QString &id) const
    {
        write(dataHome() + QStringLiteral("/applications/") + id,
              "[Desktop Entry]\nType=Application\nName=Inny\nExec=/bin/true %f\n");
    }
    // An entry installed by a package, under the private system folder ("kde/x.desktop" has
    // the id "kde-x.desktop").
    void installSystemEntry(const QString &relativePath, const QString &exec) const
    {
        const QString path = systemApplications() + QLatin1Char('/') + relativePath;
        QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
        write(path, "[Desktop Entry]\nType=Application\nName=Zentavista\nExec=" + exec.toUtf8()
                        + "\nMimeType=video/x-msvideo;\n");
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
        env.insert(QStringLiteral("XDG_DATA_DIRS"), systemData());
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
