#include "core/common/atomic_file.h"
#include "support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zv;

TEST(AtomicFile, CreatesFoldersAndReplacesContent)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("a/b/state.ini");
    ASSERT_TRUE(writeFileAtomically(path, "one"));
    ASSERT_TRUE(writeFileAtomically(path, "two"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("two"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(tmp.filePath("a/b")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(AtomicFile, FailureLeavesTheOldFileIntact)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    QTemporaryDir tmp;
    const QString path = tmp.filePath("state.ini");
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0500);
    QString error;
    EXPECT_FALSE(writeFileAtomically(path, "new", &error));
    EXPECT_FALSE(error.isEmpty());
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0700);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
}

TEST(AtomicFile, ReportsAFolderThatCannotBeMade)
{
    QTemporaryDir tmp;
    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(writeFileAtomically(tmp.filePath("file/sub/x.ini"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(AtomicFile, WriterInPiecesCommitsAllOrLeavesTheOldFile)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("out.srt");
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    const auto contents = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("?");
    };
    const auto alone = [&] { return QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"out.srt"}; };
    {
        AtomicFileWriter dropped(path);
        ASSERT_TRUE(dropped.open());
        ASSERT_TRUE(dropped.write("new"));
    }
    EXPECT_EQ(contents(), "old");
    EXPECT_TRUE(alone());
    {
        // A piece that comes back short fails every later one and the commit.
        AtomicFileWriter full(path);
        ASSERT_TRUE(full.open());
        const QByteArray piece(4096, 'x');
        const zv::test::FileSizeLimit limit(6000);
        ASSERT_TRUE(limit.ok());
        EXPECT_TRUE(full.write(piece));
        EXPECT_FALSE(full.write(piece));
        EXPECT_FALSE(full.write("y"));
        QString error;
        EXPECT_FALSE(full.commit(&error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(contents(), "old");
    EXPECT_TRUE(alone());
    AtomicFileWriter pieces(path);
    ASSERT_TRUE(pieces.open());
    for (const char *p : {"a", "bc", "", "def"})
        ASSERT_TRUE(pieces.write(p));
    ASSERT_TRUE(pieces.commit());
    EXPECT_EQ(contents(), "abcdef");
    EXPECT_TRUE(alone());
}
