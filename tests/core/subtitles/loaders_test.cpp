#include "core/common/text_codec.h"
#include "core/subtitles/subtitle_loader.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace zv;

namespace {

// The entries of a loaded table without its closing sentinel.
QList<TimeEntry> body(const LoadResult &r)
{
    QList<TimeEntry> t = r.table.TimeTable().toList();
    if (!t.isEmpty())
        t.removeLast();
    return t;
}

// One line's outcome: an entry (start, text), a silent skip, or a counted error.
struct LineCase {
    const char *line;
    int count;        // entries expected (0: skipped or error)
    int unrecognised; // counted errors
    int start;
    const char16_t *text;
};

void expectLine(LoadResult (*load)(const QStringList &, const LoadSettings &), const LineCase &c)
{
    const QString line = QString::fromUtf8(c.line);
    const LoadResult r = load({line}, LoadSettings{});
    SCOPED_TRACE(c.line);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.unrecognised, c.unrecognised);
    const QList<TimeEntry> t = body(r);
    ASSERT_EQ(t.size(), c.count);
    if (c.count > 0) {
        EXPECT_EQ(t[0].start, c.start);
        EXPECT_EQ(t[0].text, QString::fromUtf16(c.text));
    }
}

} // namespace

TEST(TimeLines, FieldsSeparatorsAndRanges)
{
    const LineCase cases[] = {
        {"0:01:02:Ala|ma kota", 1, 0, 62, u"Ala|ma kota"},
        {"00:01:02 Ala", 1, 0, 62, u"Ala"},
        {"0:1:2:x", 1, 0, 62, u"x"},
        {"1:00:00=x", 1, 0, 3600, u"x"},
        {"10:00:00:x", 1, 0, 36000, u"x"},
        {"11:59:59:x", 1, 0, 43199, u"x"},
        {"0:01:02:Tekst  ", 1, 0, 62, u"Tekst  "},      // trailing blanks kept
        {"0:01:02:|", 1, 0, 62, u"|"},                  // a lone line break is a text
        {"0:01:02:  Tekst", 1, 0, 62, u"  Tekst"},      // so are leading ones
        {" 0:01:02:x", 1, 0, 62, u"x"},                 // a blank before the hours is allowed
        {"+0:01:02:x", 1, 0, 62, u"x"},
        // The seconds scan stops at the ninth character: the rest is separator and text.
        {"0:01:0234:x", 1, 0, 83, u":x"},
        {"0:01:02:", 0, 0, 0, u""},                     // nothing after the time: silent
        {"0:01:02:   ", 0, 0, 0, u""},
        {"0:01:02", 0, 0, 0, u""},
        {"99:99:99:", 0, 0, 0, u""},                     // emptiness is decided before ranges
        {"1:75:00:x", 0, 1, 0, u""},
        {"24:00:00:x", 0, 1, 0, u""},
        {"0:00:60:x", 0, 1, 0, u""},
        {"-1:00:00:x", 0, 1, 0, u""},
        {"0:-5:00:x", 0, 1, 0, u""},
        {"100:00:00:x", 0, 1, 0, u""},
        {"0:01:a:x", 0, 1, 0, u""},                      // empty seconds field
        {"0:0000001:02:x", 0, 1, 0, u""},                // second colon past the scan limit
        {"99999999999:00:00:x", 0, 1, 0, u""},           // beyond 32 bits
        {"0:4294967296:00:x", 0, 1, 0, u""},
        {"12345 Tekst", 0, 1, 0, u""},
        {"1:", 0, 1, 0, u""},
        {":", 0, 1, 0, u""},
        {"x:01:02:", 0, 1, 0, u""},                      // a bad field counts even without text
        // Positions count characters, not bytes: a Polish letter is one character.
        {"0:00:01:Ąla", 1, 0, 1, u"Ąla"},
        {"0:00:01ąBolek", 1, 0, 1, u"Bolek"},           // a letter as the separator is dropped whole
        {"0:00:1ą", 0, 0, 0, u""},                       // ... and then nothing is left
    };
    for (const LineCase &c : cases)
        expectLine(&LoadProc0, c);
}

TEST(TimeLines, SortedStablyWithTheNoonSentinel)
{
    const LoadResult r = LoadProc0({"0:00:20:b", "13:00:00:late", "0:00:10:a1", "0:00:10:a2",
                                    "12:00:00:noon"},
                                   {});
    const auto t = r.table.TimeTable();
    ASSERT_EQ(t.size(), 6);
    const std::pair<int, QString> expected[] = {
        {10, "a1"}, {10, "a2"}, {20, "b"}, {43200, "noon"}, {43200, ""}, {46800, "late"}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(t[i].start, expected[i].first) << i;
        EXPECT_EQ(t[i].text, expected[i].second) << i;
    }
    EXPECT_FALSE(r.table.FrameTimed());
}

TEST(FrameLines, FieldsAndComputedEnds)
{
    struct Case {
        const char *line;
        double fps;
        int delay;
        int unrecognised;
        int start, end, second;
        const char16_t *text;
    };
    const Case cases[] = {
        {"{1250}{1300}Tekst|Drugi", 25, 4, 0, 1250, 1300, 50, u"Tekst|Drugi"},
        {"{100}{}Tekst", 25, 4, 0, 100, 200, 4, u"Tekst"},
        {"{100}{}Tekst", 0, 4, 0, 100, 200, 4, u"Tekst"},    // nothing open: 25 fps
        {"{100}{}Tekst", -1, 4, 0, 100, 200, 4, u"Tekst"},   // clip opening: 25 fps
        {"{100}{}x", 23.976, 4, 0, 100, 196, 4, u"x"},
        {"{0}{}x", 12.5, 1, 0, 0, 12, 0, u"x"},              // 12.5 rounds to even
        {"{1}{}x", 12.5, 1, 0, 1, 14, 0, u"x"},              // 13.5 too
        {"{50}{60}x", 20, 4, 0, 50, 60, 2, u"x"},            // 2.5 s -> 2
        {"{70}{80}x", 20, 4, 0, 70, 80, 4, u"x"},            // 3.5 s -> 4
        {"{1}{2}", 25, 4, 0, 1, 2, 0, u""},                  // no text is still a line
        {"{1}{2}||", 25, 4, 0, 1, 2, 0, u"||"},
        {"{5}{3}x", 25, 4, 0, 5, 3, 0, u"x"},                // kept, never matches
        {"{-50}{10}x", 25, 4, 0, -50, 10, -2, u"x"},
        {"{ 7}{ 9}x  ", 25, 4, 0, 7, 9, 0, u"x  "},
        {"{1}}x", 25, 4, 0, 1, 101, 0, u"x"},                // empty end field
        {"{2147483647}{}x", 25, 4, 1, 0, 0, 0, nullptr},     // computed end beyond 32 bits
        {"{2147483647}{2147483647}x", 1, 4, 0, 2147483647, 2147483647, 2147483647, u"x"},
        {"{99999999999}{1}x", 25, 4, 1, 0, 0, 0, nullptr},
        {"{1}{99999999999}x", 25, 4, 1, 0, 0, 0, nullptr},
        {"{abc}{1}x", 25, 4, 1, 0, 0, 0, nullptr},
        {"{1}{ }x", 25, 4, 1, 0, 0, 0, nullptr},            // a blank end is not an empty one
        {"{}{}x", 25, 4, 1, 0, 0, 0, nullptr},
        {"{1}x", 25, 4, 1, 0, 0, 0, nullptr},
        {"{", 25, 4, 1, 0, 0, 0, nullptr},
        {"    ", 25, 4, 0, 0, 0, 0, nullptr},                // blank: silent
        {"{1}{2}Żółw}x", 25, 4, 0, 1, 2, 0, u"Żółw}x"},
        {"{12}ą34}tekst", 25, 4, 0, 12, 34, 0, u"tekst"},   // the dropped first character is a letter
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        LoadSettings s;
        s.MediaFrameRate = c.fps;
        s.TextDelay = c.delay;
        const LoadResult r = LoadProc1({QString::fromUtf8(c.line)}, s);
        EXPECT_TRUE(r.table.FrameTimed());
        EXPECT_EQ(r.unrecognised, c.unrecognised);
        const auto f = r.table.FrameTable();
        const auto t = r.table.TimeTable();
        ASSERT_EQ(t.size(), f.size() + 1);
        EXPECT_EQ(t.last().start, kFrameLinesSentinel);
        if (!c.text) {
            EXPECT_TRUE(f.isEmpty());
            continue;
        }
        ASSERT_EQ(f.size(), 1);
        EXPECT_EQ(f[0].startFrame, c.start);
        EXPECT_EQ(f[0].endFrame, c.end);
        EXPECT_EQ(f[0].text, QString::fromUtf16(c.text));
        EXPECT_EQ(t[0].start, c.second);
        EXPECT_EQ(t[0].text, f[0].text);
    }
}

TEST(FrameLines, KeepFileOrder)
{
    const LoadResult r = LoadProc1({"{500}{600}b", "{100}{200}a", "{100}{150}c"}, {});
    const auto t = r.table.TimeTable();
    ASSERT_EQ(t.size(), 4);
    EXPECT_EQ(t[0].text, "b");
    EXPECT_EQ(t[1].text, "a");
    EXPECT_EQ(t[2].text, "c");
}

TEST(BracketLines, TagsAtFixedPositions)
{
    struct Case {
        const char *line;
        QList<int> starts;
        int unrecognised;
        const char16_t *text;
    };
    const Case cases[] = {
        {"[01:23]Tekst", {83}, 0, u"Tekst"},
        {"[00:10][01:05]Refren", {10, 65}, 0, u"Refren"},
        {"[00:10.50]x", {10}, 0, u"x"},
        {"[01:00]", {60}, 0, u""},                       // empty text kept: clears the screen
        {"[59:59] a ", {3599}, 0, u" a "},
        {"[ 1:05]x", {65}, 0, u"x"},
        {"[00:10][xx:yy]x", {10}, 1, u"x"},              // a bad tag spares the good ones
        {"[60:00]x", {}, 1, nullptr},
        {"[00:60]x", {}, 1, nullptr},
        {"[-1:00]x", {}, 1, nullptr},
        {"[ab:cd]x", {}, 1, nullptr},
        {"[00:1", {}, 1, nullptr},                       // tag cut short by the line's end
        {"[", {}, 1, nullptr},
        {"[[[", {}, 3, nullptr},
        {"12", {}, 0, nullptr},                          // no tag: nothing, silently
        {"[00:10]Żaba", {10}, 0, u"Żaba"},
        {"[00:10ą[01:00]x", {10, 60}, 0, u"x"},          // character positions, not bytes
        {"[00:01][00:02][00:03][00:04]Długi wiersz ze znakiem [ w środku", {1, 2, 3, 4}, 1, u"Długi wiersz ze znakiem [ w środku"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        const LoadResult r = LoadProc2({QString::fromUtf8(c.line)}, {});
        EXPECT_EQ(r.unrecognised, c.unrecognised);
        const QList<TimeEntry> t = body(r);
        ASSERT_EQ(t.size(), c.starts.size());
        for (qsizetype i = 0; i < t.size(); ++i) {
            EXPECT_EQ(t[i].start, c.starts[i]);
            EXPECT_EQ(t[i].text, QString::fromUtf16(c.text));
        }
        EXPECT_EQ(r.table.TimeTable().last().start, kBracketLinesSentinel);
    }
}

TEST(BracketLines, SortedStablyThenClosed)
{
    const LoadResult r = LoadProc2({"[00:20]b", "[00:10]a", "[00:30][00:10]c"}, {});
    QStringList texts;
    QList<int> starts;
    for (const TimeEntry &e : r.table.TimeTable()) {
        texts.append(e.text);
        starts.append(e.start);
    }
    EXPECT_EQ(starts, (QList<int>{10, 10, 20, 30, kBracketLinesSentinel}));
    EXPECT_EQ(texts, (QStringList{"a", "c", "b", "c", ""}));
}

TEST(Loaders, SortMatchesANeighbourSwappingSort)
{
    std::srand(7);
    QList<TimeEntry> entries;
    for (int i = 0; i < 400; ++i)
        entries.append({std::rand() % 40, QString::number(i)});
    QList<TimeEntry> reference = entries;
    for (qsizetype pass = 0; pass + 1 < reference.size(); ++pass) {
        for (qsizetype i = 0; i + 1 < reference.size(); ++i) {
            if (reference[i + 1].start < reference[i].start)
                std::swap(reference[i], reference[i + 1]);
        }
    }
    SortujTekst(entries);
    for (qsizetype i = 0; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].text, reference[i].text) << i;
}

TEST(Loaders, CallersLinesAreLeftIntact)
{
    // The loaders write their texts over the lines they are given; a copy the caller keeps
    // shares that buffer and must come out unchanged.
    const QStringList lists[] = {{"0:00:01:a", "bad"}, {"{1}{2}b"}, {"[00:01]c"}};
    for (int kind = 0; kind < 3; ++kind) {
        const Utf8Lines kept = Utf8Lines::fromStrings(lists[kind]);
        Utf8Lines given = kept;
        const LoadResult r = subtitleFormat(kind)->parse(std::move(given), {});
        EXPECT_EQ(r.table.TimeTable().size(), 2) << kind;
        EXPECT_EQ(kept.toStringList(), lists[kind]) << kind;
    }
}

TEST(Loaders, PolishTextInEveryEncoding)
{
    const QString pangram = QStringLiteral("Zażółć gęślą jaźń");
    const QString files[] = {
        QStringLiteral("0:00:01:%1\r\n0:00:05:%1|%1\r\n"),
        QStringLiteral("{1}{2}%1\n{3}{4}%1|%1\n"),
        QStringLiteral("[00:01]%1\r[00:05]%1|%1\r"),
    };
    const TextEncoding encodings[] = {TextEncoding::Windows1250, TextEncoding::Iso8859_2,
                                      TextEncoding::Utf8, TextEncoding::Utf8Bom};
    for (int kind = 0; kind < 3; ++kind) {
        for (TextEncoding enc : encodings) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " encoding " << int(enc));
            const QByteArray bytes = encodeText(files[kind].arg(pangram), enc);
            const DecodedText decoded = decodeText(bytes);
            EXPECT_EQ(decoded.encoding, enc);
            const LoadResult r = subtitleFormat(kind)->parse(Utf8Lines::fromStrings(splitLines(decoded.text)), {});
            const QList<TimeEntry> t = body(r);
            ASSERT_EQ(t.size(), 2);
            EXPECT_EQ(t[0].text, pangram);
            EXPECT_EQ(t[1].text, pangram + u'|' + pangram);
        }
    }
}

TEST(Loaders, ProgressIsReportedSparingly)
{
    QStringList lines;
    for (int i = 0; i < 300000; ++i)
        lines.append(QStringLiteral("{%1}{%2}Linia numer %1").arg(i).arg(i + 10));
    QList<std::pair<qsizetype, qint64>> calls;
    QElapsedTimer clock;
    clock.start();
    LoadSettings s;
    s.progress = [&](qsizetype done, qsizetype total) {
        EXPECT_EQ(total, lines.size());
        calls.append({done, clock.elapsed()});
    };
    const LoadResult r = LoadProc1(lines, s);
    EXPECT_EQ(r.table.FrameTable().size(), lines.size());
    for (qsizetype i = 0; i < calls.size(); ++i) {
        EXPECT_LT(calls[i].first, lines.size());
        if (i > 0) {
            EXPECT_GT(calls[i].first, calls[i - 1].first);
            EXPECT_GE(calls[i].second - calls[i - 1].second, 90);
        }
    }
}
