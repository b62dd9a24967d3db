#include "core/common/atomic_file.h"
#include "support/fifo_reader.h"
#include "support/file_size_limit.h"
#include "support/file_tree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
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
        // The reason, although the failing write got part of its piece out.
        QString error;
        EXPECT_FALSE(full.commit(&error));
        EXPECT_EQ(error.toStdString(), qt_error_string(EFBIG).toStdString());
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

namespace {

mode_t typeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

} // namespace

TEST(AtomicFile, WritesWhatIsNotARegularFileInPlace)
{
    zv::test::FileTree t;
    // A FIFO, also through a link: its reader gets the bytes, and it stays a FIFO.
    const QString fifo = t.fifo(QStringLiteral("fifo"));
    const QString link = t.link(QStringLiteral("link"), fifo);
    for (const QString &target : {fifo, link}) {
        zv::test::FifoReader reader(fifo);
        ASSERT_TRUE(reader.ok());
        QString error;
        EXPECT_TRUE(writeFileAtomically(target, "dla czytelnika", &error)) << error.toStdString();
        EXPECT_EQ(reader.readAll(), "dla czytelnika");
        EXPECT_EQ(typeOf(fifo), mode_t(S_IFIFO));
        EXPECT_EQ(typeOf(link), mode_t(S_IFLNK));
    }
    // A socket cannot be opened as a file: an error, and the socket stays.
    const QString socketPath = t.path(QStringLiteral("socket"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(socketPath);
    ASSERT_LT(size_t(native.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QString error;
    EXPECT_FALSE(writeFileAtomically(socketPath, "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(typeOf(socketPath), mode_t(S_IFSOCK));
    ::close(fd);
    // A character device of its own (the null device's numbers), where one may be made.
    const QString device = t.path(QStringLiteral("null"));
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_TRUE(writeFileAtomically(device, "nic"));
        EXPECT_EQ(typeOf(device), mode_t(S_IFCHR));
    }
}

TEST(AtomicFile, ReplacementKeepsTheModeOfTheOldFile)
{
    zv::test::FileTree t;
    const QString path = t.file(QStringLiteral("a.srt"), "stare");
    for (const mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0444)}) {
        SCOPED_TRACE(mode);
        ::chmod(QFile::encodeName(path).constData(), mode);
        // Others may not replace a file they cannot write; root may, and the file stays as read-only.
        const bool writable = (mode & 0200) || ::geteuid() == 0;
        EXPECT_EQ(writeFileAtomically(path, "nowe"), writable);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
    }
}
