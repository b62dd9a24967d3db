#include "core/subtitles/subtitle_timer.h"
#include "support/subtitle_samples.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace zv;
using zv::test::loadSample;
using zv::test::styled;

namespace {

struct Cue {
    int32_t startMs;
    int32_t endMs;
    QString text;
    bool operator==(const Cue &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Cue &c)
{
    return os << "{" << c.startMs << ", " << c.endMs << ", \"" << c.text.toStdString() << "\"}";
}

QList<Cue> cuesOf(const SubtitleTable &t)
{
    QList<Cue> out;
    for (const FrameEntry &e : t.FrameTable())
        out.append({e.startFrame, e.endFrame, e.text});
    return out;
}

struct Case {
    const char *label;
    QByteArray bytes;
    FileKind kind;
    QList<Cue> cues;
    std::vector<qsizetype> bad; // 0-based line indexes counted as not recognised
};

void check(const Case &c, bool subRipName)
{
    SCOPED_TRACE(c.label);
    const auto s = loadSample(c.bytes, subRipName);
    ASSERT_EQ(s.kind, c.kind);
    EXPECT_TRUE(s.result.table.CueTimed());
    EXPECT_FALSE(s.result.table.FrameTimed());
    EXPECT_EQ(cuesOf(s.result.table), c.cues);
    EXPECT_EQ(s.result.unrecognisedLines, c.bad);
    EXPECT_EQ(s.result.unrecognised, qsizetype(c.bad.size()));
    // The time table mirrors the cues, sorted, closed by the sentinel.
    const auto times = s.result.table.TimeTable();
    ASSERT_EQ(times.size(), c.cues.size() + 1);
    for (qsizetype i = 0; i < c.cues.size(); ++i)
        EXPECT_EQ(times[i].start, c.cues[i].startMs / 1000);
    EXPECT_EQ(times.last().start, kCueLinesSentinel);
}

} // namespace

TEST(SubRip, WellFormedAndBadInput)
{
    const QByteArray big(10 * 1024 * 1024, 'x');
    QByteArray tenThenGarbage;
    for (int i = 0; i < 3; ++i)
        tenThenGarbage += QByteArray::number(i + 1) + "\n00:00:0" + QByteArray::number(i) + ",000 --> 00:00:0"
            + QByteArray::number(i) + ",500\nt" + QByteArray::number(i) + "\n\n";
    tenThenGarbage += "\x01\x02garbage\nmore\n\n%%%\n";
    const Case cases[] = {
        {"well formed", zv::test::subRipSample().toUtf8(), kindSubRipSubtitle,
         {{1500, 3250, u"Zażółć gęślą jaźń"_qs}, {62000, 64000, styled(u"[i]Pierwszy[/i] wiersz|Drugi wiersz"_qs)}}, {}},
        {"BOM, CR-only line ends, dots, tags",
         "\xEF\xBB\xBF" "1\r00:00:01.5 --> 00:00:02.25 X1:10 X2:20\r{\\an8}<b>a</b> < b\r\r", kindSubRipSubtitle,
         {{1500, 2250, styled(u"[b]a[/b] < b"_qs)}}, {}},
        {"missing counters, extra blank lines, no blank between cues",
         "1\n00:00:05,000 --> 00:00:06,000\na\n\n\n\n00:00:01,000 --> 00:00:02,000\nb\n"
         "00:00:03,000 --> 00:00:04,000\nc\n",
         kindSubRipSubtitle, {{1000, 2000, u"b"_qs}, {3000, 4000, u"c"_qs}, {5000, 6000, u"a"_qs}}, {}},
        {"end before start, overlapping, 2^31 ms",
         "1\n00:00:05,000 --> 00:00:04,000\nzły\n\n2\n00:00:01,000 --> 00:00:09,000\nx\n\n"
         "3\n00:00:02,000 --> 00:00:03,000\ny\n\n4\n596:31:23,648 --> 596:31:23,649\nz\n\n"
         "5\n596:31:23,646 --> 596:31:23,647\nw\n",
         kindSubRipSubtitle,
         {{1000, 9000, u"x"_qs}, {2000, 3000, u"y"_qs}, {2147483646, 2147483647, u"w"_qs}}, {1, 13}},
        {"SubRip for a while, then garbage", tenThenGarbage, kindSubRipSubtitle,
         {{0, 500, u"t0"_qs}, {1000, 1500, u"t1"_qs}, {2000, 2500, u"t2"_qs}}, {12, 15}},
        {"a 10 MB cue", "1\n00:00:01,000 --> 00:00:02,000\n" + big + "\n", kindSubRipSubtitle,
         {{1000, 2000, QString::fromLatin1(big)}}, {}},
        {"Windows-1250", "1\n00:00:01,000 --> 00:00:02,000\nZa\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1\n",
         kindSubRipSubtitle, {{1000, 2000, u"Zażółć gęślą jaźń"_qs}}, {}},
    };
    for (const Case &c : cases)
        check(c, false);
    // A .srt needs no counter in front of its first cue.
    check({"named .srt, no counter", "00:00:01,000 --> 00:00:02,000\na\n", kindSubRipSubtitle,
           {{1000, 2000, u"a"_qs}}, {}},
          true);
}

// A broken first cue costs one unrecognised line; the file is SubRip by its first good cue.
TEST(SubRip, BrokenFirstCueIsOneBadLine)
{
    const QByteArray good = "2\n00:00:03,000 --> 00:00:04,000\nB\n";
    const QList<Cue> onlyB = {{3000, 4000, u"B"_qs}};
    const Case cases[] = {
        {"arrow typo", "1\n00:00:01,000 -> 00:00:02,000\nA\n\n" + good, kindSubRipSubtitle, onlyB, {0}},
        {"negative start", "1\n-00:00:01,000 --> 00:00:02,000\nA\n\n" + good, kindSubRipSubtitle, onlyB, {0}},
        {"garbage timing", "1\n00:0x:01,000 --> 00:00:02,000\nA\n\n" + good, kindSubRipSubtitle, onlyB, {0}},
        {"title line first", "Napisy: Jan Kowalski\n\n" + good, kindSubRipSubtitle, onlyB, {0}},
        {"no-break space as a blank line", "\xC2\xA0\n" + good, kindSubRipSubtitle, onlyB, {0}},
        {"CR-only line ends", "1\r00:00:01,000 -> 00:00:02,000\rA\r\r2\r00:00:03,000 --> 00:00:04,000\rB\r",
         kindSubRipSubtitle, onlyB, {0}},
        {"blank lines between counters and timings",
         "1\n\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n \n\n00:00:03,000 --> 00:00:04,000\nB\n",
         kindSubRipSubtitle, {{1000, 2000, u"A"_qs}, {3000, 4000, u"B"_qs}}, {}},
        // A number ending a cue's text stays text, blank line after it or not.
        {"number at the end of a text",
         "1\n00:00:01,000 --> 00:00:02,000\nRok\n1984\n\n00:00:03,000 --> 00:00:04,000\nB\n",
         kindSubRipSubtitle, {{1000, 2000, u"Rok|1984"_qs}, {3000, 4000, u"B"_qs}}, {}},
    };
    for (const Case &c : cases)
        check(c, false);
    // A .srt needs no counters: its first usable timing line decides.
    check({"named .srt, arrow typo, no counters",
           "00:00:01,000 -> 00:00:02,000\nA\n\n00:00:03,000 --> 00:00:04,000\nB\n", kindSubRipSubtitle,
           onlyB, {0}},
          true);
}

TEST(Mpl2, WellFormedAndBadInput)
{
    const Case cases[] = {
        {"well formed", zv::test::mpl2Sample().toUtf8(), kindMpl2Subtitle,
         {{1500, 3200, u"Zażółć gęślą jaźń"_qs}, {62000, 64000, styled(u"[i]Pierwszy wiersz[/i]|Drugi wiersz"_qs)}}, {}},
        {"negative, non-numeric, fractions, empty end, reversed",
         "[10][20]a\n[-5][10]b\n[1x][20]c\n[1.5][20]d\n[30][]e\n[50][40]f\n[ 60 ][70] g\n[80]h\n",
         kindMpl2Subtitle, {{1000, 2000, u"a"_qs}, {3000, 7000, u"e"_qs}, {6000, 7000, u" g"_qs}},
         {1, 2, 3, 5, 7}},
        // The bracket loader would read "12:45" out of the second line: still MPL2.
        {"long film", "[10][20]a\n[12345][12400]b\n", kindMpl2Subtitle,
         {{1000, 2000, u"a"_qs}, {1234500, 1240000, u"b"_qs}}, {}},
        {"Windows-1250", "[10][20]\xBF\xF3\xB3w\n", kindMpl2Subtitle, {{1000, 2000, u"żółw"_qs}}, {}},
        {"past 32-bit milliseconds", "[10][20]a\n[21474837][21474838]b\n", kindMpl2Subtitle,
         {{1000, 2000, u"a"_qs}}, {1}},
    };
    for (const Case &c : cases)
        check(c, false);
}

// The three line formats keep every file they could read; the new ones take only what those
// fail (or, for SubRip, a file named .srt).
TEST(CueFormats, TakeOnlyWhatTheLineFormatsFail)
{
    struct Kind {
        const char *label;
        QByteArray bytes;
        bool srtName;
        FileKind want;
    };
    const Kind cases[] = {
        {"SubRip without counter in a .txt is a time file", "00:00:01,000 --> 00:00:02,000\na\n", false,
         kindTimeSubtitle},
        {"counter then no arrow", "1\n00:00:01 a\n", false, kindUnrecognisedSubtitle},
        {"one real bracket line keeps the file bracket", "[10][20]a\n[00:01]b\n", false, kindBracketSubtitle},
        {"bracket tags", "[00:10][01:05]Refren\n", false, kindBracketSubtitle},
        {"bracket without a second bracket", "[10]x\n", false, kindBracketSubtitle},
        {"frame lines in a .srt stay where they were", "{1}{2}x\n", true, kindFrameSubtitle},
        {"MPL2 in a .srt", "[10][20]a\n", true, kindMpl2Subtitle},
        // Without one good cue near the start a broken SubRip file stays refused.
        {"every cue broken", "1\n00:00:01,000 -> 00:00:02,000\na\n\n2\n-00:00:03,000 --> 00:00:04,000\nb\n",
         false, kindUnrecognisedSubtitle},
        {"first good cue after 4 KB",
         "1\n00:00:01,000 -> 00:00:02,000\n" + QByteArray(4096, 'a') + "\n\n2\n00:00:03,000 --> 00:00:04,000\nb\n",
         false, kindUnrecognisedSubtitle},
        {"counter, then text, then a timing", "1\nA\n00:00:01,000 --> 00:00:02,000\nb\n", false,
         kindUnrecognisedSubtitle},
        {"a time line first keeps the file a time file",
         "0:00:01:Tekst\n\n1\n00:00:02,000 --> 00:00:03,000\nb\n", false, kindTimeSubtitle},
    };
    for (const Kind &c : cases)
        EXPECT_EQ(loadSample(c.bytes, c.srtName).kind, c.want) << c.label;
}

TEST(CueFormats, TimerShowsEachLineFromItsStartToItsEnd)
{
    const SubtitleTable table = loadSample(zv::test::subRipSample().toUtf8()).result.table;
    struct Tick {
        double position;
        const char16_t *shown;
    };
    const Tick ticks[] = {
        {1.4, u""}, {1.5, u"Zażółć gęślą jaźń"}, {3.2, u"Zażółć gęślą jaźń"}, {3.25, u""},
        {62.0, u"[i]Pierwszy[/i] wiersz|Drugi wiersz"}, {63.99, u"[i]Pierwszy[/i] wiersz|Drugi wiersz"},
        {64.0, u""}, {1.6, u"Zażółć gęślą jaźń"},
    };
    SubtitleDisplayState state;
    SubtitleTimerInput in;
    in.TextDelay = 1; // shorter than the lines: their own ends rule
    for (const Tick &t : ticks) {
        in.CurrentPosition = t.position;
        Timer1Timer(table, in, state);
        EXPECT_EQ(state.DisplayedText, styled(QString::fromUtf16(t.shown))) << t.position;
    }
    // The correction applies as for the other formats: film 60 s is subtitle 62 s.
    in.OffsetEnabled = true;
    in.ShiftOffset = 2;
    in.CurrentPosition = 60.0;
    Timer1Timer(table, in, state);
    EXPECT_EQ(state.DisplayedText, styled(u"[i]Pierwszy[/i] wiersz|Drugi wiersz"_qs));
}

// The seed files of the three line formats (Polish text in every encoding the program reads)
// keep their kind, their candidate lines and their tables.
TEST(CueFormats, LineFormatSeedFilesLoadAsBefore)
{
    const QDir seeds(qEnvironmentVariable("ZV_SOURCE_DIR") + QStringLiteral("/tests/fuzz/corpus/subtitles"));
    const QStringList names = seeds.entryList(QDir::Files);
    ASSERT_GE(names.size(), 7);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile f(seeds.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const FileKind want = name.startsWith(u"time") ? kindTimeSubtitle
            : name.startsWith(u"frame")                ? kindFrameSubtitle
                                                       : kindBracketSubtitle;
        Utf8Lines lines;
        ASSERT_EQ(detectSubtitleFormatOfBytes(bytes, lines, nullptr, false), want);
        // Only candidate lines, the first deciding the kind by the first-line rule.
        EXPECT_EQ(subtitleFormatOfLine(lines.at(0)), want);
        const auto loaded = loadSample(bytes);
        EXPECT_FALSE(loaded.result.table.CueTimed());
        EXPECT_EQ(loaded.result.table.FrameTimed(), want == kindFrameSubtitle);
        using Loader = LoadResult (*)(Utf8Lines, const LoadSettings &);
        const Loader loader = want == kindTimeSubtitle ? Loader(LoadProc0)
            : want == kindFrameSubtitle                ? Loader(LoadProc1)
                                                       : Loader(LoadProc2);
        const LoadResult direct = loader(std::move(lines), LoadSettings{});
        ASSERT_EQ(loaded.result.table.TimeTable().size(), direct.table.TimeTable().size());
        for (qsizetype i = 0; i < direct.table.TimeTable().size(); ++i) {
            EXPECT_EQ(loaded.result.table.TimeTable()[i].start, direct.table.TimeTable()[i].start);
            EXPECT_EQ(loaded.result.table.TimeTable()[i].text, direct.table.TimeTable()[i].text);
        }
        // The same bytes named .srt are no SubRip either.
        EXPECT_EQ(loadSample(bytes, true).kind, want);
    }
}
