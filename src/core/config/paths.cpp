#include "core/config/paths.h"

#include <QDir>

namespace zv {

namespace {
QString g_programDir;

QString envDir(const char *name)
{
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString() : QDir::cleanPath(v);
}

QString xdgDir(const char *var, const char *fallbackUnderHome)
{
    QString base = envDir(var);
    // XDG: a relative value is invalid and must be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackUnderHome);
    return base + QStringLiteral("/zentavista");
}
} // namespace

QString Paths::configDir()
{
    const QString home = envDir("ZENTAVISTA_HOME");
    return home.isEmpty() ? xdgDir("XDG_CONFIG_HOME", ".config") : home;
}

QString Paths::dataDir()
{
    const QString home = envDir("ZENTAVISTA_HOME");
    return home.isEmpty() ? xdgDir("XDG_DATA_HOME", ".local/share") : home;
}

QString Paths::settingsFile() { return configDir() + QStringLiteral("/zentavista.ini"); }
QString Paths::databaseFile() { return dataDir() + QStringLiteral("/zentavista.zvd"); }
QString Paths::tempPlaylist() { return dataDir() + QStringLiteral("/zentavista.zvl"); }
QString Paths::programDir() { return g_programDir; }
void Paths::setProgramDir(const QString &dir) { g_programDir = dir; }

} // namespace zv
