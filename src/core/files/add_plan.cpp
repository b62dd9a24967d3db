#include "core/files/add_plan.h"

namespace zv {

AddPlan PlanAdd(const QList<ClassifiedPath> &paths, int mode, const AddFlags &flags,
                const PlaylistReader &readPlaylist)
{
    AddPlan plan;
    plan.clearFirst = flags.ClearFirst;
    plan.appendAtEnd = flags.AppendAtEnd;
    plan.openFirst = flags.OpenFirst;
    plan.loadSubtitle = flags.LoadSubtitle;
    plan.dropPoint = flags.DropPoint;

    const bool takesMedia = addModeTakesMedia(mode);
    const bool takesSubtitles = addModeTakesSubtitles(mode);
    for (const ClassifiedPath &p : paths) {
        if (isSubtitleKind(p.kind)) {
            if (takesSubtitles)
                plan.subtitles.append(p.path);
        } else if (p.kind == kindPlaylist) {
            if (takesMedia && readPlaylist)
                plan.media.append(readPlaylist(p.path));
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
    const bool recurse = !(hooks.shiftHeld && hooks.shiftHeld());
    const QList<ClassifiedPath> paths =
        ExpandAndClassify(text, recurse, addModeCountsUnknownAsMedia(mode), fileTypes,
                          hooks.findMovedFile, hooks.scan);
    return PlanAdd(paths, mode, flags, hooks.readPlaylist);
}

} // namespace zv
