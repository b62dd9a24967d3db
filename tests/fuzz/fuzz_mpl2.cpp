// MPL2 files: the classifier, the MPL2 loader on every line, every writer, and MPL2 written
// and read again.
// Properties: see checkCueLoad; MPL2 written from a load reads back with the same cues and
// times (deciseconds are exact).

#include "core/files/get_typ.h"
#include "fuzz/fuzz_cue_support.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Utf8Lines lines;
    TextEncoding encoding = TextEncoding::Utf8;
    const FileKind kind = detectSubtitleFormatOfBytes(fuzz::bytesOf(data, size), lines, &encoding);
    if (kind != kindMpl2Subtitle)
        lines = Utf8Lines::fromStrings(splitLines(QString::fromUtf8(fuzz::bytesOf(data, size))));
    const qsizetype count = lines.size();
    const LoadResult r = LoadMpl2(std::move(lines), {});
    fuzz::checkCueLoad(r, count);
    fuzz::writeEveryFormat(r);

    SubtitleSaveOptions o;
    o.format = SubtitleSaveFormat::Mpl2;
    const QString written = QString::fromUtf8(formatSubtitles(subtitleCues(r.table, 25), o).text);
    Utf8Lines again = Utf8Lines::fromStrings(splitLines(written));
    const qsizetype againCount = again.size();
    const LoadResult back = LoadMpl2(std::move(again), {});
    fuzz::checkCueLoad(back, againCount);
    ZV_FUZZ_CHECK(back.unrecognised == 0);
    const auto a = r.table.FrameTable();
    const auto b = back.table.FrameTable();
    ZV_FUZZ_CHECK(a.size() == b.size());
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
        ZV_FUZZ_CHECK(a[i].startFrame == b[i].startFrame && a[i].endFrame == b[i].endFrame);
    return 0;
}
