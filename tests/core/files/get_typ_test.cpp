#include "core/files/get_typ.h"

#include "files_test_util.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <fcntl.h>
#include <unistd.h>

using namespace zv;
using zv::test::FileTree;

namespace {

const QString kDefaultTypes = QStringLiteral("mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl");

FileKind typ(const QString &path, bool fallback = false, const QString &types = kDefaultTypes)
{
    Utf8Lines scratch;
    return GetTyp(path, fallback, types, scratch);
}

} // namespace

// Everything decided before the content test: attributes, extensions, folders, fallback.
TEST(GetTyp, ClassifiesByAttributesAndExtension)
{
    FileTree t;
    t.file("film.AVI");
    t.file("a.mp");
    t.file("a.pe");
    t.file("list.M3U", "not a playlist at all");
    t.file("list.zvl");
    t.folder("x.m3u");
    t.folder("plain");
    t.folder("dir.avi");
    t.file("movie.xyz");
    t.file("noext");
    t.file("trailing.");
    t.file("a.mkv");
    t.link("dead.avi", t.path("nowhere.avi"));
    t.link("loop.txt", t.path("loop.txt"));

    struct Case {
        const char *name;
        bool fallback;
        QString types;
        FileKind want;
    };
    const Case cases[] = {
        {"film.AVI", false, kDefaultTypes, kindMedia},
        {"a.mp", false, kDefaultTypes, kindMedia},       // substring of "mp3"
        {"a.pe", false, kDefaultTypes, kindMedia},       // substring of "mpeg"
        {"list.M3U", false, kDefaultTypes, kindPlaylist},
        {"list.zvl", false, QString(), kindPlaylist},    // not taken from the option
        {"x.m3u", false, kDefaultTypes, kindPlaylist},   // before the folder test
        {"plain", false, kDefaultTypes, kindFolder},
        {"dir.avi", true, kDefaultTypes, kindFolder},    // folder before media
        {"movie.xyz", false, kDefaultTypes, kindOther},
        {"movie.xyz", true, kDefaultTypes, kindMedia},
        {"noext", false, kDefaultTypes, kindOther},
        {"noext", true, kDefaultTypes, kindMedia},
        {"a.mkv", false, QStringLiteral("AVI/MKV"), kindMedia}, // option compared lower-cased
        {"a.mkv", false, kDefaultTypes, kindOther},
        {"missing.avi", true, kDefaultTypes, kindMissing},
        {"missing.m3u", false, kDefaultTypes, kindMissing}, // before any extension test
        {"dead.avi", false, kDefaultTypes, kindUnrecognisedSubtitle}, // entry without attributes
        {"loop.txt", false, kDefaultTypes, kindUnrecognisedSubtitle},
    };
    for (const Case &c : cases)
        EXPECT_EQ(typ(t.path(c.name), c.fallback, c.types), c.want) << c.name << " fallback " << c.fallback;

    EXPECT_EQ(typ(QString()), kindMissing);
    // A NUL must not cut the path down to an existing file.
    EXPECT_EQ(typ(t.path("film.AVI") + QChar(0) + QStringLiteral("x")), kindMissing);
    // A lone dot is part of the pattern, so such a file goes to the content test (empty: -2).
    EXPECT_EQ(typ(t.path("trailing.")), kindUnreadable);
}

TEST(GetTyp, SubtitleExtensionsAreMatchedAsSubstringsCaseInsensitively)
{
    FileTree t;
    const QByteArray frame = "{1}{2}x\r\n";
    for (const char *name : {"a.txt", "b.TXT", "c.lrc", "d.Sfl", "e.t", "f.lr", ".txt"})
        EXPECT_EQ(typ(t.file(name, frame)), kindFrameSubtitle) << name;
    // Not in the pattern: ".tx t", ".srt".
    EXPECT_EQ(typ(t.file("g.srt", frame)), kindOther);
    // A media type wins over the pattern when the option lists it.
    EXPECT_EQ(typ(t.file("h.txt", frame), false, QStringLiteral("txt")), kindMedia);
}

// ".srt", ".sub" and ".mpl" are taken whole, and only for the format each one stands for.
TEST(GetTyp, SubtitleNamesOutsideThePatternOnlyForTheirOwnFormat)
{
    // A VobSub .sub: an MPEG pack header, then bytes in which a frame line turns up by chance.
    const QByteArray vobSub = QByteArray("\0\0\x01\xBA\x44\0\x04\0\x04\x01\n", 11) + "{1}{2}x\n";
    struct Case {
        const char *name;
        QByteArray bytes;
        FileKind want;
    };
    const Case cases[] = {
        {"a.sub", "{1}{25}23.976\r\n{30}{50}Tekst\r\n", kindFrameSubtitle},
        {"b.SUB", "\xEF\xBB\xBF\r\n\r\n{30}{50}Tekst\r\n", kindFrameSubtitle},
        {"vobsub.sub", vobSub, kindOther},
        {"comment first.sub", "# napisy\n{30}{50}Tekst\n", kindOther},
        {"subviewer.sub", "[INFORMATION]\n[TITLE]x\n00:00:01.00,00:00:02.00\nA\n", kindOther},
        {"mpl2 in.sub", "[10][20]a\n", kindOther},
        {"c.mpl", "[10][20]a\n[30][]b\n", kindMpl2Subtitle},
        {"bracket lines.mpl", "[00:01]a\n", kindOther},
    };
    FileTree t;
    const FileClassifier classifier(kDefaultTypes);
    for (const Case &c : cases) {
        const QString path = t.file(QString::fromUtf8(c.name), c.bytes);
        Utf8Lines scratch;
        EXPECT_EQ(classifier.classifyExisting(path, false, false, scratch), c.want) << c.name;
        EXPECT_EQ(classifier.kindOfExisting(path, false, false), c.want) << c.name;
        if (c.want == kindOther) {
            EXPECT_EQ(classifier.classifyExisting(path, false, true, scratch), kindMedia) << c.name;
        }
    }
    // A media type listed in the option still wins.
    EXPECT_EQ(typ(t.path("a.sub"), false, QStringLiteral("avi/sub")), kindMedia);
    Utf8Lines scratch;
    ASSERT_EQ(GetTyp(t.path("a.sub"), false, kDefaultTypes, scratch), kindFrameSubtitle);
    EXPECT_EQ(scratch.toStringList(), QStringList({"{1}{25}23.976", "{30}{50}Tekst"}));
}

// Over 1 MB of frame lines whose text `utf8` is valid UTF-8, then `last`: a file read in several
// pieces that turns out not to be UTF-8 only at its end. `expected` is the text of every line
// but the last as the file will be read.
static std::pair<QByteArray, QStringList> largeFileEndingIn(const QByteArray &utf8, const QString &expected,
                                                     const QByteArray &last, const QString &lastExpected)
{
    QByteArray bytes;
    QStringList lines;
    for (int i = 0; bytes.size() <= 1100 * 1024; ++i) {
        const QByteArray head = "{" + QByteArray::number(i) + "}{1}";
        bytes += head + utf8 + "\r\n";
        lines << QString::fromLatin1(head) + expected;
    }
    bytes += "{9}{9}" + last;
    lines << QStringLiteral("{9}{9}") + lastExpected;
    return {bytes, lines};
}

TEST(GetTyp, ContentTestFindsTheFormatOfTheFirstCandidateLine)
{
    struct Case {
        const char *label;
        QByteArray bytes;
        FileKind want;
        QStringList lines; // ScratchLines afterwards
    };
    // A Windows-1250 letter on the last line takes back every earlier line read as UTF-8.
    const auto [lateWindows, lateWindowsLines] =
        largeFileEndingIn("\xC3\xB3", QStringLiteral("Ăł"), "\xB9", QStringLiteral("ą"));
    // ISO-8859-2 letters after 1 MB of ASCII: the letters counted decide the code page.
    const auto [lateIso, lateIsoLines] =
        largeFileEndingIn("abc", QStringLiteral("abc"), "\xB6wiat", QStringLiteral("świat"));
    // After a BOM a stray byte, however late, stays one replaced character.
    const auto [bomStray, bomStrayLines] =
        largeFileEndingIn("\xC5\xBC", QStringLiteral("ż"), "a\xFF", QStringLiteral("a\uFFFD"));
    const Case cases[] = {
        {"8-bit byte on the last line of a large file", lateWindows, kindFrameSubtitle, lateWindowsLines},
        {"first invalid byte after 1 MB", lateIso, kindFrameSubtitle, lateIsoLines},
        {"large BOM file with a stray byte", "\xEF\xBB\xBF" + bomStray, kindFrameSubtitle, bomStrayLines},
        {"frame", "{100}{200}Tekst", kindFrameSubtitle, {"{100}{200}Tekst"}},
        {"bracket", "[01:02]Tekst", kindBracketSubtitle, {"[01:02]Tekst"}},
        {"time h", "0:01:02:Tekst", kindTimeSubtitle, {"0:01:02:Tekst"}},
        {"time hh", "00:01:02:Tekst", kindTimeSubtitle, {"00:01:02:Tekst"}},
        {"digits only", "12345 Tekst", kindUnrecognisedSubtitle, {"12345 Tekst"}},
        {"two chars with colon", "1:", kindTimeSubtitle, {"1:"}},
        {"two digits", "12", kindUnrecognisedSubtitle, {"12"}},
        {"one char", "{", kindFrameSubtitle, {"{"}},
        {"colon at 5", "1234:x", kindTimeSubtitle, {"1234:x"}},
        {"colon at 6", "12345:x", kindUnrecognisedSubtitle, {"12345:x"}},
        {"letters only", "Ala ma kota\nI psa\n", kindUnreadable, {}},
        {"empty", "", kindUnreadable, {}},
        {"blank lines", "\r\n \t\r\n", kindUnreadable, {}},
        {"second char letter", "1a\n{x", kindUnreadable, {}},
        {"skipped lines anywhere",
         "# komentarz\r\n\r\nTekst\r\n{1}{2}a\r\nplik\r\n  \r\n{3}{4}b\r\n# koniec",
         kindFrameSubtitle, {"{1}{2}a", "{3}{4}b"}},
        // The line is judged trimmed but kept and decided untrimmed.
        {"indented frame", "  {1}{2}x\n{3}{4}y", kindUnrecognisedSubtitle, {"  {1}{2}x", "{3}{4}y"}},
        {"indented time", " 1:02:03:x", kindTimeSubtitle, {" 1:02:03:x"}},
        {"tab before bracket", "\t[00:01]x", kindTimeSubtitle, {"\t[00:01]x"}},
        {"trailing blanks kept", "{1}{2}x  \t", kindFrameSubtitle, {"{1}{2}x  \t"}},
        {"CR only", "x\r{1}{2}a\r{3}{4}b\r", kindFrameSubtitle, {"{1}{2}a", "{3}{4}b"}},
        {"LF CR mixed", "[00:01]a\n\r[00:02]b", kindBracketSubtitle, {"[00:01]a", "[00:02]b"}},
        {"NUL bytes", QByteArray("{1}{2}a\0b\n\0\0\n", 14), kindFrameSubtitle,
         {QString::fromUtf8("{1}{2}a\0b", 9)}},
        {"BOM before first line", "\xEF\xBB\xBF[00:01]a", kindBracketSubtitle, {"[00:01]a"}},
        // One byte that is not UTF-8, however late, makes the whole file Windows-1250.
        {"late 8-bit byte", "{1}{2}\xC5\xBC\n{3}{4}\xB9", kindFrameSubtitle,
         {QStringLiteral("{1}{2}ĹĽ"), QStringLiteral("{3}{4}ą")}},
        // A BOM does not make the rest valid: a stray byte is read as U+FFFD, not kept raw.
        {"BOM then a bad byte", "\xEF\xBB\xBF{1}{2}a\xFF", kindFrameSubtitle,
         {QStringLiteral("{1}{2}a\uFFFD")}},
    };
    FileTree t;
    int n = 0;
    for (const Case &c : cases) {
        const QString path = t.file(QStringLiteral("s%1.txt").arg(n++), c.bytes);
        Utf8Lines scratch = Utf8Lines::fromStrings({QStringLiteral("stale")});
        EXPECT_EQ(GetTyp(path, false, kDefaultTypes, scratch), c.want) << c.label;
        EXPECT_EQ(scratch.toStringList(), c.lines) << c.label;
    }
}

TEST(GetTyp, ScratchLinesAreDecodedAndTheEncodingReported)
{
    const QString polish = QStringLiteral("{1}{2}Zażółć gęślą jaźń");
    struct Case {
        TextEncoding written;
        TextEncoding reported;
    };
    const Case cases[] = {
        {TextEncoding::Utf8, TextEncoding::Utf8},
        {TextEncoding::Utf8Bom, TextEncoding::Utf8Bom},
        {TextEncoding::Windows1250, TextEncoding::Windows1250},
        {TextEncoding::Iso8859_2, TextEncoding::Iso8859_2},
    };
    FileTree t;
    int n = 0;
    for (const Case &c : cases) {
        const QString path = t.file(QStringLiteral("p%1.txt").arg(n++),
                                    encodeText(QStringLiteral("# nagłówek\r\n") + polish, c.written));
        Utf8Lines scratch;
        TextEncoding enc = TextEncoding::Utf8;
        EXPECT_EQ(GetTyp(path, false, kDefaultTypes, scratch, &enc), kindFrameSubtitle);
        EXPECT_EQ(scratch.toStringList(), QStringList{polish}) << int(c.written);
        EXPECT_EQ(enc, c.reported);
    }
}

// Files that must not be opened or that are too big come back as unreadable, quickly.
TEST(GetTyp, UnreadableAndSpecialFilesNeitherHangNorCrash)
{
    FileTree t;
    const QString fifo = t.fifo("pipe.txt");
    const QString device = t.link("zero.txt", QStringLiteral("/dev/zero"));
    const QString huge = t.file("huge.txt", "{1}{2}x\n");
    ASSERT_TRUE(QFile::resize(huge, kMaxSubtitleFileBytes + 1)); // sparse: nothing is written
    const QString locked = t.file("locked.txt", "{1}{2}x");
    const zv::test::ScopedPermissions noAccess(locked, QFileDevice::Permissions());

    for (const QString &p : {fifo, device, huge})
        EXPECT_EQ(typ(p), kindUnreadable) << qPrintable(p);

    zv::test::AsUnprivileged user;
    if (user.ok()) {
        EXPECT_EQ(typ(locked), kindUnreadable);
    }
}

TEST(GetTyp, LargeInputsStayLinear)
{
    FileTree t;
    const QByteArray longLine = "{1}{2}" + QByteArray(5 * 1024 * 1024, 'a');
    QByteArray manyLines;
    manyLines.reserve(9 * 1000000);
    for (int i = 0; i < 1000000; ++i)
        manyLines += i % 2 ? "{1}{2}ab\n" : "komentarz\n";

    QElapsedTimer clock;
    clock.start();
    Utf8Lines scratch;
    EXPECT_EQ(GetTyp(t.file("long.txt", longLine), false, kDefaultTypes, scratch), kindFrameSubtitle);
    ASSERT_EQ(scratch.size(), 1);
    EXPECT_EQ(scratch.line(0), longLine);
    EXPECT_EQ(GetTyp(t.file("many.txt", manyLines), false, kDefaultTypes, scratch), kindFrameSubtitle);
    EXPECT_EQ(scratch.size(), 500000);
    // Generous even under sanitizers; a quadratic filter would take minutes.
    EXPECT_LT(clock.elapsed(), 20000);
}

// A scan judges a file from its first kilobytes; whatever the file holds further on, the kind
// is the one the whole file gives.
TEST(GetTyp, KindFromTheFirstKilobytesIsTheWholeFilesKind)
{
    const auto repeat = [](const QByteArray &line, int times) {
        QByteArray out;
        for (int i = 0; i < times; ++i)
            out += line;
        return out;
    };
    const QByteArray frames = repeat("{1}{2}Napis\r\n", 800); // about 10 KB
    const QByteArray subRip = "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n";
    struct Case {
        const char *name;
        QByteArray bytes;
        FileKind want;
    };
    const Case cases[] = {
        {"frame.txt", frames, kindFrameSubtitle},
        {"bracket.txt", repeat("[00:01]a\n", 1200), kindBracketSubtitle},
        // Bracket-looking lines with no "[mm:ss" among them: only the whole file says MPL2.
        {"mpl2.txt", repeat("[10][20]a\n", 1200), kindMpl2Subtitle},
        {"mpl2 then bracket.txt", repeat("[10][20]a\n", 1200) + "[00:01]b\n", kindBracketSubtitle},
        {"subrip.txt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n" + frames, kindSubRipSubtitle},
        {"subrip.srt", "00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n" + frames, kindSubRipSubtitle},
        {"frames.srt", frames, kindOther},
        // A broken first cue: the first good one near the start makes the file SubRip.
        {"arrow typo.txt", "1\r\n00:00:01,000 -> 00:00:02,000\r\nA\r\n\r\n" + subRip + frames, kindSubRipSubtitle},
        {"arrow typo.srt", "00:00:01,000 -> 00:00:02,000\r\nA\r\n\r\n" + subRip + frames, kindSubRipSubtitle},
        {"good cue at 2 KB.txt", "1\r\n-00:00:01,000 --> 00:00:02,000\r\n" + repeat("tekst\r\n", 300) + subRip + frames,
         kindSubRipSubtitle},
        {"good cue after 4 KB.txt", "1\r\n-00:00:01,000 --> 00:00:02,000\r\n" + repeat("tekst\r\n", 600) + subRip + frames,
         kindUnrecognisedSubtitle},
        // Its timing line straddles the end of the window SubRip is searched in.
        {"good cue across the window.txt",
         "1\r\n-00:00:01,000 --> 00:00:02,000\r\n" + repeat("t\r\n", 1004) + "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n" + frames,
         kindUnrecognisedSubtitle},
        // "123ż:" is a time line in UTF-8, but a late Windows-1250 byte makes the ż two
        // characters and moves the colon past the rule's reach.
        {"late 8-bit.txt", "123\xC5\xBC:x\n" + frames + "\xB9\n", kindUnrecognisedSubtitle},
        {"valid UTF-8.txt", "123\xC5\xBC:x\n" + frames, kindTimeSubtitle},
        {"comments first.txt", repeat("# komentarz\n", 500) + frames, kindFrameSubtitle},
        {"no candidate.txt", repeat("tekst\n", 1000), kindUnreadable},
    };
    FileTree t;
    const FileClassifier classifier(kDefaultTypes);
    const int dirFd = ::open(QFile::encodeName(t.root()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirFd, 0);
    for (const Case &c : cases) {
        const QString path = t.file(QString::fromUtf8(c.name), c.bytes);
        Utf8Lines scratch;
        EXPECT_EQ(classifier.classifyExisting(path, false, false, scratch), c.want) << c.name;
        EXPECT_EQ(classifier.kindOfExisting(path, false, false), c.want) << c.name;
        EXPECT_EQ(classifier.kindOfExisting(path, false, false, dirFd, c.name), c.want) << c.name;
    }
    ::close(dirFd);
}
