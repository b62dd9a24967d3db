#include "core/app/command_line.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

struct SwitchCase {
    const char *name;
    QStringList args;
    bool full, panScan, autoPanScan;
    std::optional<int> value;
};

void PrintTo(const SwitchCase &c, std::ostream *os) { *os << c.name; }

class Switches : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(Switches, SetExactlyTheirRequests)
{
    const SwitchCase &c = GetParam();
    const CommandLine cl = parseCommandLine(c.args);
    EXPECT_EQ(cl.CmdFullScreen, c.full);
    EXPECT_EQ(cl.CmdPanScan, c.panScan);
    EXPECT_EQ(cl.CmdAutoPanScan, c.autoPanScan);
    EXPECT_EQ(cl.PanScanValue, c.value);
}

const QString kLong(100000, QLatin1Char('x'));

INSTANTIATE_TEST_SUITE_P(CommandLine, Switches, ::testing::Values(
    SwitchCase{"none", {}, false, false, false, {}},
    SwitchCase{"full", {"/full"}, true, false, false, {}},
    SwitchCase{"f", {"/f"}, true, false, false, {}},
    SwitchCase{"panscan", {"/panscan"}, false, true, false, {}},
    SwitchCase{"p", {"/p"}, false, true, false, {}},
    SwitchCase{"a", {"/a"}, false, false, true, {}},
    SwitchCase{"upperCase", {"/FULL", "/A"}, true, false, true, {}},
    SwitchCase{"fAndAInOneParameter", {"/f/a"}, true, false, true, {}},
    SwitchCase{"substringInsideText", {"x/Fy"}, true, false, false, {}},
    SwitchCase{"anyPosition", {"film.avi", "/a", "inny.avi", "/f"}, true, false, true, {}},
    SwitchCase{"value", {"/p=42"}, false, true, false, 42},
    SwitchCase{"valueTrimmed", {"/p= 42 "}, false, true, false, 42},
    SwitchCase{"valueNegative", {"/P=-7"}, false, true, false, -7},
    SwitchCase{"valueWithOthers", {"/p=5", "/f"}, true, true, false, 5},
    SwitchCase{"lastValueWins", {"/p=5", "/p=6"}, false, true, false, 6},
    SwitchCase{"lettersVoidTheParameter", {"/p=abc/f/a"}, false, false, false, {}},
    SwitchCase{"lettersKeepOtherParameters", {"/p=abc", "/a"}, false, false, true, {}},
    SwitchCase{"emptyValue", {"/p="}, false, false, false, {}},
    SwitchCase{"beyond32Bits", {"/p=99999999999"}, false, false, false, {}},
    SwitchCase{"int32Max", {"/p=2147483647"}, false, true, false, 2147483647},
    SwitchCase{"hugeParameter", {"/p=" + kLong}, false, false, false, {}},
    SwitchCase{"hugePlainParameter", {kLong + "/f"}, true, false, false, {}},
    SwitchCase{"stopsAtFirstEmpty", {"/f", "", "/a", "/p=3"}, true, false, false, {}},
    SwitchCase{"emptyFirst", {"", "/f"}, false, false, false, {}},
    SwitchCase{"brokenUtf8", {QString::fromUtf8("/f\xff\xfe"), QString(QChar(0xD800)) + "/a"},
               true, false, true, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CommandLine, ParamsStopAtTheFirstEmptyArgument)
{
    EXPECT_EQ(parseCommandLine({"a.avi", "/f", "", "b.avi"}).params, QStringList({"a.avi", "/f"}));
    EXPECT_TRUE(parseCommandLine({""}).params.isEmpty());
}

TEST(CommandLine, QuestionsInOrderWithTheirTexts)
{
    const QString limit = QString(300, QLatin1Char('a'));
    const CommandLine cl = parseCommandLine(
        {"/q", "/Q=Czy_grać_dalej?", "/f", "x/q=" + limit, "/q=", "/q=" + QString(254, 'b') + QString::fromUtf8("😀")});
    ASSERT_EQ(cl.questions.size(), 5);
    EXPECT_EQ(cl.questions[0], QString::fromUtf8("Uruchomić film?"));
    EXPECT_EQ(cl.questions[1], QString::fromUtf8("Czy grać dalej?"));
    EXPECT_EQ(cl.questions[2], QString(255, QLatin1Char('a')));
    EXPECT_EQ(cl.questions[3], defaultStartQuestion());
    // The limit never splits a character in two.
    EXPECT_EQ(cl.questions[4], QString(254, 'b'));
    EXPECT_TRUE(cl.CmdFullScreen);
}

TEST(CommandLine, InvalidPanScanValueStillAsksItsQuestion)
{
    const CommandLine cl = parseCommandLine({"/q=Start/p=zz/f"});
    ASSERT_EQ(cl.questions.size(), 1);
    EXPECT_FALSE(cl.CmdFullScreen);
    EXPECT_FALSE(cl.PanScanValue);
}

// Native paths are full of "/f", "/a", "/p" and "/q"; only what is not a path is a switch.
TEST(CommandLine, PathsAreNotReadForSwitches)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkpath("filmy/quiz"));
    const QString film = tmp.filePath("filmy/quiz/a.avi");
    QFile(film).open(QIODevice::WriteOnly);

    const CommandLine cl = parseCommandLine({film, tmp.filePath("filmy/quiz/p=5.avi"), tmp.filePath("filmy")});
    EXPECT_FALSE(cl.CmdFullScreen);
    EXPECT_FALSE(cl.CmdPanScan);
    EXPECT_FALSE(cl.CmdAutoPanScan);
    EXPECT_FALSE(cl.PanScanValue);
    EXPECT_TRUE(cl.questions.isEmpty());

    EXPECT_TRUE(isSwitchParameter("/f"));
    EXPECT_TRUE(isSwitchParameter("/q=Czy/to_film?"));
    EXPECT_TRUE(isSwitchParameter(tmp.filePath("brak/f")));
    EXPECT_FALSE(isSwitchParameter(film));
    EXPECT_FALSE(isSwitchParameter(""));
}

TEST(CommandLine, LongPathOfExistingAndMissing)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkpath("sub/dir"));
    const QString film = tmp.filePath("sub/Film Ź.avi");
    ASSERT_TRUE(QFile(film).open(QIODevice::WriteOnly));
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tmp.filePath("sub/dir")));

    struct { QString param, expected; bool exists; } cases[] = {
        {film, film, true},
        {tmp.filePath("sub//./dir/../Film Ź.avi"), film, true},
        {"../Film Ź.avi", film, true},                       // relative to the working folder
        {"../", tmp.filePath("sub"), true},
        {"missing/../../Film Ź.avi", film, true},            // ".." taken lexically
        {"nowhere.avi", tmp.filePath("sub/dir/nowhere.avi"), false},
        {"/f", "/f", false},
        {"", "", false},
        {QString("a") + QChar(0) + "b", "", false},
    };
    for (const auto &c : cases) {
        const QString got = LongPathOf(c.param);
        EXPECT_EQ(got, c.expected) << qPrintable(c.param);
        if (!got.isEmpty()) {
            EXPECT_EQ(QFileInfo::exists(got), c.exists) << qPrintable(c.param);
        }
    }
    const QString huge = LongPathOf(QString(100000, 'y'));
    EXPECT_FALSE(QFileInfo::exists(huge));
    EXPECT_TRUE(LongPathOf(QString::fromUtf8("\xff\xfe.avi")).startsWith('/'));
    QDir::setCurrent(oldCwd);
}

TEST(CommandLine, LongPathOfFollowsTheKernelWhenALinkMeetsDotDot)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkpath("real/deep"));
    ASSERT_TRUE(QFile(tmp.filePath("real/x.avi")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(tmp.filePath("real/deep"), tmp.filePath("link")));
    // Lexically "link/../x.avi" is tmp/x.avi (missing); the kernel reads real/x.avi.
    EXPECT_EQ(LongPathOf(tmp.filePath("link/../x.avi")), QFileInfo(tmp.filePath("real/x.avi")).canonicalFilePath());
}

TEST(CommandLine, ParamFilesToListKeepsOnePathPerParameter)
{
    QTemporaryDir tmp;
    const QString film = tmp.filePath("a.avi");
    ASSERT_TRUE(QFile(film).open(QIODevice::WriteOnly));
    // A name with a line break is one parameter and stays one path.
    const QString broken = tmp.filePath("dwa\nwiersze.avi");
    ASSERT_TRUE(QFile(broken).open(QIODevice::WriteOnly));
    EXPECT_EQ(ParamFilesToList({film, "/f", broken}), (QStringList{film, "/f", broken}));
    EXPECT_TRUE(ParamFilesToList({}).isEmpty());
}

} // namespace
