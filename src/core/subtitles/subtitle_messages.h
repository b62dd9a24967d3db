#pragma once

#include "core/subtitles/subtitle_loader.h"

#include <QList>
#include <QString>

#include <optional>

namespace zv {

// A message box the main window shows after a subtitle load: text, title and icon.
struct SubtitleMessage {
    enum class Icon { Error, Warning };
    QString text;
    QString title;
    Icon icon = Icon::Error;

    bool operator==(const SubtitleMessage &) const = default;
};

// The message for a classifier code that loads nothing: -2 (unreadable) and -1 (unrecognised);
// nullopt for every other code.
std::optional<SubtitleMessage> classificationMessage(int fileKind);

// The count of unrecognised lines, ending in the format's error tag.
SubtitleMessage unrecognisedLinesMessage(qsizetype count, int errorCode);

// The frame loader's own failure.
SubtitleMessage frameLoaderFailureMessage();

// Any other failure while a subtitle file is loaded.
SubtitleMessage generalLoadFailureMessage();

// The messages a finished load of the given format calls for, in the order they are shown.
QList<SubtitleMessage> loadMessages(const SubtitleFormat &format, const LoadResult &result);

} // namespace zv
