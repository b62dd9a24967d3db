#pragma once

// Films given to zentavista-subs: their track list for "info" and one subtitle track, read as
// SubRip, for "convert".

#include "subs_help.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace zv::subs {

// A name or a first few bytes that only films have (".mkv", a Matroska or MP4 header, ...):
// such a file is read as a film without trying the subtitle formats on it.
bool isFilmPath(const QString &path);

// Whether libavformat reads `path` as a container with at least one track, for files whose
// names and first bytes do not tell.
bool opensAsFilm(const QString &path);

struct FilmInfo {
    bool ok = false;
    QString error; // Polish, as the core says it
    QString text;  // the report, one line per track
    QJsonObject json;
};
FilmInfo filmInfo(const QString &path, Language language);

struct FilmTrackText {
    bool ok = false;
    QString error;          // why nothing was read
    QStringList warnings;   // what was read despite a fault
    QByteArray subRip;      // UTF-8 SubRip
    QString track;          // "3: polski (SubRip)", for messages
};
// `track` is the subtitle track's number (from 1); 0 picks the film's only text subtitle track.
FilmTrackText filmSubtitles(const QString &path, int track, Language language);

} // namespace zv::subs
