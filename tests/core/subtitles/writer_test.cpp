#include "core/subtitles/subtitle_writer.h"
#include "support/file_tree.h"
#include "support/subtitle_samples.h"

#include <gtest/gtest.h>

#include <QFile>

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
    const std::vector<SubtitleCue> source = {
        {1.5, 3.2, u"Zażółć gęślą jaźń"_qs.toUtf8()}, {62, 64, "Pierwszy|Drugi"}, {3725, 3727.3, "Trzeci"}};
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
            if (f.ends)
                EXPECT_NEAR(back[i].end, source[i].end, f.precision) << text.constData();
            EXPECT_EQ(back[i].text, source[i].text);
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
