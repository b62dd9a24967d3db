// Markup of embedded subtitle events to SubRip text, and the names of tracks.
#include "core/media/cue_text.h"
#include "core/media/film_tracks.h"

#include <gtest/gtest.h>

using namespace zv::media;
using namespace zv::media::detail;

TEST(CueText, MarkupBecomesSubRipText)
{
    const struct {
        CueMarkup markup;
        const char *in;
        const char *want;
    } rows[] = {
        // ASS: italics and bold kept, other overrides and comments dropped, breaks and spaces.
        {CueMarkup::Ass, R"({\i1}Hello{\i0} world)", "<i>Hello</i> world"},
        {CueMarkup::Ass, R"({\an8\b1}Top{\b0} line\NSecond\nline)", "<b>Top</b> line\nSecond\nline"},
        {CueMarkup::Ass, R"({\b700}Waga{\b400} zwykła)", "<b>Waga</b> zwykła"},
        {CueMarkup::Ass, R"(A\hB{comment}C)", "A BC"},
        {CueMarkup::Ass, R"({\iclip(0,0,10,10)\bord2\be1\blur3}plain)", "plain"},
        {CueMarkup::Ass, R"({\t(0,500,\i1)\pos(10,20)}plain)", "plain"},
        {CueMarkup::Ass, R"({\p1}m 0 0 l 10 0 10 10{\p0}Drawn)", "Drawn"},
        {CueMarkup::Ass, R"({\p1}m 0 0 l 10 0 10 10)", ""},
        {CueMarkup::Ass, R"({\i1}Open to the end)", "<i>Open to the end</i>"},
        {CueMarkup::Ass, R"({\i1\b1}Both{\r} reset)", "<i><b>Both</b></i> reset"},
        {CueMarkup::Ass, R"(\N\N{\i1}\NLine\N)", "<i>Line</i>"},
        {CueMarkup::Ass, R"(Line\N{\i0})", "Line"},
        {CueMarkup::Ass, "<i>literal</i>", "<i>literal</i>"},
        // SubRip: <i>/<b> kept, the rest dropped, the {\an8} blocks some files carry dropped.
        {CueMarkup::Html, "<i>Zażółć gęślą jaźń</i>", "<i>Zażółć gęślą jaźń</i>"},
        {CueMarkup::Html, "<font color=\"#ff0000\">Red</font> <U>under</U>", "Red under"},
        {CueMarkup::Html, "{\\an8}Top\r\n\r\nafter blank", "Top\nafter blank"},
        {CueMarkup::Html, "<I>upper</I> and <b>bold", "<i>upper</i> and <b>bold</b>"},
        {CueMarkup::Html, "2 < 3 and 5 > 4", "2 < 3 and 5 > 4"},
        {CueMarkup::Html, "{not a block} x", "{not a block} x"},
        {CueMarkup::Html, "  spaced   out  \n", "spaced out"},
        // WebVTT: voices, classes, timestamps and entities.
        {CueMarkup::WebVtt, "<v Anna>Hi <i.loud>there</i></v>", "Hi <i>there</i>"},
        {CueMarkup::WebVtt, "<c.yellow>Tom &amp; Jerry</c> &lt;3<00:00:01.000>", "Tom & Jerry <3"},
        {CueMarkup::WebVtt, "<i></i>", ""},
    };
    for (const auto &r : rows)
        EXPECT_EQ(toSubRipText(QByteArrayView(r.in), r.markup), QByteArray(r.want)) << r.in;
}

TEST(CueText, AssEventsAndStyles)
{
    const AssEvent mkv = splitAssEvent("3,0,Sign,Anna,0,0,0,,Text, with a comma");
    EXPECT_EQ(mkv.style, QByteArrayView("Sign"));
    EXPECT_EQ(mkv.text, QByteArrayView("Text, with a comma"));
    const AssEvent line = splitAssEvent("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hi, you");
    EXPECT_EQ(line.style, QByteArrayView("Default"));
    EXPECT_EQ(line.text, QByteArrayView("Hi, you"));

    const auto styles = assStyles("[Script Info]\nStyle: Fake,1,1\n[V4+ Styles]\r\n"
                                  "Format: Name, Fontname, Bold, Italic\r\n"
                                  "Style: Default,Arial,0,0\r\nStyle: Song,Arial,0,-1\r\n"
                                  "Style: Loud,Arial,-1,0\r\n[Events]\r\nStyle: Late,Arial,1,1\r\n");
    EXPECT_EQ(styles.size(), 3);
    EXPECT_TRUE(styles.value("Song").italic);
    EXPECT_FALSE(styles.value("Song").bold);
    EXPECT_TRUE(styles.value("Loud").bold);
    // A style's italics cover the line and stop where the line turns them off.
    EXPECT_EQ(toSubRipText("La la {\\i0}la", CueMarkup::Ass, styles.value("Song")),
              QByteArray("<i>La la</i> la"));
}

TEST(TrackNames, LanguagesAndLabels)
{
    const struct {
        const char *tag;
        const char *name;
    } languages[] = {{"pol", "polski"},    {"PL", "polski"},     {"eng", "angielski"},
                     {"ger", "niemiecki"}, {"deu", "niemiecki"}, {"fra", "francuski"},
                     {"fre", "francuski"}, {"spa", "hiszpański"}, {"ita", "włoski"},
                     {"rus", "rosyjski"},  {"cze", "czeski"},    {"ces", "czeski"},
                     {"jpn", "japoński"},  {"und", "nieokreślony"}, {"", "nieokreślony"},
                     {"pl-PL", "polski"},  {"tlh", "tlh"}};
    for (const auto &l : languages)
        EXPECT_EQ(languageName(QString::fromUtf8(l.tag)), QString::fromUtf8(l.name)) << l.tag;

    const auto track = [](int number, const char *lang, const char *title, const char *codec) {
        FilmTrack t;
        t.number = number;
        t.language = QString::fromUtf8(lang);
        t.title = QString::fromUtf8(title);
        t.codecLabel = QString::fromUtf8(codec);
        return t;
    };
    const struct {
        FilmTrack track;
        const char *label;
    } labels[] = {
        {track(2, "pol", "Lektor", "AC-3 5.1"), "2: polski — Lektor (AC-3 5.1)"},
        {track(1, "eng", "", "AAC stereo"), "1: angielski (AAC stereo)"},
        {track(3, "", "Komentarz", "Opus"), "3: Komentarz (Opus)"},
        {track(4, "und", "", "SubRip"), "4 (SubRip)"},
        {track(5, "pol", "", "PGS (obraz)"), "5: polski (PGS, obraz)"},
        {track(6, "", "", ""), "6"},
    };
    for (const auto &l : labels)
        EXPECT_EQ(trackLabel(l.track), QString::fromUtf8(l.label));
}
