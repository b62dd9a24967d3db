#include "core/playlist/find_moved_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

// A fake machine: <tmp>/media/{A,B,C} and <tmp>/mnt/D as volumes, <tmp>/prog as the
// program's folder.
class FindMovedFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        for (const char *d : {"media/A", "media/B", "media/C", "mnt/D", "prog"})
            ASSERT_TRUE(QDir(tmp.path()).mkpath(d));
    }
    QString at(const QString &rel) const { return tmp.path() + u'/' + rel; }
    void touch(const QString &rel) const
    {
        const QString p = at(rel);
        QDir().mkpath(QFileInfo(p).path());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString find(const QString &path) const
    {
        return FindMovedFile(path, {at("media"), at("mnt")}, at("prog"));
    }
    QTemporaryDir tmp;
};

} // namespace

TEST_F(FindMovedFileTest, LooksUnderEveryVolumeAndTheProgramFolder)
{
    struct Case {
        const char *name;
        QStringList files;   // created before the lookup
        QString path;        // looked up ("@" stands for the temporary folder)
        QString expected;    // "" = nothing found
    };
    const Case cases[] = {
        {"moved to another volume", {"media/B/Filmy/a.avi"}, "@/media/A/Filmy/a.avi", "media/B/Filmy/a.avi"},
        {"last volume wins", {"media/B/Filmy/a.avi", "mnt/D/Filmy/a.avi"}, "@/media/A/Filmy/a.avi",
         "mnt/D/Filmy/a.avi"},
        {"program folder wins over volumes", {"media/B/Filmy/a.avi", "prog/a.avi"}, "@/media/A/Filmy/a.avi",
         "prog/a.avi"},
        {"path off the volumes keeps its whole path", {"media/C/home/u/x.avi"}, "/home/u/x.avi",
         "media/C/home/u/x.avi"},
        {"windows drive path", {"media/A/Filmy/b.avi", "media/C/Filmy/b.avi"}, "D:\\Filmy\\b.avi",
         "media/C/Filmy/b.avi"},
        {"windows path, bare name in program folder", {"prog/b.avi"}, "e:\\Inne\\b.avi", "prog/b.avi"},
        {"relative path: volume top is not searched", {"media/A/r.avi"}, "r.avi", ""},
        {"relative path: program folder", {"prog/r.avi"}, "sub/r.avi", "prog/r.avi"},
        {"a folder is not a file", {"media/B/Filmy/dir.avi/x"}, "@/media/A/Filmy/dir.avi", ""},
        {"nothing anywhere", {}, "@/media/A/brak.avi", ""},
        {"empty path", {"prog/x"}, "", ""},
        {"polish letters and spaces", {"mnt/D/Zażółć gęślą/jaźń 'x'.avi"}, "@/media/A/Zażółć gęślą/jaźń 'x'.avi",
         "mnt/D/Zażółć gęślą/jaźń 'x'.avi"},
        {"parent references cannot leave the volume", {"media/B/secret"}, "../secret", ""},
        {"NUL cuts nothing short", {"prog/a.avi", "media/B/a.avi"}, QStringLiteral("@/media/A/a.avi") + QChar(0) + "x", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir fresh;
        tmp.swap(fresh);
        SetUp();
        for (const QString &f : c.files)
            touch(f);
        QString path = c.path;
        path.replace(u'@', tmp.path());
        EXPECT_EQ(find(path), c.expected.isEmpty() ? QString() : at(c.expected));
    }
}

TEST_F(FindMovedFileTest, MissingRootsAndProgramFolderAreHarmless)
{
    touch("media/B/a.avi");
    EXPECT_EQ(FindMovedFile(at("media/A/a.avi"), {at("nope"), QString()}, QString()), QString());
    EXPECT_EQ(FindMovedFile(at("media/A/a.avi"), {at("media")}, QString()), at("media/B/a.avi"));
}
