#include "core/files/folder_scan.h"

#include "files_test_util.h"

#include <gtest/gtest.h>

#include <QDirIterator>

#include <algorithm>
#include <memory>

using namespace zv;
using zv::test::FileTree;

namespace {

const QString kTypes = QStringLiteral("mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl");

// Paths relative to the tree root, sorted: the file system's order is not ours to fix.
QStringList relative(const FileTree &t, QStringList paths)
{
    for (QString &p : paths)
        p = p.mid(t.root().size() + 1);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The files under `root` in the file system's own depth-first listing order.
QStringList listingOrder(const QString &root)
{
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();) {
        it.next();
        if (it.fileInfo().isFile())
            files.append(it.filePath());
    }
    return files;
}

// A tree with every kind a scan keeps or drops, two levels deep.
void buildMixedTree(const FileTree &t)
{
    t.file("a.avi");
    t.file("b.txt", "{1}{2}napis");
    t.file("c.txt", "tylko tekst");      // unreadable subtitle: dropped
    t.file("d.xyz");                     // unknown: never media in a scan
    t.file("e.m3u", "a.avi");
    t.file("sub/f.mp3");
    t.file("sub/deeper/g.wav");
    t.file("x.m3u/h.avi");               // a folder despite its name
    t.file(QStringLiteral("sub/zażółć gęślą.avi"));
}

} // namespace

TEST(CollectFolderFiles, KeepsKnownKindsWithAndWithoutRecursion)
{
    FileTree t;
    buildMixedTree(t);
    struct Case {
        bool recurse;
        QStringList want;
    };
    const Case cases[] = {
        {true, {"a.avi", "b.txt", "e.m3u", "sub/deeper/g.wav", "sub/f.mp3",
                QStringLiteral("sub/zażółć gęślą.avi"), "x.m3u/h.avi"}},
        {false, {"a.avi", "b.txt", "e.m3u"}},
    };
    for (const Case &c : cases) {
        QStringList found{QStringLiteral("earlier")};
        EXPECT_TRUE(CollectFolderFiles(found, t.root(), c.recurse, kTypes));
        EXPECT_EQ(found.takeFirst(), QStringLiteral("earlier")); // appends, never clears
        EXPECT_EQ(relative(t, found), c.want) << "recurse " << c.recurse;
    }
    // A trailing slash on the folder does not double it in the results.
    QStringList found;
    CollectFolderFiles(found, t.root() + u'/', false, kTypes);
    EXPECT_TRUE(found.contains(t.path("a.avi")));
}

TEST(CollectFolderFiles, SubfolderFilesStayTogetherWhereTheSubfolderIsListed)
{
    FileTree t;
    for (int i = 0; i < 5; ++i) {
        t.file(QStringLiteral("%1.avi").arg(i));
        t.file(QStringLiteral("s/%1.avi").arg(i));
    }
    QStringList found;
    CollectFolderFiles(found, t.root(), true, kTypes);
    ASSERT_EQ(found.size(), 10);
    const QString sub = t.path("s/");
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (found[i].startsWith(sub)) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    EXPECT_EQ(last - first, 4);
}

TEST(CollectFolderFiles, ATreeWalkedOnTwoThreadsKeepsTheListingOrder)
{
    // Enough folders at every level that subfolders are handed to the second thread, taken
    // back and nested; the order must still be the file system's own depth-first listing.
    FileTree t;
    for (int a = 0; a < 6; ++a) {
        t.file(QStringLiteral("%1.avi").arg(a));
        for (int b = 0; b < 4; ++b) {
            t.file(QStringLiteral("d%1/%2.mp3").arg(a).arg(b));
            for (int c = 0; c < 5; ++c)
                t.file(QStringLiteral("d%1/e%2/%3.avi").arg(a).arg(b).arg(c));
        }
    }
    const QStringList want = listingOrder(t.root());
    ASSERT_EQ(want.size(), 6 + 6 * 4 + 6 * 4 * 5);
    for (int run = 0; run < 20; ++run) {
        QStringList found;
        ASSERT_TRUE(CollectFolderFiles(found, t.root(), true, kTypes));
        ASSERT_TRUE(found == want) << "run " << run << ": the files came out in another order";
    }
}

TEST(CollectFolderFiles, ADeepChainOfFoldersComesOutInOrder)
{
    // Each folder holds a file and the next folder: walked on two threads, parts nest as deep
    // as the tree, and joining them must neither recurse that deep nor reorder them.
    FileTree t;
    QString rel;
    for (int depth = 0; depth < 300; ++depth) {
        t.file(rel + QStringLiteral("%1.avi").arg(depth));
        rel += u"d/"_qs;
    }
    const QStringList want = listingOrder(t.root());
    ASSERT_EQ(want.size(), 300);
    QStringList found;
    ASSERT_TRUE(CollectFolderFiles(found, t.root(), true, kTypes));
    EXPECT_TRUE(found == want) << "the files came out in another order";
}

TEST(CollectFolderFiles, LinkLoopsDeadLinksAndSpecialFilesEndCleanly)
{
    FileTree t;
    FileTree outside;
    t.file("a.avi");
    t.file("sub/b.avi");
    t.link("sub/up", t.root());          // loop back to the top
    t.link("sub/self", t.path("sub/self")); // a link to itself
    t.link("dead.avi", t.path("nothing.avi"));
    t.link("linked.avi", t.path("a.avi")); // a link to a file counts as that file
    t.fifo("pipe.avi");
    outside.file("o.mp3");
    t.link("elsewhere", outside.root());
    t.file(QString::fromLatin1("bad\xff.avi"));   // stored as valid UTF-8 by Qt: kept
    // A name that is not valid UTF-8 could never be opened again by name: left out. Qt cannot
    // remove it either, so the test does.
    const QByteArray raw = QFile::encodeName(t.root()) + "/raw\xff.avi";
    FILE *fp = ::fopen(raw.constData(), "w");
    ASSERT_NE(fp, nullptr);
    ::fclose(fp);
    const std::unique_ptr<const char, void (*)(const char *)> unlinkRaw(raw.constData(),
                                                                     [](const char *p) { ::unlink(p); });

    QStringList found;
    EXPECT_TRUE(CollectFolderFiles(found, t.root(), true, kTypes));
    EXPECT_EQ(relative(t, found),
              (QStringList{"a.avi", QString::fromLatin1("bad\xff.avi"), "elsewhere/o.mp3",
                           "linked.avi", "sub/b.avi"}));
}

TEST(CollectFolderFiles, UnreadableSubfolderIsSkipped)
{
    FileTree t;
    t.file("a.avi");
    t.file("locked/b.avi");
    t.file("open/c.avi");
    const zv::test::ScopedPermissions locked(t.path("locked"), QFileDevice::Permissions());
    zv::test::AsUnprivileged user;
    if (!user.ok())
        GTEST_SKIP() << "cannot drop privileges";
    QStringList found;
    EXPECT_TRUE(CollectFolderFiles(found, t.root(), true, kTypes));
    EXPECT_EQ(relative(t, found), (QStringList{"a.avi", "open/c.avi"}));
    // An unreadable folder given directly yields nothing.
    found.clear();
    EXPECT_TRUE(CollectFolderFiles(found, t.path("locked"), true, kTypes));
    EXPECT_TRUE(found.isEmpty());
}

TEST(CollectFolderFiles, CancelStopsEveryEnclosingFolderAndKeepsWhatWasFound)
{
    FileTree t;
    for (int i = 0; i < 30; ++i)
        t.file(QStringLiteral("flat/%1.avi").arg(i));
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            t.file(QStringLiteral("deep/d%1/%2.avi").arg(i).arg(j));

    struct Case {
        const char *folder;
        int cancelAtPoll;
        qsizetype maxFound;
    };
    // Every entry the caller's thread reads is polled: in a flat folder of files, the poll
    // that says "cancel" is the one after that many files. In a tree the second thread also
    // keeps what it found in the subfolders handed to it, one per entry polled at most.
    const Case cases[] = {{"flat", 1, 1}, {"flat", 10, 10}, {"deep", 1, 1 + 10}, {"deep", 5, 5 + 5 * 10}};
    for (const Case &c : cases) {
        int polls = 0;
        ScanHooks hooks;
        hooks.cancelPollInterval = std::chrono::milliseconds(0);
        hooks.cancelRequested = [&] { return ++polls >= c.cancelAtPoll; };
        FolderScan scan(kTypes, hooks);
        QStringList found;
        EXPECT_FALSE(scan.collect(found, t.path(c.folder), true)) << c.folder << c.cancelAtPoll;
        EXPECT_TRUE(scan.cancelled());
        EXPECT_EQ(polls, c.cancelAtPoll) << "nothing is scanned after the cancel";
        EXPECT_LE(found.size(), c.maxFound);
        if (QByteArray(c.folder) == "flat") {
            EXPECT_EQ(found.size(), c.maxFound);
        }
        // A cancelled expansion scans no further folder.
        EXPECT_FALSE(scan.collect(found, t.path("flat"), true));
        EXPECT_EQ(polls, c.cancelAtPoll);
    }
}

TEST(CollectFolderFiles, ProgressReportsTheRunningCount)
{
    FileTree t;
    for (int i = 0; i < 20; ++i)
        t.file(QStringLiteral("%1.avi").arg(i));
    t.file("skip.xyz");

    QList<qsizetype> counts;
    ScanHooks every;
    every.progressInterval = std::chrono::milliseconds(0);
    every.progress = [&](qsizetype n, qint64) { counts.append(n); };
    QStringList found;
    CollectFolderFiles(found, t.root(), true, kTypes, every);
    ASSERT_EQ(counts.size(), 21);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.last(), 20);
}

TEST(ExpandPathList, ExpandsFoldersLooksUpMissingPathsAndKeepsTheRest)
{
    FileTree t;
    t.file("dir/a.avi");
    t.file("dir/sub/b.avi");
    const QString plain = t.file("notes.xyz"); // kept as written: classification comes later
    const QString moved = t.file("new/place.avi");

    QStringList asked;
    const MovedFileLookup lookup = [&](const QString &p) {
        asked.append(p);
        return p.endsWith(QStringLiteral("place.avi")) ? moved : QString();
    };
    const QString text = t.path("dir") + "\r\n" + plain + "\r\n\r\n" + plain + QChar(0) + "x\r\n"
        + t.path("old/place.avi")
        + "\r" + t.path("lost.avi") + "\n";

    struct Case {
        bool recurse;
        QStringList want;
    };
    const Case cases[] = {
        {true, {t.path("dir/a.avi"), t.path("dir/sub/b.avi"), plain, moved}},
        {false, {t.path("dir/a.avi"), plain, moved}},
    };
    for (const Case &c : cases) {
        asked.clear();
        QStringList got = ExpandPathList(text, c.recurse, kTypes, lookup);
        // The folder's own order is the file system's; only the sequence of lines is ours.
        std::sort(got.begin(), got.begin() + (c.recurse ? 2 : 1));
        EXPECT_EQ(got, c.want);
        EXPECT_EQ(asked, (QStringList{t.path("old/place.avi"), t.path("lost.avi")}));
    }
    // Without a lookup, missing paths are just dropped.
    EXPECT_EQ(ExpandPathList(t.path("lost.avi") + "\r\n" + plain, true, kTypes, {}), QStringList{plain});
}

TEST(ExpandPathList, CancelEndsFolderScansButKeepsLaterPlainPaths)
{
    FileTree t;
    for (int i = 0; i < 5; ++i) {
        t.file(QStringLiteral("one/%1.avi").arg(i));
        t.file(QStringLiteral("two/%1.avi").arg(i));
    }
    const QString plain = t.file("x.avi");
    ScanHooks hooks;
    hooks.cancelPollInterval = std::chrono::milliseconds(0);
    hooks.cancelRequested = [] { return true; };
    const QStringList got = ExpandPathList(t.path("one") + "\r\n" + t.path("two") + "\r\n" + plain,
                                           true, kTypes, {}, hooks);
    ASSERT_EQ(got.size(), 2);
    EXPECT_TRUE(got.first().startsWith(t.path("one/")));
    EXPECT_EQ(got.last(), plain);
}
