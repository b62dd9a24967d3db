#include "core/playlist/find_moved_file.h"
#include "support/file_tree.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {

// A fake machine: <root>/media/{A,B,C} and <root>/mnt/D as volumes, <root>/prog as the
// program's folder.
struct Machine {
    Machine()
    {
        for (const char *d : {"media/A", "media/B", "media/C", "mnt/D", "prog"})
            tree.folder(d);
    }
    QString at(const QString &rel) const { return tree.path(rel); }
    QString find(const QString &path) const
    {
        return FindMovedFile(path, {at("media"), at("mnt")}, at("prog"));
    }
    zv::test::FileTree tree;
};

} // namespace

TEST(FindMovedFile, LooksUnderEveryVolumeAndTheProgramFolder)
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
        const Machine m;
        for (const QString &f : c.files)
            m.tree.file(f);
        QString path = c.path;
        path.replace(u'@', m.tree.root());
        EXPECT_EQ(m.find(path), c.expected.isEmpty() ? QString() : m.at(c.expected));
    }
}

TEST(FindMovedFile, MissingRootsAndProgramFolderAreHarmless)
{
    const Machine m;
    m.tree.file("media/B/a.avi");
    EXPECT_EQ(FindMovedFile(m.at("media/A/a.avi"), {m.at("nope"), QString()}, QString()), QString());
    EXPECT_EQ(FindMovedFile(m.at("media/A/a.avi"), {m.at("media")}, QString()), m.at("media/B/a.avi"));
}
