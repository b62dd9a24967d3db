#include "core/config/ini_file.h"

#include "core/common/text_codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace zv;

namespace {

IniFile fromText(const QByteArray &bytes)
{
    IniFile ini;
    ini.setContent(bytes);
    return ini;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(IniFile, LookupFollowsProfileRules)
{
    const QByteArray file =
        "Orphan=before any section\n"
        "[Other]\n"
        "FontName=Other section\n"
        "[ main ]\n"
        "  fontname  =  Verdana  \n"
        "FONTNAME=second duplicate\n"
        "Quoted=\"  padded  \"\n"
        "Single='x'\n"
        "HalfQuote=\"open\n"
        "NoEquals line\n"
        "=no key\n"
        "[Broken\n"
        "AfterBroken=still main\n"
        "Empty=\n"
        "[MAIN]\n"
        "OnlyInSecondCopy=1\n";
    const IniFile ini = fromText(file);
    struct Case { const char *section, *key; QString expected; };
    const Case cases[] = {
        {"Main", "FontName", "Verdana"},          // both names in any case, blanks trimmed
        {"mAiN", "fontNAME", "Verdana"},          // first duplicate wins
        {"Other", "fontname", "Other section"},
        {"Main", "Quoted", "  padded  "},          // one pair of quotes removed
        {"Main", "Single", "x"},
        {"Main", "HalfQuote", "\"open"},
        {"Main", "AfterBroken", "still main"},   // a malformed header opens nothing
        {"Main", "Empty", ""},
        {"Main", "Orphan", "<default>"},
        {"Main", "NoEquals line", "<default>"},
        {"Main", "OnlyInSecondCopy", "<default>"}, // only the first copy of a section counts
        {"Missing", "FontName", "<default>"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ini.readString(QString::fromLatin1(c.section), QString::fromLatin1(c.key),
                                 QStringLiteral("<default>")),
                  c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_TRUE(ini.hasKey(u"MAIN", u"empty"));
    EXPECT_FALSE(ini.hasKey(u"Main", u"NoEquals line"));
}

TEST(IniFile, ReadIntTakesLeadingDigitsWithinThirtyTwoBits)
{
    struct Case { const char *value; int expected; };
    const Case cases[] = {
        {"12", 12},
        {"  -7  ", -7},
        {"+5", 5},
        {"12abc", 12},
        {"007", 7},
        {"0x1F", 0},
        {"\"42\"", 42},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -99},
        {"-2147483649", -99},
        {"99999999999999999999999", -99},
        {"abc", -99},
        {"", -99},
        {"-", -99},
        {"- 5", -99},
    };
    for (const Case &c : cases) {
        const IniFile ini = fromText(QByteArray("[Main]\nKey=") + c.value + "\n");
        EXPECT_EQ(ini.readInt(u"Main", u"Key", -99), c.expected) << c.value;
    }
    EXPECT_EQ(fromText("[Main]\n").readInt(u"Main", u"Key", 17), 17);
    EXPECT_TRUE(fromText("[Main]\nKey=2\n").readBool(u"Main", u"Key", false));
    EXPECT_FALSE(fromText("[Main]\nKey=0\n").readBool(u"Main", u"Key", true));
    EXPECT_TRUE(fromText("[Main]\nKey=no\n").readBool(u"Main", u"Key", true));
}

TEST(IniFile, WritingKeepsEveryOtherLine)
{
    IniFile ini = fromText(
        "; comment\n"
        "[Main]\n"
        "fontSIZE = 10\n"
        "Unknown=keep me\n"
        "FontSize=duplicate\n"
        "garbage without equals\n"
        "\n"
        "[Other]\n"
        "A=1\n");
    ASSERT_TRUE(ini.writeInt(u"main", u"FontSize", 22));
    ASSERT_TRUE(ini.writeString(u"Main", u"NewKey", QStringLiteral("new")));
    ASSERT_TRUE(ini.writeString(u"Other", u"B", QStringLiteral("2")));
    ASSERT_TRUE(ini.writeString(u"Third", u"C", QStringLiteral("3")));
    EXPECT_EQ(ini.content(), QByteArray(
        "; comment\n"
        "[Main]\n"
        "fontSIZE=22\n"
        "Unknown=keep me\n"
        "FontSize=duplicate\n"
        "garbage without equals\n"
        "NewKey=new\n"
        "\n"
        "[Other]\n"
        "A=1\n"
        "B=2\n"
        "\n"
        "[Third]\n"
        "C=3\n"));
    EXPECT_EQ(ini.readInt(u"Main", u"FontSize", 0), 22);
}

TEST(IniFile, StoredValuesReadBackUnchanged)
{
    const QString values[] = {
        QString(), QStringLiteral(" leading"), QStringLiteral("trailing\t"),
        QStringLiteral("\"quoted\""), QStringLiteral("'single'"), QStringLiteral("\""),
        QStringLiteral("a=b=c"), QStringLiteral("[not a section]"),
        QStringLiteral("/home/użytkownik/Filmy/Żółw i jaźń.avi"),
    };
    IniFile ini;
    for (const QString &v : values) {
        ASSERT_TRUE(ini.writeString(u"Main", u"Key", v)) << v.toStdString();
        IniFile reread = fromText(ini.content());
        EXPECT_EQ(reread.readString(u"Main", u"Key", QStringLiteral("<default>")), v)
            << v.toStdString();
    }
}

TEST(IniFile, RefusesWhatCouldNotBeReadBack)
{
    IniFile ini = fromText("[Main]\nKey=old\n");
    const QByteArray before = ini.content();
    // A line break in a value would smuggle in lines of its own (a section, other keys).
    EXPECT_FALSE(ini.writeString(u"Main", u"Key", QStringLiteral("/tmp/x\n[Main]\nFontName=Evil")));
    EXPECT_FALSE(ini.writeString(u"Main", u"Key", QStringLiteral("a\rb")));
    EXPECT_FALSE(ini.writeString(u"Main", u"", QStringLiteral("v")));
    EXPECT_FALSE(ini.writeString(u"Main", u"a=b", QStringLiteral("v")));
    EXPECT_FALSE(ini.writeString(u"Main", u"[Key", QStringLiteral("v")));
    EXPECT_FALSE(ini.writeString(u"Main", u" Key", QStringLiteral("v")));
    EXPECT_FALSE(ini.writeString(u"Ma]in", u"Key", QStringLiteral("v")));
    EXPECT_EQ(ini.content(), before);
}

TEST(IniFile, HostileContentNeverLosesTheOtherLines)
{
    const QByteArray huge(100000, 'x');
    QByteArray binary("Bin=\x01\xff\xfe");
    binary.append('\0');
    binary.append("\x80tail");
    const QByteArray file = "[Main]\nBefore=1\nHuge=" + huge + "\n" + binary + "\nNoise " + huge
        + "\nAfter=2\n";
    IniFile ini = fromText(file);
    EXPECT_EQ(ini.readString(u"Main", u"Huge").size(), IniFile::MaxValueLength);
    EXPECT_EQ(ini.readInt(u"Main", u"Before", 0), 1);
    EXPECT_EQ(ini.readInt(u"Main", u"After", 0), 2);
    EXPECT_TRUE(ini.hasKey(u"Main", u"Bin"));

    ASSERT_TRUE(ini.writeInt(u"Main", u"After", 3));
    const IniFile reread = fromText(ini.content());
    EXPECT_EQ(reread.lines().size(), 6);
    EXPECT_EQ(reread.lines()[2], QString::fromLatin1("Huge=" + huge));
    EXPECT_EQ(reread.readInt(u"Main", u"After", 0), 3);

    // The cut never splits a surrogate pair.
    const QString emoji = QStringLiteral("\U0001F600");
    IniFile pairs;
    ASSERT_TRUE(pairs.writeString(u"Main", u"K", QString(IniFile::MaxValueLength - 1, u'a') + emoji));
    EXPECT_EQ(pairs.readString(u"Main", u"K"), QString(IniFile::MaxValueLength - 1, u'a'));
}

TEST(IniFile, KeepsEncodingDetailsItCanKeep)
{
    // CR LF and a BOM survive a write; plain files get "\n".
    IniFile crlf = fromText("\xEF\xBB\xBF[Main]\r\nA=1\r\n");
    ASSERT_TRUE(crlf.writeInt(u"Main", u"B", 2));
    EXPECT_EQ(crlf.content(), QByteArray("\xEF\xBB\xBF[Main]\r\nA=1\r\nB=2\r\n"));

    // An 8-bit file reads as Polish text and is written back as UTF-8.
    const QString dir = QStringLiteral("C:\\Filmy\\Ślub jaźń");
    IniFile eightBit = fromText("[Main]\nAutoLoadtextDir="
                                + encodeText(dir, TextEncoding::Windows1250) + "\n");
    EXPECT_EQ(eightBit.readString(u"Main", u"AutoLoadtextDir"), dir);

    // One binary line does not turn the UTF-8 lines around it into mojibake.
    const QString path = QStringLiteral("/filmy/Żółć.avi");
    IniFile mixed = fromText("[Main]\nParamFile=" + path.toUtf8() + "\nJunk=\xff\xfe\x9c\n");
    EXPECT_EQ(mixed.readString(u"Main", u"ParamFile"), path);
    ASSERT_TRUE(mixed.writeInt(u"Main", u"X", 1));
    EXPECT_EQ(fromText(mixed.content()).readString(u"Main", u"ParamFile"), path);
}

TEST(IniFile, FilesLoadSaveAndHandOff)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("cfg/zentavista.ini");
    IniFile ini;
    QString error;
    EXPECT_TRUE(ini.load(path, &error));   // missing file: empty, no error
    EXPECT_TRUE(ini.lines().isEmpty());

    EXPECT_EQ(readIniKey(path, "Main", "ParamFile", "none"), QStringLiteral("none"));
    ASSERT_TRUE(writeIniKey(path, "Main", "ParamFile", "/filmy/a b.avi", &error)) << error.toStdString();
    ASSERT_TRUE(writeIniKey(path, "Main", "Other", "1", &error));
    ASSERT_TRUE(writeIniKey(path, "Main", "paramfile", "/filmy/c.avi", &error));
    EXPECT_EQ(readIniKey(path, "main", "PARAMFILE"), QStringLiteral("/filmy/c.avi"));
    EXPECT_EQ(readBytes(path), QByteArray("[Main]\nParamFile=/filmy/c.avi\nOther=1\n"));

    EXPECT_FALSE(writeIniKey(path, "Main", "ParamFile", "/filmy/new\nline.avi", &error));
    EXPECT_EQ(error, writeFailureMessage(path));
    EXPECT_EQ(readIniKey(path, "Main", "ParamFile"), QStringLiteral("/filmy/c.avi"));
}

TEST(IniFile, FailedSaveSaysSo)
{
    QTemporaryDir tmp;
    IniFile ini;
    ASSERT_TRUE(ini.writeString(u"Main", u"Key", QStringLiteral("v")));
    QString error;
    // A file where the folder should be.
    const QString blocker = tmp.filePath("file");
    ASSERT_TRUE(ini.save(blocker));
    const QString path = blocker + QStringLiteral("/sub/zentavista.ini");
    EXPECT_FALSE(ini.save(path, &error));
    EXPECT_EQ(error, QStringLiteral("Unable to write to ") + path);

    // A folder where the file should be: loading fails, and the hand-off does not pretend.
    const QString blocked = tmp.filePath("blocked.ini");
    ASSERT_TRUE(QDir().mkpath(blocked));
    EXPECT_FALSE(ini.load(blocked, &error));
    EXPECT_FALSE(writeIniKey(blocked, "Main", "ParamFile", "/x.avi", &error));
    EXPECT_EQ(error, writeFailureMessage(blocked));
}

// Disabled: writeFileAtomically buffers its write, so a short write (full disk, file-size limit)
// goes unnoticed and a truncated file replaces the old one. Enable once it writes unbuffered.
TEST(IniFile, DISABLED_ShortWriteLeavesTheOldFile)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("zentavista.ini");
    IniFile ini;
    ASSERT_TRUE(ini.writeString(u"Main", u"Key", QStringLiteral("old")));
    ASSERT_TRUE(ini.save(path));
    ASSERT_TRUE(ini.writeString(u"Main", u"Key", QString(4096, u'n')));

    // A file-size limit makes the write fail even for root, as a full disk would.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool saved = ini.save(path, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(error, writeFailureMessage(path));
    EXPECT_EQ(readBytes(path), QByteArray("[Main]\nKey=old\n"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
