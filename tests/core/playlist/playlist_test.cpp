#include "core/playlist/playlist.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace zv;

namespace {

TPlaylist makeList(const QStringList &paths)
{
    TPlaylist pl;
    pl.PlsAddProc(paths, false, true);
    return pl;
}

} // namespace

TEST(Playlist, AddingAtTheDropRowAndAtTheEnd)
{
    const QStringList five{"/f/A", "/f/B", "/f/C", "/f/D", "/f/E"};
    struct Case {
        const char *name;
        QStringList batch;
        bool clearFirst;
        bool appendAtEnd;
        int dropRow;
        bool added;
        QStringList expected;
    };
    const Case cases[] = {
        {"three onto row 2 land reversed", {"/n/x", "/n/y", "/n/z"}, false, false, 2, true,
         {"/f/A", "/f/B", "/n/z", "/n/y", "/n/x", "/f/C", "/f/D", "/f/E"}},
        {"onto row 0", {"/n/x", "/n/y"}, false, false, 0, true, {"/n/y", "/n/x", "/f/A", "/f/B", "/f/C", "/f/D", "/f/E"}},
        {"onto the last row", {"/n/x", "/n/y"}, false, false, 4, true,
         {"/f/A", "/f/B", "/f/C", "/f/D", "/n/y", "/n/x", "/f/E"}},
        {"below the last row appends in order", {"/n/x", "/n/y", "/n/z"}, false, false, TPlaylist::kNoDropRow, true,
         {"/f/A", "/f/B", "/f/C", "/f/D", "/f/E", "/n/x", "/n/y", "/n/z"}},
        {"row past the end appends", {"/n/x", "/n/y"}, false, false, 5, true,
         {"/f/A", "/f/B", "/f/C", "/f/D", "/f/E", "/n/x", "/n/y"}},
        {"append wins over the drop row", {"/n/x", "/n/y"}, false, true, 2, true,
         {"/f/A", "/f/B", "/f/C", "/f/D", "/f/E", "/n/x", "/n/y"}},
        {"clear first", {"/n/x", "/n/y"}, true, true, TPlaylist::kNoDropRow, true, {"/n/x", "/n/y"}},
        {"clear first, then the row is past the end", {"/n/x", "/n/y"}, true, false, 2, true, {"/n/x", "/n/y"}},
        {"duplicates are kept", {"/f/A", "/f/A"}, false, true, TPlaylist::kNoDropRow, true,
         {"/f/A", "/f/B", "/f/C", "/f/D", "/f/E", "/f/A", "/f/A"}},
        {"empty batch with clear first changes nothing", {}, true, true, TPlaylist::kNoDropRow, false, five},
        {"only empty lines change nothing", {"", ""}, true, false, 1, false, five},
        {"empty lines inside a batch are skipped", {"", "/n/x", ""}, false, false, 1, true,
         {"/f/A", "/n/x", "/f/B", "/f/C", "/f/D", "/f/E"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TPlaylist pl = makeList(five);
        pl.DodajCzasDoPlalisty("/f/B", 61);
        EXPECT_EQ(pl.PlsAddProc(c.batch, c.clearFirst, c.appendAtEnd, c.dropRow), c.added);
        EXPECT_EQ(pl.paths(), c.expected);
        for (const TPlaylistEntry &e : pl.entries())
            EXPECT_EQ(e.TimeText, e.Path == "/f/B" ? QString("1:01") : QString()) << e.Path.toStdString();
        QStringList names;
        for (const QString &p : c.expected)
            names << p.mid(3);
        EXPECT_EQ(pl.JumpNameList(), names);
    }
}

TEST(Playlist, AddingFromTextSplitsEveryLineEnd)
{
    TPlaylist pl;
    EXPECT_TRUE(pl.PlsAddProc(QStringLiteral("/a\r\n/b\r/c\n/d\r\n"), false, true));
    EXPECT_EQ(pl.paths(), (QStringList{"/a", "/b", "/c", "/d"}));
    EXPECT_FALSE(pl.PlsAddProc(QStringLiteral("\r\n\r\n"), true, true));
    EXPECT_EQ(pl.count(), 4);
}

TEST(Playlist, CurrentEntryAndOpening)
{
    // The same film at rows 1 and 4.
    const TPlaylist pl = makeList({"/x", "/a", "/y", "/z", "/a", "/w"});
    EXPECT_EQ(pl.GetPLSIndex("/a"), 4);
    EXPECT_EQ(pl.firstIndexOf("/a"), 1);
    EXPECT_EQ(pl.GetPLSIndex("/A"), 0) << "case-sensitive";
    EXPECT_EQ(pl.GetPLSIndex("/missing"), 0);
    EXPECT_EQ(pl.firstIndexOf("/missing"), -1);
    EXPECT_EQ(pl.LadujMedia(5), std::optional<QString>("/w"));
    EXPECT_EQ(pl.LadujMedia(6), std::nullopt);
    EXPECT_EQ(pl.LadujMedia(-1), std::nullopt);
    EXPECT_EQ(TPlaylist().LadujMedia(0), std::nullopt);
}

TEST(Playlist, NextAndPreviousWithAndWithoutRepeat)
{
    const QStringList abc{"/A", "/B", "/C"};
    const PlaylistStep nothing{};
    const auto open = [](int i) { return PlaylistStep{false, i, false}; };
    const auto openThenToggle = [](int i) { return PlaylistStep{false, i, true}; };
    struct Case {
        const char *name;
        QStringList list;
        QString current;
        bool repeat;
        PlaylistStep next;
        PlaylistStep previous;
    };
    const Case cases[] = {
        {"middle", abc, "/B", false, open(2), openThenToggle(0)},
        {"middle with repeat", abc, "/B", true, open(2), openThenToggle(0)},
        {"last without repeat stops", abc, "/C", false, nothing, openThenToggle(1)},
        {"last with repeat wraps", abc, "/C", true, open(0), openThenToggle(1)},
        {"first without repeat", abc, "/A", false, open(1), nothing},
        {"first with repeat wraps back", abc, "/A", true, open(1), openThenToggle(2)},
        {"current not in the list counts as row 0", abc, "/X", false, open(1), PlaylistStep{false, -1, true}},
        {"not in the list with repeat", abc, "/X", true, open(1), PlaylistStep{false, -1, true}},
        {"nothing open", abc, "", false, open(1), PlaylistStep{false, -1, true}},
        {"single current entry with repeat plays", {"/A"}, "/A", true, PlaylistStep{true, -1, false},
         openThenToggle(0)},
        {"single current entry without repeat", {"/A"}, "/A", false, nothing, nothing},
        {"single entry, other file, repeat", {"/A"}, "/X", true, PlaylistStep{true, -1, false},
         PlaylistStep{false, -1, true}},
        {"empty list", {}, "/A", true, nothing, nothing},
        {"duplicate at both ends", {"/A", "/B", "/A"}, "/A", false, nothing, nothing},
        {"duplicate: next follows the last copy", {"/x", "/a", "/y", "/a", "/w"}, "/a", false, open(4),
         openThenToggle(2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TPlaylist pl = makeList(c.list);
        EXPECT_EQ(pl.nextStep(c.current, c.repeat), c.next);
        EXPECT_EQ(pl.previousStep(c.current, c.repeat), c.previous);
    }
}

TEST(Playlist, PlayTimeTexts)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char *> cases[] = {
        {3599.5, "0:59:59"}, {3599, "59:59"}, {59, "0:59"},     {125, "2:05"},   {3725, "1:02:05"},
        {0, "0:00"},         {59.999, "0:59"}, {3600, "1:00:00"}, {600.9, "10:00"}, {90061, "25:01:01"},
        {-1, ""},            {nan, ""},        {inf, ""},         {1e300, ""},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(TPlaylist::formatPlayTime(seconds), QString(text)) << seconds;

    TPlaylist pl = makeList({"/a", "/b", "/a"});
    EXPECT_TRUE(pl.DodajCzasDoPlalisty("/a", 125));
    EXPECT_FALSE(pl.DodajCzasDoPlalisty("/a", 125.5)) << "same text, nothing to repaint";
    EXPECT_EQ(pl.at(0).TimeText, "2:05");
    EXPECT_EQ(pl.at(1).TimeText, "");
    EXPECT_EQ(pl.at(2).TimeText, "2:05");
}

TEST(Playlist, SortKnownOrders)
{
    struct Case {
        const char *name;
        int mode;
        QStringList input;
        QStringList expected;
    };
    const Case cases[] = {
        {"by name: upper case first", 1, {"/z/a.avi", "/a/B.avi"}, {"/a/B.avi", "/z/a.avi"}},
        {"by path", 0, {"/z/a.avi", "/a/B.avi"}, {"/a/B.avi", "/z/a.avi"}},
        {"prefix first", 1, {"/1/ab", "/2/a", "/3/abc"}, {"/2/a", "/1/ab", "/3/abc"}},
        {"equal keys keep their order", 1, {"/3/x", "/1/x", "/2/a", "/2/x"}, {"/2/a", "/3/x", "/1/x", "/2/x"}},
        {"polish letters after ascii", 1, {"/ą.avi", "/z.avi", "/Ź.avi", "/a.avi"},
         {"/a.avi", "/z.avi", "/ą.avi", "/Ź.avi"}},
        // UTF-8 byte order is code point order; UTF-16 order would put the emoji first.
        {"outside the basic plane", 1, {"/\U0001F600", "/\uFF21"}, {"/\uFF21", "/\U0001F600"}},
        {"unknown mode changes nothing", 2, {"/b", "/a"}, {"/b", "/a"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TPlaylist pl = makeList(c.input);
        pl.SortujPLS(c.mode);
        EXPECT_EQ(pl.paths(), c.expected);
    }
}

// The order the bubble sort gives, written the plain way, with keys as unsigned bytes.
static std::vector<TPlaylistEntry> bubbleSorted(std::vector<TPlaylistEntry> v, int mode)
{
    std::vector<std::pair<std::string, TPlaylistEntry>> keyed;
    for (TPlaylistEntry &e : v)
        keyed.emplace_back((mode == 0 ? e.Path : TPlaylist::bareFileName(e.Path)).toStdString(), std::move(e));
    const size_t n = keyed.size();
    for (size_t pass = 0; pass + 1 < n; ++pass)
        for (size_t i = 0; i + 1 < n; ++i)
            if (keyed[i].first > keyed[i + 1].first)   // std::string compares bytes as unsigned char
                std::swap(keyed[i], keyed[i + 1]);
    for (size_t i = 0; i < n; ++i)
        v[i] = std::move(keyed[i].second);
    return v;
}

TEST(Playlist, SortMatchesBubbleSortOnRandomLists)
{
    // Short alphabet for many equal keys and shared prefixes; NUL and bytes above 0x7F probe
    // the edges of the byte order.
    const QStringList pieces{"a",  "B", "b", "Z", "ą", "Ą", "ż", "/", "1", " ", "\u00e9", "\U0001F600", "\uFF21", ".",
                             QString(QChar(u'\0')), "\u007f", "\u0080"};
    QRandomGenerator rng(20261207);
    for (int round = 0; round < 60; ++round) {
        TPlaylist pl;
        QStringList paths;
        const int n = int(rng.bounded(0, 120));
        for (int i = 0; i < n; ++i) {
            QString p = "/";
            const int len = int(rng.bounded(1, 6));
            for (int k = 0; k < len; ++k)
                p += pieces[int(rng.bounded(qsizetype(pieces.size())))];
            paths << p;
        }
        pl.PlsAddProc(paths, false, true);
        for (int i = 0; i < pl.count(); i += 3)
            pl.DodajCzasDoPlalisty(pl.at(i).Path, i);   // times must travel with their paths
        for (int mode : {0, 1}) {
            TPlaylist sorted = pl;
            const std::vector<TPlaylistEntry> expected =
                bubbleSorted({pl.entries().begin(), pl.entries().end()}, mode);
            sorted.SortujPLS(mode);
            ASSERT_EQ(std::vector<TPlaylistEntry>(sorted.entries().begin(), sorted.entries().end()), expected)
                << "round " << round << " mode " << mode;
            EXPECT_EQ(sorted.JumpNameList(), pl.JumpNameList()) << "sorting leaves the jump list alone";
        }
    }
}

TEST(Playlist, RemovingAndReorderingKeepTimesWithPaths)
{
    TPlaylist pl = makeList({"/A", "/B", "/C", "/D", "/E"});
    pl.DodajCzasDoPlalisty("/B", 5);
    pl.exchange(4, 1);
    pl.move(0, 3);
    pl.move(0, 5);   // outside: ignored
    EXPECT_EQ(pl.paths(), (QStringList{"/E", "/C", "/D", "/A", "/B"}));
    EXPECT_EQ(pl.at(4).TimeText, "0:05");
    EXPECT_EQ(pl.JumpNameList(), (QStringList{"A", "B", "C", "D", "E"})) << "moves leave the jump list";
    pl.removeRows({3, 0, 3, 99, -1});
    EXPECT_EQ(pl.paths(), (QStringList{"/C", "/D", "/B"}));
    EXPECT_EQ(pl.JumpNameList(), (QStringList{"C", "D", "B"}));
    pl.keepRows({2});
    EXPECT_EQ(pl.paths(), QStringList{"/B"});
    EXPECT_EQ(pl.at(0).TimeText, "0:05");
}

TEST(Playlist, ScrollingTheCurrentEntryIntoView)
{
    struct Case {
        int index, top;
        double rows;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {5, 0, 10, std::nullopt}, {10, 0, 10.5, std::nullopt}, // visible, the last one partly
        {20, 0, 10, 16},          {20, 0, 5, 19},              // 20 - round(rows / 2) + 1; 2.5 -> 2
        {20, 0, 7, 17},           {2, 10, 10, 0},              // 3.5 -> 4; never above row 0
        {-1, 0, 10, std::nullopt}, {20, 0, 0, std::nullopt},   // not in the list; no height
    };
    for (const Case &c : cases)
        EXPECT_EQ(scrollTopToShow(c.index, c.top, c.rows), c.expected) << c.index << " " << c.top << " " << c.rows;
}
