// Frame lines: "{start}{end}text"; an empty end ("{1250}{}text") lasts TextDelay seconds.
#include "core/subtitles/loader_support.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

namespace zv {

namespace {

using loader_support::LineStatus;

struct ParsedFrameLine {
    LineStatus status = LineStatus::Unrecognised;
    int32_t startFrame = 0;
    int32_t endFrame = 0;
    int32_t startSecond = 0;
    qsizetype textFrom = 0;
};

ParsedFrameLine parseFrameLine(QStringView s, double fps, int textDelay)
{
    using subtitle_text::toInt32;
    ParsedFrameLine r;
    if (subtitle_text::isBlank(s)) {
        r.status = LineStatus::Skipped;
        return r;
    }
    const qsizetype b1 = s.indexOf(u'}');
    if (b1 < 0)
        return r;
    const qsizetype b2 = s.indexOf(u'}', b1 + 1);
    if (b2 < 0)
        return r;
    // Each field loses its first character (the "{") whatever it is.
    const QStringView field1 = s.first(b1);
    const QStringView field2 = s.sliced(b1 + 1, b2 - b1 - 1);
    const auto start = field1.isEmpty() ? std::nullopt : toInt32(field1.sliced(1));
    if (!start)
        return r;
    const QStringView endField = field2.isEmpty() ? QStringView() : field2.sliced(1);
    if (endField.isEmpty()) {
        // The end frame must still fit the table's 32 bits; a far start plus the delay is a
        // bad line, not a wrapped-around one.
        const auto end = subtitle_text::roundToRange(double(*start) + double(textDelay) * fps,
                                                     INT32_MIN, INT32_MAX);
        if (!end)
            return r;
        r.endFrame = int32_t(*end);
    } else {
        const auto end = toInt32(endField);
        if (!end)
            return r;
        r.endFrame = *end;
    }
    // fps >= 1, so the second always fits.
    r.startSecond = int32_t(subtitle_text::roundHalfEven(double(*start) / fps));
    r.startFrame = *start;
    r.textFrom = b2 + 1;
    r.status = LineStatus::Ok;
    return r;
}

} // namespace

double effectiveFrameRate(double mediaFrameRate)
{
    return mediaFrameRate >= 1.0 ? mediaFrameRate : 25.0;
}

LoadResult LoadProc1(QStringList lines, const LoadSettings &settings)
{
    LoadResult result;
    QList<FrameEntry> frames;
    QList<TimeEntry> times;
    const double fps = effectiveFrameRate(settings.MediaFrameRate);
    try {
        frames.reserve(lines.size());
        times.reserve(lines.size() + 1);
        loader_support::ProgressTicker progress(settings.progress, lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            progress.step(i);
            QString &line = lines[i];
            const ParsedFrameLine parsed = parseFrameLine(line, fps, settings.TextDelay);
            if (parsed.status == LineStatus::Ok) {
                QString text = loader_support::takeTail(line, parsed.textFrom);
                times.append({parsed.startSecond, text}); // shares the text with the frame entry
                frames.append({parsed.startFrame, parsed.endFrame, std::move(text)});
            } else {
                if (parsed.status == LineStatus::Unrecognised)
                    ++result.unrecognised;
                line = QString();
            }
        }
        times.append({kFrameLinesSentinel, QString()});
    } catch (const std::exception &) { // out of memory on a huge file
        result.failed = true;
    }
    result.table = SubtitleTable::fromFrameTable(std::move(frames), std::move(times));
    result.lists = LadujOpisyDoOpcji(result.table, settings.shift);
    return result;
}

} // namespace zv
