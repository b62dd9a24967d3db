// SubRip files: the classifier as for a .srt, the SubRip loader on every line, every writer,
// and SubRip written and read again.
// Properties: see checkCueLoad; a SubRip file written from a load reads back with the same
// times for every cue that has text.

#include "core/files/get_typ.h"
#include "fuzz/fuzz_cue_support.h"

#include "core/subtitles/subtitle_text.h"

#include <algorithm>

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Utf8Lines lines;
    TextEncoding encoding = TextEncoding::Utf8;
    const FileKind kind = detectSubtitleFormatOfBytes(fuzz::bytesOf(data, size), lines, &encoding, true);
    if (kind != kindSubRipSubtitle) {
        // Not SubRip: the loader still has to survive the raw lines.
        lines = Utf8Lines();
        const QStringList split = splitLines(QString::fromUtf8(fuzz::bytesOf(data, size)));
        lines = Utf8Lines::fromStrings(split);
    }
    const qsizetype count = lines.size();
    const LoadResult r = LoadSubRip(std::move(lines), {});
    fuzz::checkCueLoad(r, count);
    fuzz::writeEveryFormat(r);

    SubtitleSaveOptions o;
    o.format = SubtitleSaveFormat::Srt;
    const std::vector<SubtitleCue> cues = subtitleCues(r.table, 25);
    const QString written = QString::fromUtf8(formatSubtitles(cues, o).text);
    Utf8Lines again = Utf8Lines::fromStrings(splitLines(written));
    const qsizetype againCount = again.size();
    const LoadResult back = LoadSubRip(std::move(again), {});
    fuzz::checkCueLoad(back, againCount);
    // Lines whose text holds a blank display line or a line that reads as a timing line split
    // on the way back; a file without such texts keeps every cue and time.
    const auto plainPart = [](const QString &part) {
        const QStringView t = subtitle_text::trimmed(part);
        if (t.isEmpty() || part.contains(QLatin1String("-->")))
            return false;
        return std::any_of(t.begin(), t.end(), [](QChar c) { return !c.isDigit(); });
    };
    bool plain = true;
    for (const SubtitleCue &c : cues) {
        for (const QString &part : QString::fromUtf8(c.text).split(u'|'))
            plain = plain && plainPart(part);
    }
    if (plain) {
        const auto a = r.table.FrameTable();
        const auto b = back.table.FrameTable();
        ZV_FUZZ_CHECK(a.size() == b.size());
        for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
            ZV_FUZZ_CHECK(a[i].startFrame == b[i].startFrame && a[i].endFrame == b[i].endFrame);
    }
    return 0;
}
