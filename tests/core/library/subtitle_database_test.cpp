#include "core/library/subtitle_database.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace zv;

namespace {

TSubtitleRecord row(const QString &path, const QString &film = QString())
{
    return {lib::bareFileName(path).toString(), QStringLiteral("tmp"), film, QStringLiteral("1 KB"),
            path};
}

TSubtitleDatabase dbOf(const QList<TSubtitleRecord> &rows)
{
    TSubtitleDatabase db;
    for (const auto &r : rows)
        db.append(r);
    return db;
}

QStringList pathsOf(const TSubtitleDatabase &db)
{
    QStringList out;
    for (const auto &r : db.rows())
        out << r.FullPath;
    return out;
}

// Kinds by extension, so that the tests need no files: .txt time lines, .sub frame lines,
// .lrc bracket lines, .bad unrecognised, everything else other.
int fakeKind(const QString &path)
{
    if (path.endsWith(".txt")) return 0;
    if (path.endsWith(".sub")) return 1;
    if (path.endsWith(".lrc")) return 2;
    if (path.endsWith(".bad")) return -1;
    return 12;
}

qint64 fakeSize(const QString &) { return 1300000; }

} // namespace

TEST(FormatKilobytes, RoundsUpAndGroupsDigits)
{
    const struct { qint64 bytes; const char *text; } cases[] = {
        {0, "0 KB"},          {1, "1 KB"},          {100, "1 KB"},
        {1023, "1 KB"},       {1024, "1 KB"},       {1025, "2 KB"},
        {1024 * 999, "999 KB"}, {1024 * 1000, "1 000 KB"}, {1300000, "1 270 KB"},
        {qint64(1024) * 1234567, "1 234 567 KB"},   {-1, "0 KB"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatKilobytes(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST(SubtitleDatabase, TxtAddProcMakesRowsOnlyForSubtitleKinds)
{
    TSubtitleDatabase db;
    const auto res = db.TxtAddProc({"/f/a.txt", "/f/b.sub", "/f/c.lrc", "/f/d.bad", "/f/e.avi"},
                                   10000, false, true, fakeKind, fakeSize);
    EXPECT_EQ(res.added, 3);
    EXPECT_TRUE(res.pathToLoad.isEmpty());
    ASSERT_EQ(db.size(), 3);
    EXPECT_EQ(db.at(0), (TSubtitleRecord{"a.txt", "tmp", "", "1 270 KB", "/f/a.txt"}));
    EXPECT_EQ(db.at(1).Format, "mdvd");
    EXPECT_EQ(db.at(2).Format, "lrc");
}

TEST(SubtitleDatabase, TxtAddProcLoadsTheLastPathOfTheBatch)
{
    TSubtitleDatabase db;
    // The last path is handed on even when it made no row, so the loader can report it.
    const auto res = db.TxtAddProc({"/f/a.txt", "/f/x.bad"}, 10000, true, true, fakeKind, fakeSize);
    EXPECT_EQ(res.pathToLoad, "/f/x.bad");
}

TEST(SubtitleDatabase, TxtAddProcInsertsAtTheDropRow)
{
    QList<TSubtitleRecord> rows;
    for (int i = 0; i < 800; ++i)
        rows << row(QStringLiteral("/s/%1.txt").arg(i));
    TSubtitleDatabase big = dbOf(rows);
    big.TxtAddProc({"/n/a.txt", "/n/b.txt"}, 10000, false, false, fakeKind, fakeSize);
    ASSERT_EQ(big.size(), 802);
    // Each row of the batch goes to the same index, so the later one ends up above.
    EXPECT_EQ(big.at(713).FullPath, "/n/b.txt");
    EXPECT_EQ(big.at(714).FullPath, "/n/a.txt");

    TSubtitleDatabase small = dbOf({row("/s/1.txt"), row("/s/2.txt")});
    small.TxtAddProc({"/n/a.txt"}, 10000, false, false, fakeKind, fakeSize);
    EXPECT_EQ(pathsOf(small), (QStringList{"/s/1.txt", "/s/2.txt", "/n/a.txt"}));

    // A point above the first row lands on row 0, never on a negative index.
    TSubtitleDatabase top = dbOf({row("/s/1.txt")});
    top.TxtAddProc({"/n/a.txt"}, -50, false, false, fakeKind, fakeSize);
    EXPECT_EQ(pathsOf(top), (QStringList{"/n/a.txt", "/s/1.txt"}));
}

TEST(SubtitleDatabase, SameFileTwiceKeepsOneRowAndItsAssociation)
{
    TSubtitleDatabase db = dbOf({row("/s/a.txt", "film.avi"), row("/s/b.txt")});
    db.TxtAddProc({"/s/a.txt"}, 10000, false, true, fakeKind, fakeSize);
    ASSERT_EQ(db.size(), 2);
    EXPECT_EQ(db.at(0).FullPath, "/s/a.txt");
    EXPECT_EQ(db.at(0).AssociatedWith, "film.avi");
    EXPECT_EQ(db.at(0).SizeText, "1 KB");  // the older row survives as it was

    // Inserted above the older row, the new row survives and takes the association over.
    QList<TSubtitleRecord> rows;
    for (int i = 0; i < 720; ++i)
        rows << row(QStringLiteral("/s/%1.txt").arg(i));
    rows[716].AssociatedWith = "film.avi";
    TSubtitleDatabase big = dbOf(rows);
    big.TxtAddProc({"/s/716.txt"}, 10000, false, false, fakeKind, fakeSize);
    ASSERT_EQ(big.size(), 720);
    EXPECT_EQ(big.at(713).FullPath, "/s/716.txt");
    EXPECT_EQ(big.at(713).AssociatedWith, "film.avi");
    EXPECT_EQ(big.at(717).FullPath, "/s/717.txt");
}

TEST(SubtitleDatabase, DuplicatePassKeepsTheEarliestRowOfEachPath)
{
    const struct { QStringList paths; QStringList kept; int removed; } cases[] = {
        {{}, {}, 0},
        {{"a", "b", "c"}, {"a", "b", "c"}, 0},
        {{"a", "a", "a", "a"}, {"a"}, 3},
        {{"a", "b", "a", "c", "b", "a"}, {"a", "b", "c"}, 3},
        {{"A", "a", "/x/a", "/y/a"}, {"A", "a", "/x/a", "/y/a"}, 0},  // exact, case-sensitive
        {{"", "a", ""}, {"", "a"}, 1},
    };
    for (const auto &c : cases) {
        QList<TSubtitleRecord> rows;
        for (int i = 0; i < c.paths.size(); ++i)
            rows << row(c.paths[i], QString::number(i));
        TSubtitleDatabase db = dbOf(rows);
        EXPECT_EQ(db.UsunDupliatyWbazieTekstow(), c.removed) << c.paths.join(',').toStdString();
        EXPECT_EQ(pathsOf(db), c.kept);
        // The survivor is the first row of its path, with that row's own fields.
        for (const auto &r : db.rows())
            EXPECT_EQ(r.AssociatedWith.toInt(), c.paths.indexOf(r.FullPath));
    }
}

TEST(SubtitleDatabase, AddingToACleanDatabaseMatchesThePairwiseRule)
{
    // Against the pairwise pass as the list did it, both for rows never checked (full pass)
    // and for rows after a full pass (only the new paths are checked).
    auto pairwise = [](QStringList p) {
        for (qsizetype c = 0; c < p.size(); ++c)
            for (qsizetype i = c + 1; i < p.size();)
                if (p[i] == p[c]) p.removeAt(i); else ++i;
        return p;
    };
    quint32 seed = 777;
    auto next = [&seed](quint32 n) { seed = seed * 1103515245u + 12345u; return (seed >> 16) % n; };
    for (int round = 0; round < 40; ++round) {
        QList<TSubtitleRecord> rows;
        for (int i = 0; i < 30; ++i)
            rows << row(QStringLiteral("/s/%1.txt").arg(next(20)));
        TSubtitleDatabase db = dbOf(rows);
        if (round % 2)
            db.UsunDupliatyWbazieTekstow();
        QStringList model = pathsOf(db);
        for (int batch = 0; batch < 5; ++batch) {
            QStringList paths;
            const int count = 1 + next(round % 4 == 0 ? 12 : 3);  // small batches and hashed ones
            for (int i = 0; i < count; ++i)
                paths << QStringLiteral("/s/%1.txt").arg(next(25));
            const bool append = next(2);
            const int y = 18 + 14 * int(next(40));
            db.TxtAddProc(paths, y, false, append, fakeKind, fakeSize);
            for (const QString &p : paths) {
                if (append || dropRowIndex(y) >= model.size()) model.append(p);
                else model.insert(dropRowIndex(y), p);
            }
            model = pairwise(model);
            ASSERT_EQ(pathsOf(db), model) << round << "/" << batch;
        }
    }
}

TEST(SubtitleDatabase, SkojarzPliki)
{
    const struct {
        const char *name;
        QList<TSubtitleRecord> rows;
        QString film, subtitle;
        QStringList associations;
    } cases[] = {
        {"sets the film and clears it elsewhere",
         {row("/s/a.txt", "film.avi"), row("/s/b.txt"), row("/s/c.txt", "other.avi")},
         "/m/film.avi", "/s/b.txt", {"", "film.avi", "other.avi"}},
        {"no film clears the loaded file's association",
         {row("/s/a.txt", "film.avi"), row("/s/b.txt", "x.avi")},
         "", "/s/a.txt", {"", "x.avi"}},
        {"every row of the same bare name gets the film",
         {row("/c/a/x.txt"), row("/d/b/x.txt", "old.avi"), row("/d/b/y.txt")},
         "/m/film.avi", "/d/b/x.txt", {"film.avi", "film.avi", ""}},
        {"names compare exactly",
         {row("/s/X.txt", "film.avi"), row("/s/x.txt")},
         "/m/film.avi", "/s/x.txt", {"", "film.avi"}},
        {"a subtitle without a row adds none",
         {row("/s/a.txt", "film.avi")},
         "/m/film.avi", "/s/new.txt", {""}},
        {"only the bare film name is stored",
         {row("/s/a.txt")},
         "/very/deep/folder/Film Name.mkv", "/s/a.txt", {"Film Name.mkv"}},
    };
    for (const auto &c : cases) {
        TSubtitleDatabase db = dbOf(c.rows);
        db.SkojarzPliki(c.film, c.subtitle);
        QStringList got;
        for (const auto &r : db.rows())
            got << r.AssociatedWith;
        EXPECT_EQ(got, c.associations) << c.name;
        EXPECT_EQ(db.size(), c.rows.size()) << c.name;
    }
}

TEST(SubtitleDatabase, WindowCommands)
{
    const QList<TSubtitleRecord> rows = {row("/s/0.txt", "f"), row("/s/1.txt", "f"),
                                         row("/s/2.txt", "f"), row("/s/3.txt", "f")};
    TSubtitleDatabase db = dbOf(rows);
    // Unsorted, repeated and out-of-range indices are taken in stride.
    EXPECT_EQ(db.removeRows({2, 0, 2, 9, -1}), 2);
    EXPECT_EQ(pathsOf(db), (QStringList{"/s/1.txt", "/s/3.txt"}));

    db = dbOf(rows);
    db.clearAssociations({3, 1, 42});
    EXPECT_EQ(db.at(0).AssociatedWith, "f");
    EXPECT_EQ(db.at(1).AssociatedWith, "");
    EXPECT_EQ(db.at(3).AssociatedWith, "");

    db = dbOf(rows);
    EXPECT_EQ(db.removeMissing([](const QString &p) { return p.endsWith("1.txt"); }), 3);
    EXPECT_EQ(pathsOf(db), (QStringList{"/s/1.txt"}));

    db = dbOf(rows);
    EXPECT_TRUE(db.associateRow(2, "/pl/Some Film.avi"));
    EXPECT_FALSE(db.associateRow(4, "/pl/x.avi"));
    EXPECT_EQ(db.at(2).AssociatedWith, "Some Film.avi");
    EXPECT_EQ(db.at(1).AssociatedWith, "f");

    EXPECT_EQ(db.fullPathOf(3), std::optional<QString>("/s/3.txt"));
    EXPECT_EQ(db.fullPathOf(4), std::nullopt);
    EXPECT_EQ(db.fullPathOf(-1), std::nullopt);
}
