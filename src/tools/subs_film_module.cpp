// The module's only export: the table of the film functions. Everything else in it is hidden, so
// its copies of the core never meet the tool's.

#include "subs_film_module.h"
#include "subs_sync.h"

extern "C" __attribute__((visibility("default"))) const zv::subs::FilmModule *zv_subs_film_module()
{
    static const zv::subs::FilmModule module = {
        zv::subs::kFilmModuleVersion, zv::subs::opensAsFilm, zv::subs::filmInfo,
        zv::subs::filmSubtitles,      zv::subs::runSync,
    };
    return &module;
}
