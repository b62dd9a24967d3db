#include "subs_film.h"

#include "core/media/film_tracks.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <cmath>

extern "C" {
#include <libavutil/log.h>
}

namespace zv::subs {

namespace {

using media::FilmTrack;

// libavformat reports damaged input on standard error in its own words; the tool says it once,
// in the user's language.
void quietLibav()
{
    static const bool done = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)done;
}

QString duration(double seconds)
{
    const auto total = qint64(std::llround(std::max(seconds, 0.0)));
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

const char *kindKey(FilmTrack::Kind k)
{
    switch (k) {
    case FilmTrack::Kind::Video: return "video";
    case FilmTrack::Kind::Audio: return "audio";
    case FilmTrack::Kind::Subtitle: return "subtitle";
    }
    return "";
}

QString kindName(FilmTrack::Kind k, Language l)
{
    switch (k) {
    case FilmTrack::Kind::Video: return tr(l, "obraz", "video");
    case FilmTrack::Kind::Audio: return tr(l, "dźwięk", "audio");
    case FilmTrack::Kind::Subtitle: return tr(l, "napisy", "subtitles");
    }
    return {};
}

} // namespace

bool opensAsFilm(const QString &path)
{
    quietLibav();
    const media::FilmProbe probe = media::probeFilm(path);
    return probe.ok() && !probe.tracks.isEmpty();
}

FilmInfo filmInfo(const QString &path, Language l)
{
    quietLibav();
    FilmInfo r;
    const media::FilmProbe probe = media::probeFilm(path);
    if (!probe.ok()) {
        r.error = probe.error;
        return r;
    }
    r.ok = true;
    r.text = path + u'\n';
    r.text += tr(l, "  format: film\n", "  format: film\n");
    if (probe.durationSeconds > 0)
        r.text += tr(l, "  czas trwania: ", "  duration: ") + duration(probe.durationSeconds) + u'\n';
    QJsonArray tracks;
    for (const FilmTrack &t : probe.tracks) {
        QString line = QStringLiteral("  ") + kindName(t.kind, l) + u' ' + media::trackLabel(t);
        if (t.isDefault)
            line += tr(l, " [domyślna]", " [default]");
        if (t.imageBased)
            line += tr(l, " [obraz: nie do odczytania jako tekst]", " [pictures: cannot be read as text]");
        r.text += line + u'\n';
        QJsonObject j{{"type", kindKey(t.kind)},
                      {"number", t.number},
                      {"stream", t.streamIndex},
                      {"codec", t.codec},
                      {"label", media::trackLabel(t)},
                      {"language", t.language},
                      {"title", t.title},
                      {"default", t.isDefault}};
        if (t.kind == FilmTrack::Kind::Audio)
            j.insert("channels", t.channels);
        if (t.kind == FilmTrack::Kind::Subtitle)
            j.insert("imageBased", t.imageBased);
        tracks.append(j);
    }
    r.json = QJsonObject{{"file", path}, {"format", "film"}, {"tracks", tracks}};
    if (probe.durationSeconds > 0)
        r.json.insert("duration", probe.durationSeconds);
    return r;
}

FilmTrackText filmSubtitles(const QString &path, int track, Language l)
{
    quietLibav();
    FilmTrackText r;
    const media::FilmProbe probe = media::probeFilm(path);
    if (!probe.ok()) {
        r.error = probe.error;
        return r;
    }
    QList<FilmTrack> subtitles, text;
    for (const FilmTrack &t : probe.tracks) {
        if (t.kind == FilmTrack::Kind::Subtitle) {
            subtitles.append(t);
            if (!t.imageBased)
                text.append(t);
        }
    }
    if (track == 0) {
        if (text.size() != 1) {
            r.error = text.isEmpty()
                ? tr(l, "film nie zawiera napisów tekstowych", "the film has no text subtitles")
                : tr(l, "film ma kilka ścieżek napisów; wybierz jedną przez --track (",
                     "the film has several subtitle tracks; choose one with --track (")
                    + tr(l, "zob. zentavista-subs info)", "see zentavista-subs info)");
            return r;
        }
        track = text.first().number;
    }
    if (track >= 1 && track <= subtitles.size())
        r.track = media::trackLabel(subtitles[track - 1]);
    const media::ExtractedSubtitles e = media::extractSubtitleTrack(path, track);
    if (!e.ok()) {
        r.error = e.error;
        return r;
    }
    if (!e.warning.isEmpty())
        r.warnings.append(e.warning);
    if (e.cues == 0) {
        r.error = tr(l, "ścieżka napisów %1 jest pusta", "subtitle track %1 is empty").arg(track);
        return r;
    }
    r.ok = true;
    r.subRip = e.subRip;
    return r;
}

} // namespace zv::subs
