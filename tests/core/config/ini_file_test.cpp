#include "core/config/ini_file.h"

#include "core/common/text_codec.h"
#include "support/file_size_limit.h"
#include "support/heap_probe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    const IniFile ini = fromText("Orphan=before any section\n"
                                 "[Other]\nFontName=Other section\n"
                                 "[ main ]\n  fontname  =  Verdana  \nFONTNAME=duplicate\n"
                                 "Quoted=\"  padded  \"\nHalfQuote=\"open\n"
                                 "NoEquals line\n=no key\n[Broken\nAfterBroken=still main\n"
                                 "[MAIN]\nOnlyInSecondCopy=1\n");
    struct Case { const char *section, *key, *expected; };
    const Case cases[] = {
        {"mAiN", "fontNAME", "Verdana"},          // any case, blanks trimmed, first duplicate
        {"Other", "fontname", "Other section"},
        {"Main", "Quoted", "  padded  "},          // one pair of quotes removed
        {"Main", "HalfQuote", "\"open"},
        {"Main", "AfterBroken", "still main"},     // a malformed header opens nothing
        {"Main", "Orphan", "<default>"},
        {"Main", "NoEquals line", "<default>"},
        {"Main", "OnlyInSecondCopy", "<default>"}, // only the first copy of a section counts
        {"Missing", "FontName", "<default>"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ini.readString(QString::fromLatin1(c.section), QString::fromLatin1(c.key),
                                 QStringLiteral("<default>")),
                  QString::fromUtf8(c.expected)) << c.section << "/" << c.key;
}

TEST(IniFile, ReadIntTakesLeadingDigitsWithinThirtyTwoBits)
{
    struct Case { const char *value; int expected; };
    const Case cases[] = {
        {"  -7  ", -7}, {"+5", 5}, {"12abc", 12}, {"0x1F", 0}, {"\"42\"", 42},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", -99}, {"-2147483649", -99}, {"99999999999999999999999", -99},
        {"abc", -99}, {"", -99}, {"- 5", -99},
    };
    for (const Case &c : cases) {
        const IniFile ini = fromText(QByteArray("[Main]\nKey=") + c.value + "\n");
        EXPECT_EQ(ini.readInt(u"Main", u"Key", -99), c.expected) << c.value;
    }
    EXPECT_EQ(fromText("[Main]\n").readInt(u"Main", u"Key", 17), 17);
}

TEST(IniFile, WritingKeepsEveryOtherLine)
{
    IniFile ini = fromText("; comment\n[Main]\nfontSIZE = 10\nUnknown=keep me\n"
                           "FontSize=duplicate\ngarbage without equals\n\n[Other]\nA=1\n");
    ASSERT_TRUE(ini.writeInt(u"main", u"FontSize", 22));
    ASSERT_TRUE(ini.writeString(u"Main", u"NewKey", QStringLiteral("new")));
    ASSERT_TRUE(ini.writeString(u"Other", u"B", QStringLiteral("2")));
    ASSERT_TRUE(ini.writeString(u"Third", u"C", QStringLiteral("3")));
    EXPECT_EQ(ini.content(), QByteArray("; comment\n[Main]\nfontSIZE=22\nUnknown=keep me\n"
                                        "FontSize=duplicate\ngarbage without equals\nNewKey=new\n"
                                        "\n[Other]\nA=1\nB=2\n\n[Third]\nC=3\n"));

    // Writes keep the key index in step with the lines: a fresh read answers the same.
    IniFile many = fromText("[A]\nk0=x\n\n[B]\n\n[a]\nk1=dup\n[C]\nz=1\n");
    for (int i = 0; i < 30; ++i) {
        const QString section = QStringList{"A", "b", "C", "New"}[i % 4];
        ASSERT_TRUE(many.writeInt(section, QStringLiteral("k%1").arg(i % 7), i));
    }
    const IniFile fresh = fromText(many.content());
    for (const char16_t *section : {u"a", u"B", u"c", u"new"}) {
        for (int k = 0; k < 8; ++k) {
            const QString key = QStringLiteral("K%1").arg(k);
            EXPECT_EQ(many.readString(section, key, "-"), fresh.readString(section, key, "-"))
                << QString::fromUtf16(section).toStdString() << key.toStdString();
        }
    }
    EXPECT_EQ(fresh.readInt(u"A", u"k1", -1), 8);
    EXPECT_EQ(fresh.lines().count(QStringLiteral("k1=dup")), 1);
}

TEST(IniFile, StoredValuesReadBackUnchangedOrAreRefused)
{
    IniFile ini;
    for (const char *v : {"", " leading", "trailing\t", "\"quoted\"", "'single'", "\"",
                          "a=b=c", "[not a section]", "/filmy/Żółw i jaźń.avi"}) {
        const QString value = QString::fromUtf8(v);
        ASSERT_TRUE(ini.writeString(u"Main", u"Key", value)) << v;
        EXPECT_EQ(fromText(ini.content()).readString(u"Main", u"Key"), value) << v;
    }

    // A line break would smuggle in lines of its own; bad names could never be read back.
    const QByteArray before = ini.content();
    EXPECT_FALSE(ini.writeString(u"Main", u"Key", QStringLiteral("/x\n[Main]\nFontName=Evil")));
    EXPECT_FALSE(ini.writeString(u"Main", u"Key", QStringLiteral("a\rb")));
    for (const char16_t *key : {u"", u"a=b", u"[Key", u" Key"})
        EXPECT_FALSE(ini.writeString(u"Main", key, QStringLiteral("v")));
    EXPECT_FALSE(ini.writeString(u"Ma]in", u"Key", QStringLiteral("v")));
    EXPECT_EQ(ini.content(), before);
}

TEST(IniFile, HostileContentNeverLosesTheOtherLines)
{
    const QByteArray huge(100000, 'x');
    QByteArray binary("Bin=\x01\xff\xfe");
    binary.append('\0').append("\x80tail");
    IniFile ini = fromText("[Main]\nBefore=1\nHuge=" + huge + "\n" + binary + "\nNoise " + huge
                           + "\nAfter=2\n");
    EXPECT_EQ(ini.readString(u"Main", u"Huge"), QString::fromLatin1(huge));
    EXPECT_TRUE(ini.hasKey(u"Main", u"Bin"));
    ASSERT_TRUE(ini.writeInt(u"Main", u"After", 3));
    const IniFile reread = fromText(ini.content());
    EXPECT_EQ(reread.lines().size(), 6);
    EXPECT_EQ(reread.lines()[2], QString::fromLatin1("Huge=" + huge));
    EXPECT_EQ(reread.readInt(u"Main", u"Before", 0), 1);
    EXPECT_EQ(reread.readInt(u"Main", u"After", 0), 3);
}

// Long values (twenty recent paths reach a few thousand characters) are kept whole through a
// save, in place or appended, and the file is read by its own size.
TEST(IniFile, LongValuesSurviveASave)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("zentavista.ini");
    const QString longValue = QString(4998, u'ż') + QStringLiteral("\U0001F600");
    ASSERT_EQ(longValue.size(), 5000);
    IniFile ini;
    ASSERT_TRUE(ini.writeString(u"Main", u"Recent", longValue));
    ASSERT_TRUE(ini.writeString(u"Main", u"Other", QStringLiteral("1")));
    ASSERT_TRUE(ini.save(path));

    for (int round = 0; round < 2; ++round) {
        IniFile loaded;
        ASSERT_TRUE(loaded.load(path));
        EXPECT_EQ(loaded.readString(u"Main", u"Recent"), longValue);
        ASSERT_TRUE(loaded.writeString(u"Main", u"Other", QString::number(round)));
        ASSERT_TRUE(loaded.save(path));
    }
    IniFile last;
    ASSERT_TRUE(last.load(path));
    EXPECT_EQ(last.readString(u"Main", u"Recent"), longValue);
    EXPECT_EQ(last.readInt(u"Main", u"Other", -1), 1);
}

// Loading is done at start-up, at every settings save and in every second instance: a small
// file must cost a few times its size, not a buffer sized for the largest file allowed.
TEST(IniFile, LoadingASmallFileAllocatesAFewTimesItsSize)
{
    if (!test::HeapProbe::available())
        GTEST_SKIP() << "needs the sanitizer's allocation hooks";
    QTemporaryDir tmp;
    for (const QByteArray &content : {QByteArray("[Main]\nKey=value\n"), QByteArray("[Main]\n") + QByteArray(4000, 'x')}) {
        const QString path = tmp.filePath("zentavista.ini");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        IniFile ini;
        test::HeapProbe probe;
        ASSERT_TRUE(ini.load(path));
        // QFile's own bookkeeping takes a few hundred bytes whatever the size.
        EXPECT_LE(probe.largest(), size_t(4 * content.size() + 1024)) << content.size();
        EXPECT_LE(probe.total(), size_t(8 * content.size() + 8192)) << content.size();
    }
}

TEST(IniFile, KeepsEncodingDetailsItCanKeep)
{
    IniFile crlf = fromText("\xEF\xBB\xBF[Main]\r\nA=1\r\n");
    ASSERT_TRUE(crlf.writeInt(u"Main", u"B", 2));
    EXPECT_EQ(crlf.content(), QByteArray("\xEF\xBB\xBF[Main]\r\nA=1\r\nB=2\r\n"));

    const QString dir = QStringLiteral("C:\\Filmy\\Ślub jaźń");
    EXPECT_EQ(fromText("[Main]\nD=" + encodeText(dir, TextEncoding::Windows1250))
                  .readString(u"Main", u"D"),
              dir);

    // One binary line does not turn the UTF-8 lines around it into mojibake.
    const QString path = QStringLiteral("/filmy/Żółć.avi");
    IniFile mixed = fromText("[Main]\nParamFile=" + path.toUtf8() + "\nJunk=\xff\xfe\x9c\n");
    ASSERT_TRUE(mixed.writeInt(u"Main", u"X", 1));
    EXPECT_EQ(fromText(mixed.content()).readString(u"Main", u"ParamFile"), path);

    // A first line that itself starts with U+FEFF, after the file's BOM, keeps it (found by
    // fuzzing: the decoder took it for a second BOM and the next save lost it).
    const QByteArray twoBoms("\xEF\xBB\xBF\xEF\xBB\xBF" "A=1\n");
    EXPECT_EQ(fromText(twoBoms).content(), twoBoms);
    const QByteArray once = fromText("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF\xC9\xC9\n").content();
    EXPECT_EQ(fromText(once).content(), once);
}

TEST(IniFile, HandOffKeysThroughTheFile)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("cfg/zentavista.ini");
    IniFile ini;
    EXPECT_TRUE(ini.load(path));   // missing file: empty, no error
    EXPECT_EQ(readIniKey(path, "Main", "ParamFile", "none"), QStringLiteral("none"));
    QString error;
    ASSERT_TRUE(writeIniKey(path, "Main", "ParamFile", "/filmy/a b.avi", &error));
    ASSERT_TRUE(writeIniKey(path, "Main", "Other", "1", &error));
    ASSERT_TRUE(writeIniKey(path, "Main", "paramfile", "/filmy/c.avi", &error));
    EXPECT_EQ(readBytes(path), QByteArray("[Main]\nParamFile=/filmy/c.avi\nOther=1\n"));

    EXPECT_FALSE(writeIniKey(path, "Main", "ParamFile", "/filmy/new\nline.avi", &error));
    EXPECT_EQ(error, writeFailureMessage(path));
    EXPECT_EQ(readIniKey(path, "main", "PARAMFILE"), QStringLiteral("/filmy/c.avi"));

    // A file where a folder should be, and a folder where the file should be.
    const QString noFolder = path + QStringLiteral("/sub/zentavista.ini");
    EXPECT_FALSE(ini.save(noFolder, &error));
    EXPECT_EQ(error, QStringLiteral("Unable to write to ") + noFolder);
    const QString folder = tmp.filePath("folder.ini");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_FALSE(ini.load(folder, &error));
    EXPECT_FALSE(writeIniKey(folder, "Main", "ParamFile", "/x.avi", &error));
}

// A short write (full disk, file-size limit) must fail the save and keep the old file.
TEST(IniFile, ShortWriteLeavesTheOldFile)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("zentavista.ini");
    IniFile ini;
    ASSERT_TRUE(ini.writeString(u"Main", u"Key", QStringLiteral("old")));
    ASSERT_TRUE(ini.save(path));
    ASSERT_TRUE(ini.writeString(u"Main", u"Key", QString(4096, u'n')));

    // A file-size limit makes the write fail even for root, as a full disk would.
    QString error;
    bool saved = true;
    {
        const zv::test::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        saved = ini.save(path, &error);
    }

    EXPECT_FALSE(saved);
    EXPECT_EQ(error, writeFailureMessage(path));
    EXPECT_EQ(readBytes(path), QByteArray("[Main]\nKey=old\n"));
}
