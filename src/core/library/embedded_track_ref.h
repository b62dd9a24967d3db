#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace zv {

// A subtitle track inside a film, as the subtitle database stores it: in the path field, as
// "<film path>#ścieżka=<number>". Readers that know nothing of it see the path of a file that
// does not exist, the state every reader already handles (a moved or deleted subtitle file).
struct EmbeddedTrackRef {
    QString filmPath;
    int number = 0; // 1-based among the film's subtitle tracks
};

QString embeddedTrackPath(const QString &filmPath, int number);
// nullopt for any other path (an ordinary file, a number that is no positive integer).
std::optional<EmbeddedTrackRef> embeddedTrackRef(QStringView path);

} // namespace zv
