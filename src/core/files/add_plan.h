#pragma once

#include "core/common/file_kind.h"
#include "core/files/folder_scan.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

namespace zv {

// What a call of the one way in for files accepts. The numbers are what callers pass.
enum AddMode : int {
    addModeMedia = 1,             // media and playlist contents to the playlist
    addModeMediaOrUnknown = 11,   // the same, files of unknown extension counting as media
    addModeSubtitles = 2,         // subtitle files to the subtitle list only
    addModeAll = 3,               // both
    addModeAllOrUnknown = 31,     // both, unknown extensions counting as media
};

constexpr bool addModeTakesMedia(int mode)
{
    return mode == addModeMedia || mode == addModeMediaOrUnknown || mode == addModeAll
        || mode == addModeAllOrUnknown;
}
constexpr bool addModeTakesSubtitles(int mode)
{
    return mode == addModeSubtitles || mode == addModeAll || mode == addModeAllOrUnknown;
}
constexpr bool addModeCountsUnknownAsMedia(int mode)
{
    return mode == addModeMediaOrUnknown || mode == addModeAllOrUnknown;
}

struct AddFlags {
    bool ClearFirst = false;   // empty the playlist before adding
    bool AppendAtEnd = true;   // else insert before the entry under DropPoint
    bool OpenFirst = false;    // open the playlist's first entry afterwards
    bool LoadSubtitle = false; // load the last subtitle file of the batch afterwards
    QPoint DropPoint{1, 10000}; // the default for callers without a real drop
};

// Reads a playlist file into the paths it names (moved files already looked up, unusable
// lines dropped). May throw; nothing has been handed on at that point.
using PlaylistReader = std::function<QStringList(const QString &path)>;

// What the caller does with one batch, in this order:
//   1. if callsPlsAddProc(): PlsAddProc(mediaText(), clearFirst, dropPoint, openFirst, appendAtEnd)
//      (which opens entry 0 when openFirst);
//   2. if callsTxtAddProc(): TxtAddProc(subtitleText(), dropPoint, loadSubtitle, appendAtEnd)
//      (which loads subtitleToLoad() when loadSubtitle).
// A batch without media never touches the playlist, even with ClearFirst.
struct AddPlan {
    QStringList media;
    QStringList subtitles;
    QList<FileKind> subtitleKinds;   // the kind each subtitle path was classified as, in order
    bool clearFirst = false;
    bool appendAtEnd = true;
    bool openFirst = false;
    bool loadSubtitle = false;
    QPoint dropPoint{1, 10000};

    // The lists as the CR LF separated texts PlsAddProc and TxtAddProc take.
    QString mediaText() const { return media.join(QStringLiteral("\r\n")); }
    QString subtitleText() const { return subtitles.join(QStringLiteral("\r\n")); }

    bool callsPlsAddProc() const { return !media.isEmpty(); }
    bool callsTxtAddProc() const { return !subtitles.isEmpty(); }
    // The playlist index opened afterwards, or -1.
    int openIndex() const { return callsPlsAddProc() && openFirst ? 0 : -1; }
    // The subtitle file loaded afterwards, or empty.
    QString subtitleToLoad() const
    {
        return callsTxtAddProc() && loadSubtitle ? subtitles.constLast() : QString();
    }
};

// Sorts classified paths into the plan: subtitle kinds to the subtitle list, playlists expanded
// in place through `readPlaylist` and media to the media list (both in batch order), everything
// else ignored; then keeps only what `mode` accepts. Playlists are read only when the mode
// takes media. An unknown mode adds nothing.
// A playlist line naming a playlist is expanded in its place, never kept as an entry (the
// engine is never handed a playlist file); each playlist file is read at most once per batch,
// so playlists that list themselves or each other end, and so does a chain that names the
// same playlist many times over.
AddPlan PlanAdd(const QList<ClassifiedPath> &paths, int mode, const AddFlags &flags,
                const PlaylistReader &readPlaylist);

// The UI-side state and services the whole operation needs.
struct AddHooks {
    std::function<bool()> shiftHeld; // read once at the start: held means no recursion
    ScanHooks scan;                  // Escape and progress during folder scans
    MovedFileLookup findMovedFile;
    PlaylistReader readPlaylist;
};

// Everything of the one way in for files that needs no window: expands `text` (CR LF separated
// paths), classifies every path (unknown extensions count as media in modes 11 and 31) and
// builds the plan. The caller then makes the calls the plan lists.
AddPlan PrepareAdd(const QString &text, int mode, const AddFlags &flags, const QString &fileTypes,
                   const AddHooks &hooks);
// The same over paths already apart: no path is ever split again, so a name holding a line
// break stays one path.
AddPlan PrepareAdd(const QStringList &paths, int mode, const AddFlags &flags, const QString &fileTypes,
                   const AddHooks &hooks);

} // namespace zv
