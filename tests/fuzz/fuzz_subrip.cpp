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
    Utf8Lines lines = fuzz::cueLines(data, size, kindSubRipSubtitle, true);
    const qsizetype count = lines.size();
    const LoadResult r = LoadSubRip(std::move(lines), {});
    fuzz::checkCueLoad(r, count);
    fuzz::writeEveryFormat(r);
    // Lines whose text holds a blank display line or a line that reads as a timing line split
    // on the way back; a file without such texts keeps every cue and time.
    const auto plainPart = [](const QString &part) {
        const QStringView t = subtitle_text::trimmed(part);
        if (t.isEmpty() || part.contains(QLatin1String("-->")))
            return false;
        return std::any_of(t.begin(), t.end(), [](QChar c) { return !c.isDigit(); });
    };
    bool plain = true;
    for (const SubtitleCue &c : subtitleCues(r.table, 25))
        for (const QString &part : QString::fromUtf8(c.text).split(u'|'))
            plain = plain && plainPart(part);
    fuzz::writtenAndReadBack(r, SubtitleSaveFormat::Srt, LoadSubRip, plain);
    return 0;
}
