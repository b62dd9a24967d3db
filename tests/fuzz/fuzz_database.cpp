// The subtitle database file (zvd). Two properties:
//  - whatever rows a file decodes to are written and read back unchanged;
//  - any five fields survive: the input, cut at 0xFF bytes into five pieces read as UTF-8
//    (lossy, so every text is reachable), makes a row that reads back equal.

#include "core/library/database_file.h"
#include "core/library/subtitle_database.h"
#include "fuzz/fuzz_support.h"

using namespace zv;

namespace {

void checkRoundTrip(const TSubtitleDatabase &db)
{
    const QByteArray bytes = encodeDatabase(db);
    TSubtitleDatabase again;
    const DecodedDatabase d = decodeDatabase(bytes, again);
    ZV_FUZZ_CHECK(d.recordsSkipped == 0 && !d.unreadable, bytes);
    ZV_FUZZ_CHECK(again.rows() == db.rows(), bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    TSubtitleDatabase db;
    const DecodedDatabase decoded = decodeDatabase(bytes, db);
    if (!decoded.unreadable)
        checkRoundTrip(db);

    const QList<QByteArray> parts = bytes.split('\xFF');
    TSubtitleRecord row;
    QString *fields[] = {&row.FileName, &row.Format, &row.AssociatedWith, &row.SizeText, &row.FullPath};
    for (qsizetype i = 0; i < 5 && i < parts.size(); ++i)
        *fields[i] = QString::fromUtf8(parts[i]);
    // QString::fromUtf8 drops a leading BOM; put one back where the input had it, as that is
    // one of the texts a field must keep.
    for (qsizetype i = 0; i < 5 && i < parts.size(); ++i) {
        if (parts[i].startsWith("\xEF\xBB\xBF") && !fields[i]->startsWith(QChar(0xFEFF)))
            fields[i]->prepend(QChar(0xFEFF));
    }
    TSubtitleDatabase one;
    one.append(row);
    one.append(TSubtitleRecord{"b.txt", "tmp", "", "1 KB", "/b.txt"});
    checkRoundTrip(one);
    return 0;
}
