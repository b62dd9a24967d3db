#include "core/common/atomic_file.h"
#include "core/subtitles/subtitle_timer.h"
#include "core/subtitles/subtitle_writer.h"
#include "support/file_tree.h"
#include "support/small_disk.h"
#include "support/subtitle_samples.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>
#include <cmath>

using namespace zv;

namespace {

constexpr double kNone = NAN;

QString written(const std::vector<SubtitleCue> &cues, SubtitleSaveOptions o)
{
    return QString::fromUtf8(formatSubtitles(cues, o).text);
}

} // namespace

TEST(SubtitleWriter, FormatsLinesAsEachFormatWants)
{
    const std::vector<SubtitleCue> cues = {{4, kNone, "Ala "}, {3723, 3725.5, " kot|pies"}};
    struct Case {
        SubtitleSaveFormat format;
        QString want;
    };
    const Case cases[] = {
        {SubtitleSaveFormat::Tmp, u"0:00:04:Ala\r\n1:02:03: kot|pies\r\n"_qs},
        {SubtitleSaveFormat::Lrc, u"[00:04]Ala\r\n[02:03] kot|pies\r\n"_qs},
        {SubtitleSaveFormat::Mdvd, u"{100}{}Ala \r\n{93075}{} kot|pies\r\n"_qs},
        {SubtitleSaveFormat::Mpl2, u"[40][80]Ala \r\n[37230][37255] kot|pies\r\n"_qs},
        {SubtitleSaveFormat::Srt,
         u"1\r\n00:00:04,000 --> 00:00:08,000\r\nAla \r\n\r\n2\r\n01:02:03,000 --> 01:02:05,500\r\n kot\r\npies\r\n\r\n"_qs},
    };
    SubtitleSaveOptions o;
    o.frameRate = 25;
    for (const Case &c : cases) {
        o.format = c.format;
        EXPECT_EQ(written(cues, o), c.want) << int(c.format);
    }
    // MDVD with no film open assumes 25 fps and says so; ends on request.
    o.format = SubtitleSaveFormat::Mdvd;
    o.frameRate = -1;
    o.frameEnds = true;
    const SubtitleSaveText mdvd = formatSubtitles({{4, 6, "x"}}, o);
    EXPECT_EQ(mdvd.text, "{100}{150}x\r\n");
    EXPECT_TRUE(mdvd.assumedFrameRate);
    EXPECT_EQ(saveFormatByName(u"MPL2"), SubtitleSaveFormat::Mpl2);
    EXPECT_FALSE(saveFormatByName(u"ass"));
}

TEST(SubtitleWriter, CorrectionFitsAndClampsAtZero)
{
    // Lines at 100 s and 1000 s placed at 110 s and 1090 s.
    const auto fit = twoPointFit(100, 110, 1000, 1090);
    ASSERT_TRUE(fit);
    EXPECT_DOUBLE_EQ(fit->ShiftFactor, 900.0 / 980.0);
    EXPECT_NEAR(100 * fit->ShiftFactorInverse + fit->ShiftOffsetInverse, 110, 1e-9);
    EXPECT_NEAR(110 * fit->ShiftFactor + fit->ShiftOffset, 100, 1e-9);
    EXPECT_FALSE(twoPointFit(100, 110, 100, 1090));
    EXPECT_FALSE(twoPointFit(100, 110, 1000, 110));
    EXPECT_EQ(plainShift(2, false), (ShiftCoefficients{1, 2, 1, -2}));
    EXPECT_EQ(plainShift(2, true), (ShiftCoefficients{1, -2, 1, 2}));
    EXPECT_EQ(onePointFit(65, 60), (ShiftCoefficients{1, 5, 1, -5}));

    SubtitleSaveOptions o;
    o.format = SubtitleSaveFormat::Tmp;
    o.correct = true;
    o.shift = *fit;
    EXPECT_EQ(written({{100, kNone, "a"}, {1000, kNone, "b"}}, o), u"0:01:50:a\r\n0:18:10:b\r\n"_qs);
    o.shift = plainShift(2, false);
    const SubtitleSaveText early = formatSubtitles({{1, kNone, "a"}, {10, kNone, "b"}}, o);
    EXPECT_EQ(early.text, "0:00:00:a\r\n0:00:08:b\r\n");
    EXPECT_EQ(early.clampedToZero, 1);
    o.correct = false; // stored times unchanged
    EXPECT_EQ(written({{10, kNone, "b"}}, o), u"0:00:10:b\r\n"_qs);
}

TEST(SubtitleWriter, RoundTripsKeepEveryLineAndTime)
{
    // With the texts that mean something to some format: empty display lines, a "/" opening
    // one (italics in MPL2), braces (MicroDVD fields).
    const std::vector<SubtitleCue> source = {{1.5, 3.2, u"Zażółć gęślą jaźń"_qs.toUtf8()},
                                             {10, 12, u"|Na początku"_qs.toUtf8()},
                                             {20, 22, u"Na końcu|"_qs.toUtf8()},
                                             {30, 32, "Przed||po"},
                                             {40, 42, u"/ścieżka|/usr/bin"_qs.toUtf8()},
                                             {50, 52, "{y:i}Klamry {1}{2} }{"},
                                             {62, 64, "Pierwszy|Drugi"},
                                             {3725, 3727.3, "Trzeci"}};
    // SubRip cannot hold an empty line inside a cue: it comes back as a no-break space.
    const auto srtText = [](const QByteArray &text) {
        QByteArrayList lines = text.split('|');
        for (QByteArray &l : lines)
            l = l.isEmpty() ? QByteArray("\xC2\xA0") : l;
        return lines.join('|');
    };
    const struct {
        SubtitleSaveFormat format;
        double precision; // seconds
        bool ends;
    } formats[] = {{SubtitleSaveFormat::Srt, 0.001, true}, {SubtitleSaveFormat::Mpl2, 0.1, true},
                   {SubtitleSaveFormat::Mdvd, 0.04, true}, {SubtitleSaveFormat::Tmp, 1, false},
                   {SubtitleSaveFormat::Lrc, 1, false}};
    for (const auto &f : formats) {
        SubtitleSaveOptions o;
        o.format = f.format;
        o.frameRate = 25;
        o.frameEnds = true;
        const QByteArray text = formatSubtitles(source, o).text;
        const auto loaded = zv::test::loadSample(text);
        ASSERT_EQ(loaded.result.unrecognised, 0) << text.constData();
        const auto back = subtitleCues(loaded.result.table, 25);
        ASSERT_EQ(back.size(), source.size()) << text.constData();
        for (size_t i = 0; i < back.size(); ++i) {
            // LRC has no hours: 1:02:05 comes back as 2:05.
            const double want = f.format == SubtitleSaveFormat::Lrc ? std::fmod(source[i].start, 3600) : source[i].start;
            EXPECT_NEAR(back[i].start, want, f.precision) << text.constData();
            if (f.ends) {
                EXPECT_NEAR(back[i].end, source[i].end, f.precision) << text.constData();
            }
            EXPECT_EQ(back[i].text, f.format == SubtitleSaveFormat::Srt ? srtText(source[i].text) : source[i].text)
                << text.constData();
        }
    }
}

TEST(SubtitleWriter, SavesAtomicallyInTheEncodingItCanKeep)
{
    zv::test::FileTree t;
    const QString path = t.file(QStringLiteral("a.txt"), "stare");
    TextEncoding used{};
    ASSERT_TRUE(saveSubtitleFile(path, u"0:00:01:żółw\r\n"_qs.toUtf8(), TextEncoding::Windows1250, &used));
    EXPECT_EQ(used, TextEncoding::Windows1250);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("0:00:01:\xBF\xF3\xB3w\r\n"));
    f.close();
    // A letter the code page lacks: UTF-8 with a BOM.
    ASSERT_TRUE(saveSubtitleFile(path, u"0:00:01:日本\r\n"_qs.toUtf8(), TextEncoding::Windows1250, &used));
    EXPECT_EQ(used, TextEncoding::Utf8Bom);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("\xEF\xBB\xBF" "0:00:01:"));
    f.close();
    // A target that cannot be written: an error, the old file untouched.
    QString error;
    EXPECT_FALSE(saveSubtitleFile(t.root() + u"/a.txt/x"_qs, "x", TextEncoding::Utf8, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The line formats themselves are the cue tests' above; here the loaded table, its
// encoding and what the save reports.
TEST(SubtitleWriter, SavesTheLoadedTableCorrectedInItsEncoding)
{
    zv::test::FileTree t;
    const QByteArray cp1250 = "0:00:01:\xBF\xF3\xB3w\r\n0:00:05:Pi\xEA\xE6 \r\n"; // "żółw", "Pięć"
    const QString path = t.file(QStringLiteral("a.txt"), cp1250);
    const auto loaded = zv::test::loadSample(cp1250);
    ASSERT_EQ(loaded.encoding, TextEncoding::Windows1250);
    // Over the loaded file, 2 s earlier: replaced whole, still 8-bit, the first line at 0 and
    // counted; the table keeps its times.
    CorrectedSaveResult r = ZapiszTekst(loaded.result.table, path,
                                        {SubtitleSaveFormat::Tmp, 25, true, plainShift(2, false), loaded.encoding});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.used, TextEncoding::Windows1250);
    EXPECT_EQ(r.clampedToZero, 1);
    EXPECT_TRUE(r.note.contains(u"(zapisanych w czasie 0): 1"_qs)) << r.note.toStdString();
    EXPECT_EQ(readAll(path), QByteArray("0:00:00:\xBF\xF3\xB3w\r\n0:00:03:Pi\xEA\xE6\r\n"));
    EXPECT_EQ(loaded.result.table.TimeTable()[1].start, 5);
    // 2 s past 23:59:59 later: written as it is, but said not to read back.
    r = ZapiszTekst(loaded.result.table, path,
                    {SubtitleSaveFormat::Tmp, 25, true, plainShift(86398, true), loaded.encoding});
    EXPECT_EQ(r.pastOneDay, 1);
    EXPECT_TRUE(r.note.contains(u"24 godzinach"_qs) && r.note.contains(u": 1."_qs)) << r.note.toStdString();
    // MDVD with no film: 25 fps, said so.
    r = ZapiszTekst(loaded.result.table, path, {SubtitleSaveFormat::Mdvd, -1, false, {}, TextEncoding::Utf8});
    EXPECT_TRUE(r.assumedFrameRate);
    EXPECT_FALSE(r.note.isEmpty());
    EXPECT_EQ(readAll(path), u"{25}{}żółw\r\n{125}{}Pięć \r\n"_qs.toUtf8());
    // A letter the code page lacks: UTF-8 with a BOM, said so. ISO-8859-2 stays ISO-8859-2.
    const auto foreign = zv::test::loadSample(u"0:00:05:żółw 日本\r\n"_qs.toUtf8());
    r = ZapiszTekst(foreign.result.table, path, {SubtitleSaveFormat::Tmp, 25, false, {}, TextEncoding::Windows1250});
    EXPECT_EQ(r.used, TextEncoding::Utf8Bom);
    EXPECT_TRUE(r.note.contains(u"UTF-8"_qs));
    TextEncoding iso{};
    EXPECT_EQ(encodeSubtitleText(u"0:00:01:ąśź\r\n"_qs.toUtf8(), TextEncoding::Iso8859_2, &iso),
              QByteArray("0:00:01:\xB1\xB6\xBC\r\n"));
    EXPECT_EQ(iso, TextEncoding::Iso8859_2);
    // A table with only its sentinel writes an empty file; an unwritable target fails.
    const auto empty = zv::test::loadSample("0:00:01:   \r\n");
    EXPECT_TRUE(ZapiszTekst(empty.result.table, path, {}).ok);
    EXPECT_EQ(readAll(path), QByteArray());
    r = ZapiszTekst(loaded.result.table, path + u"/x"_qs, {});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
}

TEST(SubtitleWriter, EndMarkerIsLeftOutWhereverItSorts)
{
    // Time lines after 12:00:00 sort behind the time lines' end marker, which then stands
    // among the lines.
    zv::test::FileTree t;
    const QString path = t.path(QStringLiteral("po.txt"));
    const auto loaded = zv::test::loadSample(u"0:00:05:Rano\r\n12:00:00:W południe\r\n13:00:00:Po południu\r\n"_qs.toUtf8());
    const CorrectedSaveResult r =
        ZapiszTekst(loaded.result.table, path, {SubtitleSaveFormat::Tmp, 25, true, plainShift(5, true), TextEncoding::Utf8});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, 3);
    EXPECT_EQ(readAll(path), u"0:00:10:Rano\r\n12:00:05:W południe\r\n13:00:05:Po południu\r\n"_qs.toUtf8());
    // The same table made by hand; bracket lines, whose marker is last and whose empty lines count.
    const auto byHand = SubtitleTable::fromTimeTable(
        {{5, u"Rano"_qs}, {43200, u"W południe"_qs}, {43200, QString()}, {46800, u"Po południu"_qs}});
    const auto cues = subtitleCues(byHand, 25);
    ASSERT_EQ(cues.size(), 3u);
    EXPECT_EQ(cues[2].text, "Po po\xC5\x82udniu");
    const auto bracket = zv::test::loadSample("[00:01]\r\n[00:02]Dwa\r\n");
    EXPECT_EQ(subtitleCues(bracket.result.table, 25).size(), 2u);
}

TEST(SubtitleWriter, FullDiskIsSaidToBeFull)
{
    zv::test::SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << "a small file system to fill needs root";
    // Larger than the disk, so that a write gets part of its piece out before the disk fills.
    QByteArray lines;
    for (int s = 0; s < 6000; ++s)
        lines += QString::asprintf("%d:%02d:%02d:Wiersz numer %d\r\n", s / 3600, s / 60 % 60, s % 60, s).toUtf8();
    const auto loaded = zv::test::loadSample(lines);
    ASSERT_GT(subtitleCues(loaded.result.table, 25).size(), 3000u);
    const QString path = disk.path(QStringLiteral("a.txt"));
    ASSERT_TRUE(writeFileAtomically(path, "stare"));
    const CorrectedSaveResult r = ZapiszTekst(loaded.result.table, path, {SubtitleSaveFormat::Tmp, 25, false, {}, TextEncoding::Utf8});
    EXPECT_FALSE(r.ok);
    // Qt's words for it, which the player shows in Polish ("Brak wolnego miejsca na urządzeniu").
    EXPECT_EQ(r.error.toStdString(), qt_error_string(ENOSPC).toStdString());
    EXPECT_EQ(readAll(path), "stare");
}

// Cue formats are read as lists in start order: they go out sorted, equal starts in the table's
// order, and a line without an end lasts until the next one shown. The line formats keep the
// table's order.
TEST(SubtitleWriter, CueFormatsGoOutInStartOrder)
{
    const std::vector<SubtitleCue> cues = {{7, 8, "c"}, {5, 6, "a"}, {5, kNone, "b"}, {1, 2, "z"}};
    struct Case {
        SubtitleSaveFormat format;
        QString want;
    };
    const Case cases[] = {
        {SubtitleSaveFormat::Srt, u"1\r\n00:00:01,000 --> 00:00:02,000\r\nz\r\n\r\n"
                                  "2\r\n00:00:05,000 --> 00:00:06,000\r\na\r\n\r\n"
                                  "3\r\n00:00:05,000 --> 00:00:07,000\r\nb\r\n\r\n"
                                  "4\r\n00:00:07,000 --> 00:00:08,000\r\nc\r\n\r\n"_qs},
        {SubtitleSaveFormat::Mpl2, u"[10][20]z\r\n[50][60]a\r\n[50][70]b\r\n[70][80]c\r\n"_qs},
        {SubtitleSaveFormat::Tmp, u"0:00:07:c\r\n0:00:05:a\r\n0:00:05:b\r\n0:00:01:z\r\n"_qs},
        {SubtitleSaveFormat::Mdvd, u"{175}{}c\r\n{125}{}a\r\n{125}{}b\r\n{25}{}z\r\n"_qs},
    };
    SubtitleSaveOptions o;
    o.frameRate = 25;
    for (const Case &c : cases) {
        o.format = c.format;
        EXPECT_EQ(written(cues, o), c.want) << int(c.format);
    }
    // A loaded file saved piece by piece, with hours past 99 and a line far out of place.
    const auto loaded = zv::test::loadSample("{9000000}{9000025}p\r\n{50}{75}q\r\n{9000050}{9000075}r\r\n");
    zv::test::FileTree t;
    const QString path = t.root() + u"/out.srt"_qs;
    o.format = SubtitleSaveFormat::Srt;
    ASSERT_TRUE(saveSubtitles(path, loaded.result.table, 25, o, TextEncoding::Utf8, nullptr));
    EXPECT_EQ(readAll(path), "1\r\n00:00:02,000 --> 00:00:03,000\r\nq\r\n\r\n"
                             "2\r\n100:00:00,000 --> 100:00:01,000\r\np\r\n\r\n"
                             "3\r\n100:00:02,000 --> 100:00:03,000\r\nr\r\n\r\n");
}

TEST(SubtitleWriter, StreamedSaveWritesWhatTheWholeTextWould)
{
    // Large enough to be written in many pieces; one text begins with U+FEFF, which a UTF-8
    // file must keep apart from its mark.
    QByteArray big;
    for (int i = 0; i < 20000; ++i)
        big += "{" + QByteArray::number(100 * i) + "}{" + QByteArray::number(100 * i + 50) + "}Wiersz " + QByteArray::number(i) + " \xC5\xBC\xC3\xB3\xC5\x82w|drugi\r\n";
    const QByteArray sources[] = {big, "{10}{20}\xEF\xBB\xBFznak\r\n{30}{40}b\r\n", ""};
    zv::test::FileTree t;
    const QString path = t.root() + u"/out.txt"_qs;
    for (const QByteArray &source : sources) {
        const auto loaded = zv::test::loadSample(source);
        for (const SubtitleSaveFormat format : {SubtitleSaveFormat::Srt, SubtitleSaveFormat::Tmp}) {
            for (const TextEncoding enc : {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Windows1250}) {
                SCOPED_TRACE(testing::Message() << source.size() << " " << int(format) << " " << int(enc));
                SubtitleSaveOptions o;
                o.format = format;
                const SubtitleSaveText whole = formatSubtitles(subtitleCues(loaded.result.table, 25), o);
                TextEncoding wantUsed{}, used{};
                const QByteArray want = encodeSubtitleText(whole.text, enc, &wantUsed);
                SubtitleSaveText counts;
                ASSERT_TRUE(saveSubtitles(path, loaded.result.table, 25, o, enc, &counts, &used));
                EXPECT_EQ(readAll(path), want);
                EXPECT_EQ(used, wantUsed);
                EXPECT_EQ(counts.lines, whole.lines);
                EXPECT_TRUE(counts.text.isEmpty());
            }
        }
    }
    // A target that cannot be written: an error, and the counts still given.
    const auto loaded = zv::test::loadSample("{10}{20}a\r\n");
    SubtitleSaveText counts;
    QString error;
    EXPECT_FALSE(saveSubtitles(path + u"/x"_qs, loaded.result.table, 25, {}, TextEncoding::Utf8, &counts, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SubtitleWriter, SavedFilesLoadBackAsTheSameTable)
{
    zv::test::FileTree t;
    const QByteArray frames = "{100}{150}Pierwszy|wiersz\r\n{1262}{1300}Drugi\r\n{89975}{}Trzeci\r\n";
    const QByteArray times = "0:00:04:Pierwszy|wiersz\r\n0:00:50:Drugi\r\n0:59:59:Trzeci\r\n";
    for (const QByteArray &source : {frames, times}) {
        const auto loaded = zv::test::loadSample(source);
        ASSERT_EQ(loaded.result.unrecognised, 0);
        const auto before = subtitleCues(loaded.result.table, 25);
        for (const SubtitleSaveFormat format : {SubtitleSaveFormat::Tmp, SubtitleSaveFormat::Mdvd, SubtitleSaveFormat::Lrc}) {
            SCOPED_TRACE(int(format));
            const QString path = t.root() + u"/back.txt"_qs;
            ASSERT_TRUE(ZapiszTekst(loaded.result.table, path, {format, 25, false, {}, TextEncoding::Utf8}).ok);
            const auto again = zv::test::loadSample(readAll(path));
            ASSERT_EQ(again.result.unrecognised, 0);
            const auto after = subtitleCues(again.result.table, 25);
            ASSERT_EQ(after.size(), before.size());
            // MDVD keeps the frame; the whole-second formats keep the table's seconds.
            for (size_t i = 0; i < after.size(); ++i) {
                EXPECT_NEAR(after[i].start, before[i].start, format == SubtitleSaveFormat::Mdvd ? 0.04 : 0.5);
                EXPECT_EQ(again.result.table.TimeTable()[qsizetype(i)].start, loaded.result.table.TimeTable()[qsizetype(i)].start);
                EXPECT_EQ(after[i].text, before[i].text);
            }
        }
    }
}

TEST(TimeShift, JumpSecondIsWhereTheLineIsShown)
{
    struct Case {
        const char *name;
        int64_t start;
        bool on;
        ShiftCoefficients shift;
        int64_t want;
    };
    const ShiftCoefficients fit = *twoPointFit(100, 110, 1000, 1090);
    const Case cases[] = {
        {"off", 60, false, plainShift(5, true), 60},
        {"5 s later", 60, true, plainShift(5, true), 65},
        {"2 s earlier", 10, true, plainShift(2, false), 8},
        {"before 0", 1, true, plainShift(2, false), 0},
        {"two points, first", 100, true, fit, 110},
        {"two points, second", 1000, true, fit, 1090},
        {"past a day", 100000, true, plainShift(0, false), 100000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(correctedSecond(c.start, c.on, c.shift), c.want) << c.name;

    // The timer shows both reference lines at exactly the film times they were placed at.
    const auto loaded = zv::test::loadSample("0:01:40:Sto\r\n0:16:40:Tysiąc\r\n");
    for (const auto &[film, text] : {std::pair{110.0, u"Sto"_qs}, std::pair{1090.0, u"Tysiąc"_qs}}) {
        SubtitleDisplayState state;
        SubtitleTimerInput in;
        in.CurrentPosition = film;
        in.OffsetEnabled = true;
        in.ShiftFactor = fit.ShiftFactor;
        in.ShiftOffset = fit.ShiftOffset;
        EXPECT_EQ(Timer1Timer(loaded.result.table, in, state), text);
    }
}
