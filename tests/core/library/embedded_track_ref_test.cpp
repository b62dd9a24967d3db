#include "core/library/database_file.h"
#include "core/library/embedded_track_ref.h"
#include "core/library/subtitle_database.h"
#include "core/library/subtitle_lookup.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(EmbeddedTrackRef, PathsNameATrackOnlyWhenWholeAndInRange)
{
    const struct {
        const char *path;
        const char *film; // nullptr: no track
        int number;
    } kCases[] = {
        {"/f/film.mkv#ścieżka=3", "/f/film.mkv", 3},
        {"/f/a#ścieżka=1#ścieżka=12", "/f/a#ścieżka=1", 12},
        {"/f/film.mkv#ścieżka=0", nullptr, 0},
        {"/f/film.mkv#ścieżka=", nullptr, 0},
        {"/f/film.mkv#ścieżka=3a", nullptr, 0},
        {"/f/film.mkv#ścieżka=-3", nullptr, 0},
        {"/f/film.mkv#ścieżka=99999999999", nullptr, 0},
        {"#ścieżka=3", nullptr, 0},
        {"/f/napisy.srt", nullptr, 0},
    };
    for (const auto &c : kCases) {
        const std::optional<EmbeddedTrackRef> ref = embeddedTrackRef(QString::fromUtf8(c.path));
        ASSERT_EQ(ref.has_value(), c.film != nullptr) << c.path;
        if (ref) {
            EXPECT_EQ(ref->filmPath, QString::fromUtf8(c.film));
            EXPECT_EQ(ref->number, c.number);
            EXPECT_EQ(embeddedTrackPath(ref->filmPath, ref->number), QString::fromUtf8(c.path));
        }
    }
}

// The row survives the stored file unchanged, and the lookup every reader runs treats it as a
// subtitle file that is gone: the file beside the film is still found.
TEST(EmbeddedTrackRef, StoredRowReadsBackAndCountsAsAMissingFileForTheLookup)
{
    const QString path = embeddedTrackPath(QStringLiteral("/f/film.mkv"), 3);
    TSubtitleDatabase db;
    db.append({QStringLiteral("film.mkv#ścieżka=3"), QStringLiteral("srt"), QStringLiteral("film.mkv"), QString(), path});
    TSubtitleDatabase back;
    const DecodedDatabase decoded = decodeDatabase(encodeDatabase(db), back);
    EXPECT_EQ(decoded.recordsSkipped, 0);
    ASSERT_EQ(back.rows(), db.rows());

    const auto exists = [](const QString &p) { return p == QStringLiteral("/f/film.txt"); };
    EXPECT_EQ(TryToFindFile(back.rows(), QStringLiteral("/f/film.mkv"), QString(), exists), QStringLiteral("/f/film.txt"));
}
