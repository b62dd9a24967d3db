// Bracket lines: "[mm:ss]text", several tags allowed ("[00:10][01:05]Refren").
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

namespace zv {

namespace {

// Tag k (from 0) sits at the fixed characters 7k..7k+6: "[", two minute digits, ":", two
// second digits, "]". Anything finer after the seconds ("[00:10.50]") is ignored.
constexpr qsizetype kTagWidth = 7;

std::optional<int32_t> tagSecond(QStringView s, qsizetype k)
{
    const qsizetype at = k * kTagWidth;
    const auto minutes = subtitle_text::toInt32(s.sliced(at + 1, 2));
    const auto seconds = subtitle_text::toInt32(s.sliced(at + 4, 2));
    if (!minutes || !seconds || *minutes < 0 || *minutes > 59 || *seconds < 0 || *seconds > 59)
        return std::nullopt;
    return *minutes * 60 + *seconds;
}

} // namespace

LoadResult LoadProc2(QStringList lines, const LoadSettings &settings)
{
    LoadResult result;
    QList<TimeEntry> entries;
    try {
        entries.reserve(lines.size() + 1);
        loader_support::ProgressTicker progress(settings.progress, lines.size());
        QList<int32_t> starts;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            progress.step(i);
            QString &line = lines[i];
            const QStringView s = line;
            const qsizetype tags = s.count(u'[');
            // Tags whose characters run past the end of the line are broken, all at once.
            const qsizetype complete = std::min(tags, (s.size() + 1) / kTagWidth);
            result.unrecognised += tags - complete;
            starts.clear();
            for (qsizetype k = 0; k < complete; ++k) {
                if (const auto second = tagSecond(s, k))
                    starts.append(*second);
                else
                    ++result.unrecognised;
            }
            if (starts.isEmpty()) {
                line = QString();
                continue;
            }
            // The text follows the last "]"; a line without one is all text.
            const QString text = loader_support::takeTail(line, s.lastIndexOf(u']') + 1);
            for (int32_t start : starts)
                entries.append({start, text});
        }
        SortujTekst(entries);
        entries.append({kBracketLinesSentinel, QString()});
    } catch (const std::exception &) { // out of memory on a huge file
        result.failed = true;
    }
    result.table = SubtitleTable::fromTimeTable(std::move(entries));
    result.lists = LadujOpisyDoOpcji(result.table, settings.shift);
    return result;
}

} // namespace zv
