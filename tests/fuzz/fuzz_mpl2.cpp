// MPL2 files: the classifier, the MPL2 loader on every line, every writer, and MPL2 written
// and read again.
// Properties: see checkCueLoad; MPL2 written from a load reads back with the same cues and
// times (deciseconds are exact).

#include "core/files/get_typ.h"
#include "fuzz/fuzz_cue_support.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Utf8Lines lines = fuzz::cueLines(data, size, kindMpl2Subtitle, false);
    const qsizetype count = lines.size();
    const LoadResult r = LoadMpl2(std::move(lines), {});
    fuzz::checkCueLoad(r, count);
    fuzz::writeEveryFormat(r);
    const LoadResult back = fuzz::writtenAndReadBack(r, SubtitleSaveFormat::Mpl2, LoadMpl2, true);
    ZV_FUZZ_CHECK(back.unrecognised == 0);
    return 0;
}
