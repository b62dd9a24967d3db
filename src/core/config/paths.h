#pragma once

#include <QString>

namespace zv {

// Where the program keeps its state files. $ZENTAVISTA_HOME, when set, holds all three;
// otherwise the settings live under $XDG_CONFIG_HOME/zentavista and the subtitle database
// and temporary playlist under $XDG_DATA_HOME/zentavista (XDG defaults ~/.config and
// ~/.local/share). Folders are not created here; writers create them on first write.
class Paths {
public:
    static QString settingsFile();   // zentavista.ini
    static QString databaseFile();   // zentavista.zvd
    static QString tempPlaylist();   // zentavista.zvl
    static QString configDir();
    static QString dataDir();
    // Folder of the running executable (last place FindMovedFile looks). Empty in tests
    // that never set it.
    static QString programDir();
    static void setProgramDir(const QString &dir);
};

} // namespace zv
