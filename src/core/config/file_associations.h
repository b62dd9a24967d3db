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

// The MIME type the desktop gives files with this extension, from the shared MIME database;
// empty when it knows none (then nothing is registered for it).
QString mimeTypeForExtension(const QString &extension);

// Where the user's files are: $XDG_CONFIG_HOME/mimeapps.list and
// $XDG_DATA_HOME/applications/zentavista.desktop (XDG defaults when unset).
QString userMimeAppsPath();
QString userDesktopEntryPath();

// Marks for the extension list: an entry is marked when the user's mimeapps.list makes us the
// default of its MIME type.
QList<bool> associationMarks(const QList<FileTypeEntry> &entries, const MimeAppsList &list);

// Makes us the default of each marked entry's MIME type (remembering the user's previous
// default) and gives back every type we hold whose entries are all unmarked. Types are decided
// as a whole: "mpg" marked and "mpeg" unmarked both name video/mpeg, which stays ours.
// Returns the MIME types now ours, in list order, for the desktop entry.
QStringList applyAssociations(const QList<FileTypeEntry> &entries, MimeAppsList &list);

// The desktop entry that opens files with `program`. It has the installed entry's id, so it
// shadows that one for this user: it keeps its name, icon and categories. nullopt when the path cannot be written
// into an Exec line (a line break in it).
std::optional<QByteArray> desktopEntry(const QString &program, const QStringList &mimeTypes);
// `path` quoted for an Exec line: double quotes when it holds a reserved character, with the
// string escapes of the entry format on top.
QString desktopExecArgument(const QString &path);

struct RegistrationResult {
    bool ok = true;
    QString error;                 // Polish, for a message box, when !ok
    QStringList unknownExtensions; // entries the MIME database knows no type for
};

// "OK"/"Zastosuj" on "Typy plików": writes the desktop entry, then mimeapps.list, each
// atomically and only the user's own files. A mimeapps.list that exists but cannot be read
// is not replaced (it would lose the user's associations).
RegistrationResult registerFileTypes(const QList<FileTypeEntry> &entries, const QString &program,
                                     const QString &mimeAppsPath, const QString &desktopEntryPath);
// The marks from the user's file; a missing or unreadable file marks nothing.
QList<bool> readAssociationMarks(const QList<FileTypeEntry> &entries, const QString &mimeAppsPath);

} // namespace zv
