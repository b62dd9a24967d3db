#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace zv::media {

// One elementary stream of a film as the container describes it. Numbers are per kind and
// start at 1 in stream order, as the engine numbers its audio and subtitle tracks, so "napisy 3"
// in a menu, the status line and `zentavista-subs --track 3` all name the same stream.
struct FilmTrack {
    enum class Kind { Video, Audio, Subtitle };
    Kind kind = Kind::Video;
    int number = 0;          // 1-based among the tracks of the same kind
    int streamIndex = -1;    // the container's stream index (the engine's "ff-index")
    QString codec;           // libavcodec's short name: "subrip", "ass", "ac3", ...
    QString codecLabel;      // for people: "AC-3 5.1", "SubRip", "ASS", "PGS (obraz)"
    QString language;        // ISO 639-2 tag as stored ("pol", "eng"), empty when none
    QString title;           // the container's title tag, empty when none
    int channels = 0;        // audio only
    bool isDefault = false;  // the container's default flag
    bool imageBased = false; // subtitles drawn as pictures (PGS, VobSub, DVB): not loadable
};

struct FilmProbe {
    QList<FilmTrack> tracks;
    double durationSeconds = 0;
    QString error; // Polish, for the user; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads the container's header only (no packets beyond what the demuxer needs to find the
// streams). Thread-safe; meant for a worker thread, takes milliseconds on local files.
FilmProbe probeFilm(const QString &path);

// Progress of a long read: fraction in [0, 1]; return false to cancel (checked at least every
// 100 ms of work).
using ReadProgress = std::function<bool(double fraction)>;

struct ExtractedSubtitles {
    // The track as a SubRip document in UTF-8 (cue numbers, times, text with <i>/<b> kept, other
    // markup stripped, "\N" as a line break), ready for the SubRip loader.
    QByteArray subRip;
    qsizetype cues = 0;
    bool cancelled = false;
    QString error; // Polish, for the user; empty on success (a partial read of a truncated film
                   // still returns the cues read and sets `warning`)
    QString warning;
    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Reads one text subtitle track (number = FilmTrack::number among subtitle tracks), discarding
// every other stream at the demuxer. Text in Windows-1250 is detected and converted as for
// subtitle files; invalid UTF-8 never reaches the result.
ExtractedSubtitles extractSubtitleTrack(const QString &path, int subtitleNumber,
                                        const ReadProgress &progress = {});

// "polski", "angielski", ... for an ISO 639-2/639-1 tag; the tag itself when unknown.
QString languageName(const QString &tag);

// "2: polski — Lektor (AC-3 5.1)": how menus and the status line name a track.
QString trackLabel(const FilmTrack &track);

} // namespace zv::media
