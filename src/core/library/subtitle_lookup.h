#pragma once

#include "core/library/subtitle_database.h"

#include <QString>
#include <QStringList>

namespace zv {

// The settings the automatic lookup reads (keys AutoLoadText and AutoLoadtextDir).
struct AutoLoadSettings {
    bool autoLoadText = true;
    QString autoLoadtextDir;
};

// The ".txt" files tried for a film, in order: beside the film, the same with every space
// of the whole path turned into "_", then the same two in the extra folder. A candidate
// equal to an earlier one is left out, and so are the extra-folder ones when no folder is
// set (they would name files in whatever the current directory happens to be).
QStringList subtitleCandidates(const QString &filmPath, const QString &autoLoadtextDir);

// The same four with ".srt", tried after every ".txt" one.
QStringList subRipCandidates(const QString &filmPath, const QString &autoLoadtextDir);

// The subtitle file for a film, or empty. First the first row associated with the film's
// bare name (letter case ignored, any folder) whose file exists, then the ".txt" candidates,
// then the ".srt" ones.
QString TryToFindFile(const QList<TSubtitleRecord> &rows, const QString &filmPath,
                      const QString &autoLoadtextDir,
                      const TSubtitleDatabase::FileExists &exists = TSubtitleDatabase::realFileExists);

// What the main window does once a film has opened: load `path` as subtitles (MainAddProc,
// subtitles only, AppendAtEnd and LoadSubtitle set), switch the subtitle display off
// because nothing was found while it was on, or nothing.
struct AutoLoadDecision {
    enum class Action { Nothing, Load, SwitchDisplayOff };
    Action action = Action::Nothing;
    QString path;
};
AutoLoadDecision autoLoadTextDecision(
    const QList<TSubtitleRecord> &rows, const QString &filmPath, const AutoLoadSettings &settings,
    bool subtitlesShown,
    const TSubtitleDatabase::FileExists &exists = TSubtitleDatabase::realFileExists);

} // namespace zv
