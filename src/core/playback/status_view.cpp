#include "core/playback/status_view.h"

#include "core/common/visible_text.h"

#include <cmath>

namespace zv::playback {

QString formatClock(double seconds)
{
    if (!(seconds > 0) || std::isinf(seconds)) // NaN, negative, and infinity show as zero
        return QStringLiteral("0:00:00");
    const long long whole = (long long)std::fmod(std::trunc(seconds), 86400.0);
    const int h = int(whole / 3600), m = int(whole / 60 % 60), s = int(whole % 60);
    return QStringLiteral("%1:%2:%3")
        .arg(h)
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

QString timeLabelText(double position, double duration, bool showElapsed)
{
    if (position == -1)
        return QString();
    if (showElapsed)
        return formatClock(position) + QStringLiteral(" / ") + formatClock(duration);
    return QStringLiteral("- ") + formatClock(duration - position);
}

QString bareFileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

namespace {

std::optional<TransportView> transportFor(int playState)
{
    TransportView t;
    switch (playState) {
    case 0: // stopped
        t.playEnabled = true;
        t.stopEnabled = t.stopDown = true;
        t.od1Enabled = t.itemsEnabled = true;
        return t;
    case 1: // paused
    case 2: // playing
        t.playEnabled = t.pauseEnabled = t.stopEnabled = true;
        t.pauseDown = playState == 1;
        t.playDown = playState == 2;
        t.od1Enabled = t.p1Enabled = t.itemsEnabled = true;
        return t;
    case 6: // closed: everything off
        return t;
    default:
        return std::nullopt;
    }
}

std::optional<QString> stateWordFor(int playState, int readyState, bool soundLost)
{
    // A missing sound device is a fact about the output, not an error: said beside the state.
    if (soundLost && playState >= 0 && playState <= 3) {
        if (const auto word = stateWordFor(playState, readyState, false))
            return *word + QStringLiteral(" (bez dźwięku)");
    }
    switch (playState) {
    case 0: return QStringLiteral("Zatrzymany");
    case 1: return QStringLiteral("Pauza");
    case 2: return QStringLiteral("Odtwarzanie...");
    case 3: return QStringLiteral("Czekanie...");
    case 6: return readyState == 1 ? QStringLiteral("Otwieranie...") : QStringLiteral("Zamknięty");
    default: return std::nullopt;
    }
}

} // namespace

StatusView computeStatus(const StatusInput &in)
{
    StatusView v;
    v.transport = transportFor(in.playState);
    v.stateWord = stateWordFor(in.playState, in.readyState, in.soundLost);
    v.playForcedOn = in.playlistCount > 0;
    if (v.playForcedOn && v.transport) {
        v.transport->playEnabled = true;
        v.transport->od1Enabled = true;
    }

    if (in.playlistCount > 1) {
        const int last = in.playlistCount - 1;
        if (in.playlistIndex == last) {
            v.prevEnabled = true;
        } else if (in.playlistIndex != 0) {
            v.prevEnabled = v.nextEnabled = true;
        } else {
            v.nextEnabled = true;
        }
    }

    // Names are shown with their reordering characters made visible: a name may not pass for
    // another one.
    QString sub = visibleText(bareFileName(in.subtitleFile));
    if (!sub.isEmpty())
        sub = QStringLiteral(" (") + sub + QLatin1Char(')');
    v.names = visibleText(bareFileName(in.mediaPath)) + sub;
    v.caption = v.names.isEmpty() ? QStringLiteral("Zentavista")
                                  : v.names + QStringLiteral(" - Zentavista");
    v.namesHint = visibleText(in.mediaPath) + QStringLiteral("\r\n") + visibleText(in.subtitleFile);

    v.pictureEnabled = in.imageWidth != 0;
    v.subtitlesEnabled = !in.subtitleFile.isEmpty();
    v.mediaItemsEnabled = !in.mediaPath.isEmpty();
    v.closeSubtitleEnabled = !in.subtitleFile.isEmpty();
    return v;
}

} // namespace zv::playback
