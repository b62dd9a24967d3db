#include "core/subtitles/styled_text.h"
#include "core/subtitles/subtitle_timer.h"
#include "core/subtitles/subtitle_writer.h"
#include "support/subtitle_samples.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zv;
using zv::test::loadSample;
using zv::test::styled;

namespace {

QStringList textsOf(const SubtitleTable &t)
{
    QStringList out;
    if (t.CueTimed() || t.FrameTimed()) {
        for (const FrameEntry &e : t.FrameTable())
            out.append(e.text);
    } else {
        for (qsizetype i = 0; i < t.TimeTable().size(); ++i) {
            if (!t.isEndMarker(i))
                out.append(t.TimeTable()[i].text);
        }
    }
    return out;
}

QByteArray srt(const QByteArray &text)
{
    return "1\n00:00:01,000 --> 00:00:02,000\n" + text + "\n";
}

} // namespace

// What each file's markup becomes in the table; "[i]" and the like stand for the marks.
TEST(StyledText, LoadersKeepItalicsAndBold)
{
    const struct {
        const char *label;
        QByteArray bytes;
        FileKind kind;
        QStringList texts;
    } cases[] = {
        {"SubRip italics, closed at the end", srt("<i>Kto tam?</i>"), kindSubRipSubtitle, {u"[i]Kto tam?"_qs}},
        {"any case, then upright", srt("<I>a</I> b"), kindSubRipSubtitle, {u"[i]a[/i] b"_qs}},
        {"override blocks", srt("{\\i1}a{\\i0} {\\an8\\b1}b"), kindSubRipSubtitle, {u"[i]a[/i] [b]b"_qs}},
        {"nested", srt("<b><i>a</i></b> c"), kindSubRipSubtitle, {u"[i][b]a[/i][/b] c"_qs}},
        {"a display line inside a span keeps it", srt("<i>a\nb</i>\nc"), kindSubRipSubtitle,
         {u"[i]a|b[/i]|c"_qs}},
        {"an unclosed tag ends with its cue",
         "1\n00:00:01,000 --> 00:00:02,000\n<i>a\n\n2\n00:00:03,000 --> 00:00:04,000\nb\n",
         kindSubRipSubtitle, {u"[i]a"_qs, u"b"_qs}},
        {"tags that change nothing leave no marks", srt("<i></i>a<b><b>b</b>"), kindSubRipSubtitle,
         {u"a[b]b"_qs}},
        {"other tags dropped", srt("<font color=\"red\">a</font> <u>b</u>{\\blur3}c"), kindSubRipSubtitle,
         {u"a bc"_qs}},
        // A file's own mark characters are dropped: they could neither start nor end a style.
        {"forged marks", srt("a\x1C" "b <i>c\x1D d"), kindSubRipSubtitle, {u"ab [i]c d"_qs}},
        {"MPL2 slash: that display line only", "[10][20]/Ktoś|mówi\n[30][40]a|/b\n", kindMpl2Subtitle,
         {u"[i]Ktoś[/i]|mówi"_qs, u"a|[i]b"_qs}},
        {"MPL2 doubled slash is the text's own", "[10][20]//usr|/<b>x</b>\n", kindMpl2Subtitle,
         {u"/usr|[i][b]x"_qs}},
        {"MPL2 forged marks", "[10][20]a\x1E" "b\n", kindMpl2Subtitle, {u"ab"_qs}},
        // The three line formats read their text as they always have.
        {"time lines untouched", "0:00:01:<i>a</i>\x1C" "b\n", kindTimeSubtitle, {u"<i>a</i>\x1C" "b"_qs}},
        {"MicroDVD {y:i} stays text", "{1}{2}{y:i}a|/b\n", kindFrameSubtitle, {u"{y:i}a|/b"_qs}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        const auto s = loadSample(c.bytes);
        ASSERT_EQ(s.kind, c.kind);
        QStringList want;
        for (const QString &t : c.texts)
            want.append(c.kind == kindSubRipSubtitle || c.kind == kindMpl2Subtitle ? styled(t) : t);
        EXPECT_EQ(textsOf(s.result.table), want);
    }
}

// Lists and the timer: plain text where the user reads a list, marks for the renderer, and the
// line formats' own control characters as blanks, as they always showed.
TEST(StyledText, ConsumersGetPlainOrStyledText)
{
    const SubtitleTable cues = loadSample(srt("<i>Kto</i> tam")).result.table;
    EXPECT_EQ(cues.TimeTable().size(), 2);
    const TimeLists lists = LadujOpisyDoOpcji(cues, TimeListShift{});
    EXPECT_EQ(lists.TimeListPlain.line(0), u"0:00:01     Kto tam"_qs);

    SubtitleDisplayState state;
    SubtitleTimerInput in;
    in.CurrentPosition = 1.5;
    Timer1Timer(cues, in, state);
    EXPECT_EQ(state.DisplayedText, styled(u"[i]Kto[/i] tam"_qs));

    const SubtitleTable timeLines = loadSample("0:00:01:a\x1C" "b\n").result.table;
    SubtitleDisplayState other;
    Timer1Timer(timeLines, in, other);
    EXPECT_EQ(other.DisplayedText, u"a b"_qs);
}

TEST(StyledText, WriterPutsEachFormatsMarkup)
{
    const std::vector<SubtitleCue> cues = {
        {1, 2, styled(u"[i]Kto tam?[/i]|ja"_qs).toUtf8()},
        {3, 4, styled(u"a [i]b|[b]c"_qs).toUtf8()},
        {5, 6, styled(u"[i]/usr"_qs).toUtf8()},
    };
    const struct {
        SubtitleSaveFormat format;
        QByteArray want;
    } cases[] = {
        {SubtitleSaveFormat::Srt,
         "1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>Kto tam?</i>\r\nja\r\n\r\n"
         "2\r\n00:00:03,000 --> 00:00:04,000\r\na <i>b\r\n<b>c</i></b>\r\n\r\n"
         "3\r\n00:00:05,000 --> 00:00:06,000\r\n<i>/usr</i>\r\n\r\n"},
        // Only a display line in italics throughout has MPL2's "/"; a "/" of the text itself
        // goes out doubled and so upright.
        {SubtitleSaveFormat::Mpl2, "[10][20]/Kto tam?|ja\r\n[30][40]a b|/c\r\n[50][60]//usr\r\n"},
        {SubtitleSaveFormat::Tmp, "0:00:01:Kto tam?|ja\r\n0:00:03:a b|c\r\n0:00:05:/usr\r\n"},
    };
    for (const auto &c : cases) {
        SubtitleSaveOptions o;
        o.format = c.format;
        o.frameRate = 25;
        EXPECT_EQ(formatSubtitles(cues, o).text, c.want) << int(c.format);
    }

    // SubRip to SubRip and MPL2 to MPL2 keep what the format can hold, through the real loader.
    const struct {
        QByteArray file;
        SubtitleSaveFormat format;
    } trips[] = {
        {"1\n00:00:01,000 --> 00:00:02,000\n<i>a</i> <b>b\nc</b> {\\i1}d\n\n"
         "2\n00:00:03,000 --> 00:00:04,000\n<I>Kto tam?</I>\n",
         SubtitleSaveFormat::Srt},
        {"[10][20]/Kto tam?|ja\n[30][40]//usr|/a\n", SubtitleSaveFormat::Mpl2},
    };
    for (const auto &t : trips) {
        const SubtitleTable first = loadSample(t.file).result.table;
        SubtitleSaveOptions o;
        o.format = t.format;
        const QByteArray written = formatSubtitles(subtitleCues(first, 25), o).text;
        const SubtitleTable again = loadSample(written).result.table;
        EXPECT_EQ(textsOf(again), textsOf(first)) << written.constData();
        EXPECT_TRUE(styled_text::hasMarks(textsOf(again).join(QString())));
    }
}

// Marks are found at every place of a text, and no other byte (UTF-8 continuation bytes
// whose low bits look like a mark included) counts as one.
TEST(StyledText, FindsMarksAnywhere)
{
    for (int at = 0; at < 20; ++at) {
        for (char mark = '\x1C'; mark <= '\x1F'; ++mark) {
            QByteArray text(20, 'x');
            text[at] = mark;
            EXPECT_TRUE(styled_text::hasMarks(text)) << at << int(mark);
            EXPECT_EQ(styled_text::stripMarks(text), QByteArray(19, 'x'));
        }
        for (const char other : {'\x1B', '\x20', '\x3C', '\x5D', '\x9C', '\xDF', '\xFC'}) {
            QByteArray text(20, 'x');
            text[at] = other;
            EXPECT_FALSE(styled_text::hasMarks(text)) << at << int(uint8_t(other));
        }
    }
}
