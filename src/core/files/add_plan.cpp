#include "core/files/add_plan.h"

#include "core/common/text_codec.h"
#include "core/files/get_typ.h"

#include <QFileInfo>
#include <QSet>

namespace zv {

namespace {

// Playlists nested deeper than this are left out; it keeps the recursion's stack small.
constexpr int kMaxPlaylistDepth = 64;

// Appends what the playlist at `path` names, playlists among its lines expanded in their place.
// `read` holds every playlist read in this batch, by the file it resolves to.
void expandPlaylist(const QString &path, const PlaylistReader &readPlaylist, QSet<QString> &read,
                    QStringList &media, int depth)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString key = canonical.isEmpty() ? path : canonical;
    if (depth >= kMaxPlaylistDepth || read.contains(key))
        return;
    read.insert(key);
    for (QString &line : readPlaylist(path)) {
        if (hasPlaylistExtension(line))
            expandPlaylist(line, readPlaylist, read, media, depth + 1);
        else
            media.append(std::move(line));
    }
}

} // namespace

AddPlan PlanAdd(const QList<ClassifiedPath> &paths, int mode, const AddFlags &flags,
                const PlaylistReader &readPlaylist)
{
    AddPlan plan;
    plan.clearFirst = flags.ClearFirst;
    plan.appendAtEnd = flags.AppendAtEnd;
    plan.openFirst = flags.OpenFirst;
    plan.loadSubtitle = flags.LoadSubtitle;
    plan.dropPoint = flags.DropPoint;

    QSet<QString> playlistsRead;
    const bool takesMedia = addModeTakesMedia(mode);
    const bool takesSubtitles = addModeTakesSubtitles(mode);
    for (const ClassifiedPath &p : paths) {
        if (isSubtitleKind(p.kind)) {
            if (takesSubtitles) {
                plan.subtitles.append(p.path);
                plan.subtitleKinds.append(p.kind);
            }
        } else if (p.kind == kindPlaylist) {
            if (takesMedia && readPlaylist)
                expandPlaylist(p.path, readPlaylist, playlistsRead, plan.media, 0);
        } else if (p.kind == kindMedia) {
            if (takesMedia)
                plan.media.append(p.path);
        }
    }
    return plan;
}

AddPlan PrepareAdd(const QString &text, int mode, const AddFlags &flags, const QString &fileTypes,
                   const AddHooks &hooks)
{
    return PrepareAdd(splitLines(text), mode, flags, fileTypes, hooks);
}

AddPlan PrepareAdd(const QStringList &paths, int mode, const AddFlags &flags, const QString &fileTypes,
                   const AddHooks &hooks)
{
    const bool recurse = !(hooks.shiftHeld && hooks.shiftHeld());
    const QList<ClassifiedPath> classified =
        ExpandAndClassify(paths, recurse, addModeCountsUnknownAsMedia(mode), fileTypes,
                          hooks.findMovedFile, hooks.scan);
    return PlanAdd(classified, mode, flags, hooks.readPlaylist);
}

} // namespace zv
