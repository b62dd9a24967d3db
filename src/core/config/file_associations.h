#pragma once

#include "core/config/options_controls.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zv {

// The program's desktop entry id, and the groups of mimeapps.list it reads or writes.
inline constexpr char kDesktopFileName[] = "zentavista.desktop";
inline constexpr char kDefaultApplicationsGroup[] = "Default Applications";
// Our own group: for each MIME type we took over, the user's default before us ("" when the
// user's file had none), so that giving the type up puts it back.
inline constexpr char kPreviousDefaultsGroup[] = "X-Zentavista Previous Defaults";

// A mimeapps.list edited in place: lines that are not changed keep their bytes (line ends,
// comments, other groups, duplicates, lines that are not UTF-8). Keys are case-sensitive and
// blanks around "=" are ignored, as the desktop entry format has it. A key that occurs twice in
// a group reads as its first occurrence, as xdg-mime does; setting or removing it drops the
// later copies so that every reader agrees.
class MimeAppsList {
public:
    explicit MimeAppsList(const QByteArray &bytes = {});
    QByteArray bytes() const;

    std::optional<QString> value(const QString &group, const QString &key) const;
    // Replaces the key's first line (in the first such group) or appends it to the group's
    // end, creating the group at the end of the file. New lines use the file's line end.
    void setValue(const QString &group, const QString &key, const QString &value);
    void remove(const QString &group, const QString &key);
    // Removes a group left with nothing but blank lines, with the blank line before it (the
    // one setValue put there), so that our own group leaves no trace once emptied.
    void removeEmptyGroup(const QString &group);

private:
    struct Line {
        QByteArray text;   // without its line end
        QByteArray end;    // "\n", "\r\n" or "" for a last line without one
    };
    struct Hit {
        qsizetype line;
        QString value;
    };
    QList<Hit> find(const QString &group, const QString &key) const;
    QByteArray newLineEnd() const;

    QList<Line> lines_;
};

// The first desktop id of a "a.desktop;b.desktop;" value.
QString firstDesktopId(const QString &value);
// Every desktop id of such a value, in order, blanks dropped.
QStringList desktopIds(const QString &value);

// The MIME type the desktop gives files with this extension, from the shared MIME database;
// empty when it knows none (then nothing is registered for it).
QString mimeTypeForExtension(const QString &extension);

// Where the user's files are: $XDG_CONFIG_HOME/mimeapps.list and
// $XDG_DATA_HOME/applications/zentavista.desktop (XDG defaults when unset).
QString userMimeAppsPath();
QString userDesktopEntryPath();
// The system data folders ($XDG_DATA_DIRS, default /usr/local/share:/usr/share), whose
// applications/ folders hold the installed desktop entries.
QStringList systemDataDirs();

// The desktop entry id the program's file types are registered under.
struct DesktopIdentity {
    QString id = QLatin1String(kDesktopFileName);
    QString installedEntry;   // path of the installed entry; empty when the program is not installed
    bool installed() const { return !installedEntry.isEmpty(); }
};
// The installed entry whose Exec starts `program` (the same file after links, a bare name found
// through PATH), from the applications/ folders of `dataDirs`; "zentavista.desktop" is tried
// first. Not installed (a build folder, a copied binary): the id of the user entry written for it.
DesktopIdentity desktopIdentity(const QString &program, const QStringList &dataDirs);

// Marks for the extension list: an entry is marked when the user's mimeapps.list makes us the
// default of its MIME type (`id` first, or the program's own id an older version wrote).
QList<bool> associationMarks(const QList<FileTypeEntry> &entries, const MimeAppsList &list,
                             const QString &id = QLatin1String(kDesktopFileName));

// Makes `id` the default of each marked entry's MIME type: it goes first and the other
// applications keep their order behind it; the value before is remembered. Each type we hold
// whose entries are all unmarked is given back: our ids leave the value, and what the user had
// before comes back as it was when nothing else changed it since. A type neither wanted nor
// ours is left alone. Types are decided as a whole: "mpg" marked and "mpeg" unmarked both name
// video/mpeg, which stays ours. Returns the MIME types now ours, in list order.
QStringList applyAssociations(const QList<FileTypeEntry> &entries, MimeAppsList &list,
                              const QString &id = QLatin1String(kDesktopFileName));

// The user's desktop entry that opens files with a `program` that is not installed, under the
// program's own id, with the package entry's name, icon and categories. nullopt when the path
// cannot be written into an Exec line (a line break in it).
std::optional<QByteArray> desktopEntry(const QString &program, const QStringList &mimeTypes);
// `path` quoted for an Exec line: double quotes when it holds a reserved character, with the
// string escapes of the entry format on top.
QString desktopExecArgument(const QString &path);
// The program an Exec line starts (its first argument, quotes and escapes undone).
QString desktopExecProgram(const QString &exec);
// True when `bytes` is exactly an entry desktopEntry() writes, so that it may be removed.
bool isGeneratedDesktopEntry(const QByteArray &bytes);

struct RegistrationResult {
    bool ok = true;
    QString error;                 // Polish, for a message box, when !ok
    QStringList unknownExtensions; // entries the MIME database knows no type for
};

// "OK"/"Zastosuj" on "Typy plików". An installed program is registered under its installed
// entry, and an entry an older version wrote in the user's folder (which would shadow it) is
// removed; a program that is not installed gets a user entry while a type is ours. Only the
// user's own files are written, each atomically and only when its content changes. A
// mimeapps.list that exists but cannot be read is not replaced (it would lose the user's
// associations).
RegistrationResult registerFileTypes(const QList<FileTypeEntry> &entries, const QString &program,
                                     const QString &mimeAppsPath, const QString &desktopEntryPath,
                                     const QStringList &dataDirs = systemDataDirs());
// The marks from the user's file; a missing or unreadable file marks nothing. With `program`
// the id is the one it is registered under, otherwise the program's own.
QList<bool> readAssociationMarks(const QList<FileTypeEntry> &entries, const QString &mimeAppsPath,
                                 const QString &program = {},
                                 const QStringList &dataDirs = systemDataDirs());

} // namespace zv
