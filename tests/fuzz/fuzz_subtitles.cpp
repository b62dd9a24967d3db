// Subtitle files: the content classifier, then every line format's loader on the candidate
// lines (not only the detected one, so each loader meets every kind of line).
// Properties: candidate lines are valid UTF-8 and the kind is the first line's; the time-line
// loader's table comes out sorted by start.

#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"
#include "fuzz/fuzz_support.h"

#include <QString>

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = fuzz::bytesOf(data, size);
    Utf8Lines lines;
    TextEncoding encoding = TextEncoding::Utf8;
    const FileKind kind = detectSubtitleFormatOfBytes(std::move(bytes), lines, &encoding);
    if (lines.isEmpty()) {
        ZV_FUZZ_CHECK(kind == kindUnreadable);
        return 0;
    }
    for (qsizetype i = 0; i < lines.size(); ++i)
        ZV_FUZZ_CHECK(isValidUtf8(lines.line(i)), lines.line(i).toByteArray());
    // SubRip and MPL2 take files the first-line rule fails, and keep every line.
    ZV_FUZZ_CHECK(kind == subtitleFormatOfLine(lines.at(0)) || kind == kindSubRipSubtitle
                  || kind == kindMpl2Subtitle);

    const QStringList asStrings = lines.toStringList();
    for (const SubtitleFormat &format : subtitleFormats()) {
        LoadSettings settings;
        settings.MediaFrameRate = 23.976;
        const LoadResult r = format.parse(Utf8Lines::fromStrings(asStrings), settings);
        if (format.kind != kindTimeSubtitle || r.failed)
            continue;
        const auto rows = r.table.TimeTable();
        for (qsizetype i = 1; i < rows.size(); ++i)
            ZV_FUZZ_CHECK(r.table.start(i - 1) <= r.table.start(i));
    }
    return 0;
}
