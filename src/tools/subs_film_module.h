#pragma once

// The tool's film reading (FFmpeg) lives in a module loaded only when a film is read: linking
// FFmpeg into the tool would cost every run, --help included, tens of milliseconds of library
// loading. The module exports one C symbol, kFilmModuleEntry, returning this table.

#include "subs_film.h"

#include <QStringList>

#include <cstdio>

namespace zv::subs {

struct FilmModule {
    int version;
    bool (*opensAsFilm)(const QString &path);
    FilmInfo (*filmInfo)(const QString &path, Language language);
    FilmTrackText (*filmSubtitles)(const QString &path, int track, Language language);
    int (*runSync)(const QStringList &args, std::FILE *out, std::FILE *err);
};

inline constexpr int kFilmModuleVersion = 1;
inline constexpr const char *kFilmModuleEntry = "zv_subs_film_module";
inline constexpr const char *kFilmModuleFile = "zentavista-subs-film.so";

} // namespace zv::subs
