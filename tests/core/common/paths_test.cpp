#include "core/config/paths.h"
#include "support/test_env.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace zv;

TEST(Paths, HomeVariableHoldsAllStateFiles)
{
    test::ScopedHome home;
    EXPECT_EQ(Paths::settingsFile(), home.file("zentavista.ini"));
    EXPECT_EQ(Paths::databaseFile(), home.file("zentavista.zvd"));
    EXPECT_EQ(Paths::tempPlaylist(), home.file("zentavista.zvl"));
}

TEST(Paths, XdgFoldersWithoutHomeVariable)
{
    const QByteArray oldHome = qgetenv("ZENTAVISTA_HOME");
    const QByteArray oldCfg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qunsetenv("ZENTAVISTA_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
    qputenv("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(Paths::settingsFile(), QStringLiteral("/tmp/cfg/zentavista/zentavista.ini"));
    EXPECT_EQ(Paths::databaseFile(), QDir::homePath() + "/.local/share/zentavista/zentavista.zvd");
    qputenv("ZENTAVISTA_HOME", oldHome);
    if (oldHome.isEmpty()) qunsetenv("ZENTAVISTA_HOME");
    qputenv("XDG_CONFIG_HOME", oldCfg);
    if (oldCfg.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", oldData);
    if (oldData.isEmpty()) qunsetenv("XDG_DATA_HOME");
}
