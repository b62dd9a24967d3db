#include "core/playlist/playlist_rows.h"

#include "core/common/visible_text.h"
#include "core/playlist/playlist.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace zv {

namespace {

const QString kEllipsis = QStringLiteral("...");

// Offsets in `text` where a cut leaves whole characters: after each grapheme cluster.
QList<qsizetype> cutPoints(const QString &text)
{
    QList<qsizetype> points;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() != -1)
        points << finder.position();
    return points;
}

} // namespace

QString FitTextToWidth(const QString &text, int width, const TextWidth &measure)
{
    if (measure(text) <= width)
        return text;
    const QList<qsizetype> points = cutPoints(text);
    // Find the largest number of clusters whose text plus "..." fits; 0 clusters always
    // "fits" (the result is then "..." alone). Wider text never gets narrower as it grows.
    qsizetype lo = 0;
    qsizetype hi = points.size();   // the whole text is known not to fit
    while (hi - lo > 1) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (measure(text.left(points[mid - 1]) + kEllipsis) <= width)
            lo = mid;
        else
            hi = mid;
    }
    return (lo == 0 ? QString() : text.left(points[lo - 1])) + kEllipsis;
}

PlaylistRowLayout layoutPlaylistRow(int index, int count, const TPlaylistEntry &entry, int left, int right,
                                    const TextWidth &measure)
{
    PlaylistRowLayout l;
    const int widest = measure(QString::number(count));
    l.number = QString::number(index + 1) + QLatin1Char('.');
    l.numberRight = left + widest + 10;
    l.time = entry.TimeText;
    l.timeRight = right;
    l.nameLeft = left + widest + 15;
    const int timeWidth = l.time.isEmpty() ? 0 : measure(l.time);
    l.nameWidth = std::max(0, right - left - timeWidth - widest - 20);
    l.name = FitTextToWidth(visibleText(TPlaylist::bareFileName(entry.Path)), l.nameWidth, measure);
    return l;
}

PlaylistRowColors playlistRowColors(bool selected, bool playing)
{
    constexpr unsigned kBlack = 0x000000, kSelected = 0x585858, kLime = 0x00ff00, kWhite = 0xffffff;
    return {selected ? kSelected : kBlack, playing ? kWhite : kLime};
}

} // namespace zv
