#include "core/common/atomic_file.h"

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
