// The finder's candidates: which files of a folder count, and the order of the whole list.
#include "core/library/subtitle_finder.h"
#include "support/file_tree.h"

#include <gtest/gtest.h>

TEST(SubtitleFinder, CandidatesBesideTheFilmInTheFolderAndTheDatabase)
{
    zv::test::FileTree t;
    const QString film = t.file("filmy/Film.avi");
    for (const char *name : {"filmy/b.txt", "filmy/A.lrc", "filmy/x.TXT", "filmy/c.srt", "filmy/sub/d.txt",
                             "napisy/C.txt", "napisy/e.LRC", "baza/z.txt"})
        t.file(QString::fromUtf8(name));
    t.fifo("filmy/potok.txt");
    const QStringList db{t.path("baza/z.txt"), t.path("filmy/b.txt"), t.path("nie/ma.txt")};

    // x.TXT, e.LRC, c.srt and the pipe are not offered; the subfolder is not searched; b.txt stands
    // twice, once found beside the film and once from the database. The list is sorted by the
    // whole path, ignoring letter case.
    EXPECT_EQ(zv::subtitleFinderPaths(film, t.path("napisy"), db),
              (QStringList{t.path("baza/z.txt"), t.path("filmy/A.lrc"), t.path("filmy/b.txt"),
                           t.path("filmy/b.txt"), t.path("napisy/C.txt"), t.path("nie/ma.txt")}));

    // No film and no folder: only the database, whatever the working directory holds.
    EXPECT_EQ(zv::subtitleFinderPaths(QString(), QString(), db).size(), 3);

    QStringList recursive;
    zv::ZnajdzPliki(recursive, t.path("filmy"), true);
    recursive.sort();
    EXPECT_EQ(recursive, (QStringList{t.path("filmy/A.lrc"), t.path("filmy/b.txt"), t.path("filmy/sub/d.txt")}));
}
