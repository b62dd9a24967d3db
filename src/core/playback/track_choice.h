#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace zv::playback {

// Whether two language tags name the same language: ISO 639-1 and both 639-2 forms of the
// common languages ("pl", "pol"; "de", "ger", "deu"), any letter case.
bool sameLanguage(QStringView a, QStringView b);

// The track to pick for a preference list such as "org,en,pl" (commas, semicolons or spaces
// between entries; "org" is the film's first track): the index into `languages` (the tracks'
// tags in the film's order) of the first match of the earliest entry, -1 when nothing matches.
int preferredTrack(const QStringList &languages, QStringView preferences);

} // namespace zv::playback
