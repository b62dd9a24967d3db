#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace zv {

// What the program was asked to do at start. Switches are matched as substrings of the
// lower-cased parameter, so one parameter can carry several of them ("/f/a").
struct CommandLine {
    QStringList params;          // the arguments after the program name, up to the first empty one
    QStringList questions;       // the StartQuestion text of each "/q" parameter, in order
    bool CmdFullScreen = false, CmdPanScan = false, CmdAutoPanScan = false;
    std::optional<int> PanScanValue; // from a valid "/p="
};

// Question shown for a bare "/q".
QString defaultStartQuestion();

// True when `param` is read for switches. Native paths are full of "/f", "/a", "/p" and "/q"
// ("/home/jan/filmy/a.avi"), so a parameter that names an existing entry, or whose folder part
// names an existing folder other than the root, is a path only.
bool isSwitchParameter(const QString &param);

CommandLine parseCommandLine(const QStringList &argsAfterProgramName);

// The absolute, normalised path of an existing file or folder. For anything else (a switch, a
// missing file, an empty or malformed text) a path that names no existing entry, so that the
// file entry drops it or looks for it as a moved file.
QString LongPathOf(const QString &param);

// Each LongPathOf(param), one element per parameter: the list the file entry takes. It stays a
// list, so a parameter holding a line break remains one path.
QStringList ParamFilesToList(const QStringList &params);

} // namespace zv
