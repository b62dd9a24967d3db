#include "core/config/paths.h"
#include "core/playlist/find_moved_file.h"
#include "core/playlist/playlist.h"
#include "core/playlist/playlist_file.h"
#include "support/file_tree.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace zv;

namespace {

// <root>/films holds real files, <root>/media/{A,B} are volumes, <root>/prog the program's
// folder, <root>/cwd stands for the current directory.
class PlaylistFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *d : {"films", "media/A", "media/B", "prog", "cwd"})
            tree.folder(d);
    }
    QString at(const QString &rel) const { return tree.path(rel); }
    QString touch(const QString &rel) const { return tree.file(rel); }
    void write(const QString &path, const QByteArray &bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytesOf(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    MovedFileFinder finder() const { return MovedFileFinder({at("media")}, at("prog")); }
    PlaylistReadResult read(const QString &file) const { return readPlaylistFile(file, at("cwd"), finder()); }

    zv::test::FileTree tree;
};

} // namespace

TEST_F(PlaylistFileTest, ReaderKeepsExistingAndMovedFilesOnly)
{
    const QString a = touch("films/a.avi");
    const QString odd = touch("films/Zażółć gęślą \"jaźń\" 'x'.avi");
    touch("cwd/rel.avi");
    touch("prog/inprog.avi");
    touch("media/B/Filmy/moved.avi");
    const QString self = at("films/self.zvl");

    struct Case {
        const char *name;
        QByteArray content;   // "@" stands for the temporary folder
        QStringList expected;
    };
    const Case cases[] = {
        {"extended m3u", "#EXTM3U\r\n#EXTINF:123,Tytuł\r\n@/films/a.avi\r\n\r\n#EXTINF:-1,x\r\n@/films/a.avi\r\n",
         {a, a}},
        {"missing lines are dropped silently", "@/films/brak.avi\r\n@/films/a.avi\r\n", {a}},
        {"relative line against the current directory", "rel.avi\r\n../cwd/rel.avi\r\n",
         {at("cwd/rel.avi"), at("cwd/rel.avi")}},
        {"relative line not beside the playlist", "a.avi\r\n", {}},
        {"relative line found in the program folder", "sub/inprog.avi\r\n", {at("prog/inprog.avi")}},
        {"moved to another volume", "@/media/A/Filmy/moved.avi\r\n", {at("media/B/Filmy/moved.avi")}},
        {"windows line of a moved file", "D:\\Filmy\\moved.avi\r\n", {at("media/B/Filmy/moved.avi")}},
        {"folders are dropped", "@/films\r\n@/films/\r\n", {}},
        {"cr-only and lf line ends", "@/films/a.avi\r@/films/a.avi\n@/films/a.avi", {a, a, a}},
        {"a playlist naming itself is an entry, not read again", "@/films/self.zvl\r\n@/films/a.avi\r\n",
         {self, a}},
        {"quotes, spaces and polish letters", "@/films/Zażółć gęślą \"jaźń\" 'x'.avi\r\n", {odd}},
        {"leading space is part of the name", " @/films/a.avi\r\n", {}},
        {"nul inside a line drops that line",
         QByteArray("@/films/a.avi") + '\0' + "junk\r\n@/films/a.avi\r\n", {a}},
        {"empty file", "", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray content = c.content;
        content.replace('@', tree.root().toUtf8());
        write(self, content);
        const PlaylistReadResult r = read(self);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.paths, c.expected);
    }
}

TEST_F(PlaylistFileTest, ReaderDecodesEightBitFiles)
{
    const QString film = touch("films/Źródło łąki.avi");
    const QString list = at("films/pl.m3u");
    QByteArray line = (at("films/") + QStringLiteral("Źródło łąki.avi")).toUtf8();
    // The same path in Windows-1250: Ź = 0x8F, ó = 0xF3, ł = 0xB3, ą = 0xB9.
    QByteArray cp1250 = tree.root().toUtf8() + "/films/\x8Fr\xF3" "d\xB3o \xB3\xB9ki.avi\r\n";
    write(list, cp1250);
    PlaylistReadResult r = read(list);
    EXPECT_EQ(r.paths, QStringList{film});
    EXPECT_EQ(r.encoding, TextEncoding::Windows1250);

    write(list, "\xEF\xBB\xBF" + line + "\r\n");
    r = read(list);
    EXPECT_EQ(r.paths, QStringList{film});
    EXPECT_EQ(r.encoding, TextEncoding::Utf8Bom);
}

// A playlist written in UTF-8 and added to by a Windows-1250 program (or the other way round):
// each line names its file in its own encoding, and the lines not found are counted.
TEST_F(PlaylistFileTest, LinesInTwoEncodingsEachNameTheirFile)
{
    const QString zazolc = touch("films/Zażółć.avi");
    const QString lodz = touch("films/Łódź.avi");
    const QString zuzel = touch("films/żużel żeże.avi");   // its UTF-8 bytes look like ISO-8859-2 "ź"
    const QString podroz = touch("films/PODRÓŻ.avi");      // D3 AF in Windows-1250, valid UTF-8
    touch("media/B/Filmy/moved.avi");
    const auto utf8 = [&](const QString &p) { return p.toUtf8() + "\r\n"; };
    const auto cp1250 = [&](const QString &p) { return encodeText(p, TextEncoding::Windows1250) + "\r\n"; };

    struct Case {
        const char *name;
        QByteArray content;
        QStringList expected;
        qsizetype missing;
    };
    const Case cases[] = {
        {"utf-8 line, then a windows-1250 one", utf8(zazolc) + cp1250(lodz), {zazolc, lodz}, 0},
        {"utf-8 letters do not choose the code page", cp1250(lodz) + utf8(zuzel), {lodz, zuzel}, 0},
        {"a BOM file with a windows-1250 line", "\xEF\xBB\xBF" + utf8(zazolc) + cp1250(lodz), {zazolc, lodz}, 0},
        {"a windows-1250 line that passes for UTF-8", cp1250(lodz) + cp1250(podroz) + utf8(zazolc),
         {lodz, podroz, zazolc}, 0},
        {"missing lines counted, moved ones not",
         "#EXTM3U\r\n\r\n" + utf8(zazolc) + utf8(at("films/brak.avi")) + cp1250(at("films/Brak źle.avi"))
             + utf8(at("media/A/Filmy/moved.avi")) + "nic.avi\r\n" + utf8(at("films")),
         {zazolc, at("media/B/Filmy/moved.avi")}, 4},
    };
    const QString list = at("films/mix.m3u");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write(list, c.content);
        const PlaylistReadResult r = read(list);
        EXPECT_EQ(r.paths, c.expected);
        EXPECT_EQ(r.missing, c.missing);
    }
}

// Upper-case pairs whose Windows-1250 bytes are also valid UTF-8: a file of ASCII and such
// pairs passes for UTF-8, which names files that do not exist.
TEST_F(PlaylistFileTest, WindowsNamesThatPassForUtf8AreKeptOnReadAndSave)
{
    struct Case {
        const char *letters;
        QByteArray cp1250;
    };
    const Case cases[] = {
        {"ÓŻ", "\xD3\xAF"}, {"ÓŚ", "\xD3\x8C"}, {"ÓŹ", "\xD3\x8F"}, {"ĆŚ", "\xC6\x8C"},
    };
    const QString other = touch("films/inny.avi");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.letters);
        const QString film = touch(QStringLiteral("films/PODR%1.avi").arg(QString::fromUtf8(c.letters)));
        const QString list = at("films/pl.m3u");
        write(list, tree.root().toUtf8() + "/films/PODR" + c.cp1250 + ".avi\r\n" + other.toUtf8() + "\r\n");
        PlaylistReadResult r = read(list);
        EXPECT_EQ(r.paths, (QStringList{film, other}));
        EXPECT_EQ(r.encoding, TextEncoding::Windows1250);

        TPlaylist pl;
        pl.PlsAddProc(r.paths, false, true);
        ASSERT_TRUE(SavePlaylist(pl, list));
        EXPECT_EQ(bytesOf(list), (film + "\r\n" + other + "\r\n").toUtf8());
        EXPECT_EQ(read(list).paths, (QStringList{film, other}));
    }

    // When the UTF-8 reading names the existing file, it stays.
    const QString cyrillic = touch(QStringLiteral("films/PODRӯ.avi"));
    const QString list = at("films/utf8.m3u");
    write(list, cyrillic.toUtf8() + "\r\n");
    const PlaylistReadResult r = read(list);
    EXPECT_EQ(r.paths, QStringList{cyrillic});
    EXPECT_EQ(r.encoding, TextEncoding::Utf8);
}

TEST_F(PlaylistFileTest, ReaderSurvivesHostileFiles)
{
    const QString a = touch("films/a.avi");
    const QString list = at("films/bad.zvl");

    // A 1 MB line between two good ones.
    write(list, a.toUtf8() + "\r\n" + QByteArray(1 << 20, 'x') + "\r\n/" + QByteArray(1 << 20, 'y') + "\r\n"
                    + a.toUtf8());
    EXPECT_EQ(read(list).paths, (QStringList{a, a}));

    // Invalid UTF-8 makes it an 8-bit file; the good line still reads.
    write(list, a.toUtf8() + "\r\n/\xFF\xFE\x80.avi\r\n");
    EXPECT_EQ(read(list).paths, QStringList{a});

    // Reading refuses what is not a regular file, without blocking on a FIFO.
    const QString fifo = at("films/fifo.m3u");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &bad : {fifo, at("films"), at("films/none.m3u")}) {
        const PlaylistReadResult r = read(bad);
        EXPECT_FALSE(r.ok) << bad.toStdString();
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_TRUE(r.paths.isEmpty());
    }
}

TEST_F(PlaylistFileTest, HundredThousandEntries)
{
    const QString a = touch("films/a.avi");
    const QString b = touch("films/b.avi");
    const QByteArray lineA = a.toUtf8() + "\r\n", lineB = b.toUtf8() + "\r\n";
    const QByteArray missing = at("films/brak.avi").toUtf8() + "\r\n";
    QByteArray content;
    for (int i = 0; i < 100000; ++i)
        content += i % 10 == 9 ? missing : (i % 2 ? lineA : lineB);
    const QString list = at("films/big.zvl");
    write(list, content);
    const PlaylistReadResult r = read(list);
    ASSERT_EQ(r.paths.size(), 90000);
    EXPECT_EQ(r.paths.mid(0, 3), (QStringList{b, a, b}));
    TPlaylist pl;
    pl.PlsAddProc(r.paths, false, false, 0);   // one batch onto row 0 of an empty list: appended
    EXPECT_EQ(pl.count(), 90000);
    EXPECT_EQ(pl.at(0).Path, b);
}

TEST_F(PlaylistFileTest, SaveWritesPathsWithCrLfAndReadsBack)
{
    const QStringList files{touch("films/a.avi"), touch("films/Zażółć gęślą \"jaźń\" 'x'.avi"),
                            touch("films/#hash.avi"), touch("films/a.avi")};
    TPlaylist pl;
    pl.PlsAddProc(files, false, true);
    pl.DodajCzasDoPlalisty(files[0], 100);
    const QString list = at("out/new.m3u");   // the folder does not exist yet
    QString error;
    ASSERT_TRUE(SavePlaylist(pl, list, &error)) << error.toStdString();
    EXPECT_EQ(bytesOf(list), (files.join("\r\n") + "\r\n").toUtf8()) << "no header, no times, UTF-8";
    EXPECT_EQ(read(list).paths, files);

    TPlaylist empty;
    ASSERT_TRUE(SavePlaylist(empty, list));
    EXPECT_EQ(bytesOf(list), QByteArray());
}

TEST_F(PlaylistFileTest, SaveKeepsTheFileEncodingWhenEveryPathFits)
{
    const QString list = at("films/old.zvl");
    struct Case {
        const char *name;
        QByteArray existing;
        QString path;
        QByteArray expected;
    };
    const Case cases[] = {
        {"windows-1250 stays", "/stary/\xB9.avi\r\n", "/nowy/ł.avi", "/nowy/\xB3.avi\r\n"},
        {"path outside the code page moves to UTF-8", "/stary/\xB9.avi\r\n", "/nowy/日本.avi",
         "/nowy/\xE6\x97\xA5\xE6\x9C\xAC.avi\r\n"},
        {"BOM stays", "\xEF\xBB\xBF/x\r\n", "/nowy/ł.avi", "\xEF\xBB\xBF/nowy/\xC5\x82.avi\r\n"},
        {"utf-8 stays", "/x/\xC5\x82\r\n", "/nowy/ł.avi", "/nowy/\xC5\x82.avi\r\n"},
        // In Windows-1250 "ÓŻ" is D3 AF, valid UTF-8 for another letter: the next read would
        // miss the file.
        {"windows-1250 that would read as UTF-8 moves to UTF-8", "/stary/\xB9.avi\r\n", "/nowy/PODRÓŻ.avi",
         "/nowy/PODR\xC3\x93\xC5\xBB.avi\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write(list, c.existing);
        TPlaylist pl;
        pl.PlsAddProc(QStringList{c.path}, false, true);
        ASSERT_TRUE(SavePlaylist(pl, list));
        EXPECT_EQ(bytesOf(list), c.expected);
    }
}

TEST_F(PlaylistFileTest, SaveFailuresAndUnwritablePaths)
{
    const QString a = touch("films/a.avi");
    TPlaylist pl;
    // A path holding a line break would come back as two other paths; it is left out.
    pl.PlsAddProc(QStringList{a, "/films/x\n/etc/passwd", a}, false, true);
    const QString list = at("films/ok.m3u");
    ASSERT_TRUE(SavePlaylist(pl, list));
    EXPECT_EQ(bytesOf(list), (a + "\r\n" + a + "\r\n").toUtf8());

    // The target's folder is a file; the save fails, says why and touches nothing.
    const QString blocker = touch("films/blocker");
    QString error;
    EXPECT_FALSE(SavePlaylist(pl, blocker + "/x.m3u", &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(SavePlaylist(pl, at("films"), &error)) << "a folder is not replaced";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(at("films")).isDir());
}

TEST_F(PlaylistFileTest, TemporaryPlaylist)
{
    test::ScopedHome home;
    const QString a = touch("films/a.avi");
    const QString b = touch("films/b.avi");
    TPlaylist before;
    before.PlsAddProc(QStringList{b}, false, true);

    // Missing, empty, and naming only missing files: the playlist stays as it is.
    TPlaylist pl = before;
    EXPECT_FALSE(loadTemporaryPlaylist(pl, at("cwd"), finder()));
    write(Paths::tempPlaylist(), "");
    EXPECT_FALSE(loadTemporaryPlaylist(pl, at("cwd"), finder()));
    write(Paths::tempPlaylist(), "/nie/ma.avi\r\n");
    EXPECT_FALSE(loadTemporaryPlaylist(pl, at("cwd"), finder()));
    EXPECT_EQ(pl.paths(), before.paths());

    // Saved at exit, it replaces the playlist at the next start.
    TPlaylist saved;
    saved.PlsAddProc(QStringList{a, b, a}, false, true);
    ASSERT_TRUE(saveTemporaryPlaylist(saved));
    EXPECT_TRUE(loadTemporaryPlaylist(pl, at("cwd"), finder()));
    EXPECT_EQ(pl.paths(), (QStringList{a, b, a}));
    EXPECT_EQ(pl.JumpNameList(), (QStringList{"a.avi", "b.avi", "a.avi"}));

    // Missing at home, found in the program's folder.
    QFile::remove(Paths::tempPlaylist());
    write(at("prog/zentavista.zvl"), b.toUtf8() + "\r\n");
    EXPECT_TRUE(loadTemporaryPlaylist(pl, at("cwd"), finder()));
    EXPECT_EQ(pl.paths(), QStringList{b});
}

// Folders that many lines share are answered from one listing; the answer must be what a
// check of each file gives, links and odd names included.
TEST_F(PlaylistFileTest, CrowdedFoldersAnswerLikeAStatOfEachFile)
{
    for (int i = 0; i < 20; ++i)
        touch(QStringLiteral("films/f%1.avi").arg(i));
    for (int i = 0; i < 500; ++i)   // more entries than a listing is worth for a few lines
        touch(QStringLiteral("big/g%1.avi").arg(i));
    QDir(at("films")).mkdir("dir.avi");
    QFile::link(at("films/f1.avi"), at("films/link.avi"));
    QFile::link(at("films/none.avi"), at("films/dangling.avi"));
    QFile::link(at("films"), at("linkdir"));

    QStringList lines;
    for (int i = 0; i < 24; ++i)   // f20..f23 do not exist
        lines << at(QStringLiteral("films/f%1.avi").arg(i));
    lines << at("films/dir.avi") << at("films/link.avi") << at("films/dangling.avi") << at("films/f1.avi/")
          << at("films/./f2.avi") << at("films//f3.avi") << at("films/../films/f4.avi") << at("films/F5.avi");
    for (int i = 0; i < 10; ++i)
        lines << at(QStringLiteral("linkdir/f%1.avi").arg(i)) << at(QStringLiteral("big/g%1.avi").arg(i * 50));
    lines << at("big/g9999.avi");
    for (int i = 0; i < 10; ++i)   // crowded folders that cannot hold files
        lines << at(QStringLiteral("gone/f%1.avi").arg(i)) << at(QStringLiteral("films/f1.avi/f%1.avi").arg(i));

    QStringList expected;
    for (const QString &l : lines)
        if (QFileInfo(l).isFile())
            expected << l;
    ASSERT_GT(expected.size(), 30);
    const QStringList got = parsePlaylistText(lines.join("\n"), at("cwd"), MovedFileFinder({}, QString()));
    EXPECT_EQ(got, expected);
}
