#include "core/library/subtitle_lookup.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

TSubtitleRecord assoc(const QString &path, const QString &film)
{
    return {lib::bareFileName(path).toString(), QStringLiteral("tmp"), film, QStringLiteral("1 KB"),
            path};
}

TSubtitleDatabase::FileExists existing(const QStringList &files)
{
    const QSet<QString> set(files.begin(), files.end());
    return [set](const QString &p) { return set.contains(p); };
}

} // namespace

TEST(SubtitleLookup, Candidates)
{
    const struct { QString film, dir; QStringList expected; } cases[] = {
        {"/home/ala/Moje Filmy/Big Movie.avi", "",
         {"/home/ala/Moje Filmy/Big Movie.txt", "/home/ala/Moje_Filmy/Big_Movie.txt"}},
        {"/home/ala/Moje Filmy/Big Movie.avi", "/mnt/napisy dir",
         {"/home/ala/Moje Filmy/Big Movie.txt", "/home/ala/Moje_Filmy/Big_Movie.txt",
          "/mnt/napisy dir/Big Movie.txt", "/mnt/napisy_dir/Big_Movie.txt"}},
        {"/f/movie.part1.avi", "/n/", {"/f/movie.part1.txt", "/n/movie.part1.txt"}},
        {"/f/noext", "", {"/f/noext.txt"}},
        {"/f/.hidden", "", {"/f/.hidden.txt"}},
        {"film.avi", "", {"film.txt"}},
        {"", "/n", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(subtitleCandidates(c.film, c.dir), c.expected) << c.film.toStdString();
}

TEST(SubtitleLookup, Order)
{
    const QList<TSubtitleRecord> rows = {
        assoc("/s/gone.txt", "film.avi"),
        assoc("/s/other.txt", "other.avi"),
        assoc("/s/film-pl.txt", "/old/place/FILM.avi"),
        assoc("/s/second.txt", "film.avi"),
        assoc("/s/zolw.txt", "żółw Ąę.AVI"),
        assoc("/s/at.txt", "a@.avi"),
        assoc("/s/none.txt", ""),
        assoc("/s/folder.txt", "/dir/"),
    };
    const struct {
        const char *name;
        QString film;
        QStringList files;
        QString dir;
        QString expected;
    } cases[] = {
        {"database beats the .txt beside the film", "/m/film.avi",
         {"/s/film-pl.txt", "/s/second.txt", "/m/film.txt"}, "", "/s/film-pl.txt"},
        {"case and folder of the film do not matter", "/elsewhere/Film.AVI",
         {"/s/film-pl.txt"}, "", "/s/film-pl.txt"},
        {"Polish letters of either case", "/m/ŻÓŁW ąĘ.avi",
         {"/s/zolw.txt"}, "", "/s/zolw.txt"},
        {"only letters have a case", "/m/a`.avi", {"/s/at.txt"}, "", ""},
        {"a deleted file is passed over for a later row", "/m/film.avi",
         {"/s/second.txt", "/m/film.txt"}, "", "/s/second.txt"},
        {"no existing row falls through to the candidates", "/m/film.avi",
         {"/m/film.txt", "/n/film.txt"}, "/n", "/m/film.txt"},
        {"underscored path when the plain one is missing", "/m y/a b.avi",
         {"/m_y/a_b.txt", "/n/a b.txt"}, "/n", "/m_y/a_b.txt"},
        {"extra folder last", "/m/x.avi", {"/n/x.txt"}, "/n", "/n/x.txt"},
        {"nothing found", "/m/x.avi", {"/m/x.sub", "/m/X.txt", "/m/X.srt"}, "/n", ""},
        {".srt after every .txt candidate", "/m y/x.avi", {"/m y/x.srt", "/n/x.txt"}, "/n", "/n/x.txt"},
        {".srt beside the film before the extra folder's", "/m y/x.avi", {"/m_y/x.srt", "/n/x.srt"}, "/n",
         "/m_y/x.srt"},
        {"no film, no lookup", "", {"/s/none.txt", "/s/folder.txt", ".txt"}, "", ""},
        {"rows without a film name never match", "/m/film.avi", {"/s/none.txt", "/s/folder.txt"},
         "", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TryToFindFile(rows, c.film, c.dir, existing(c.files)), c.expected) << c.name;
}

TEST(SubtitleLookup, Decision)
{
    const QList<TSubtitleRecord> rows = {assoc("/s/a.txt", "film.avi")};
    const auto all = existing({"/s/a.txt"});
    using A = AutoLoadDecision::Action;
    const struct { bool enabled; QString film; bool shown; A action; QString path; } cases[] = {
        {true, "/m/film.avi", false, A::Load, "/s/a.txt"},
        {true, "/m/film.avi", true, A::Load, "/s/a.txt"},
        {true, "/m/none.avi", true, A::SwitchDisplayOff, ""},
        {true, "/m/none.avi", false, A::Nothing, ""},
        {false, "/m/film.avi", true, A::Nothing, ""},
    };
    for (const auto &c : cases) {
        const AutoLoadDecision d = autoLoadTextDecision(rows, c.film, {c.enabled, ""}, c.shown, all);
        EXPECT_EQ(d.action, c.action) << c.film.toStdString();
        EXPECT_EQ(d.path, c.path);
    }
}

TEST(SubtitleLookup, RealFileSystem)
{
    QTemporaryDir tmp;
    const QString films = tmp.filePath("Moje Filmy");
    ASSERT_TRUE(QDir().mkpath(films));
    ASSERT_TRUE(QDir().mkpath(tmp.filePath("Moje_Filmy/Big_Movie.txt")));  // a folder, not a file
    auto touch = [](const QString &p) { QFile f(p); return f.open(QIODevice::WriteOnly); };
    ASSERT_TRUE(QDir().mkpath(tmp.filePath("extra")));
    ASSERT_TRUE(touch(tmp.filePath("extra/Big_Movie.txt")));
    const QString film = films + "/Big Movie.avi";
    EXPECT_EQ(TryToFindFile({}, film, tmp.filePath("extra")), tmp.filePath("extra/Big_Movie.txt"));
    ASSERT_TRUE(touch(films + "/Big Movie.txt"));
    EXPECT_EQ(TryToFindFile({}, film, tmp.filePath("extra")), films + "/Big Movie.txt");
}
