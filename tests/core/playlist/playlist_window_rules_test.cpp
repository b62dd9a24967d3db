// The rules of the playlist window that need no window: fitting names, laying out a row,
// its colours, reordering by dragging, "Zostaw" and deleting, and change notices.
#include "core/playlist/playlist.h"
#include "core/playlist/playlist_rows.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace zv;

namespace {

// 7 pixels a character, combining marks nothing, as a font would roughly measure them.
int fakeWidth(const QString &text)
{
    int w = 0;
    for (QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        if (c.category() != QChar::Mark_NonSpacing)
            w += 7;
    }
    return w;
}

TPlaylist listOf(int n)
{
    QStringList paths;
    for (int i = 0; i < n; ++i)
        paths << QStringLiteral("/f/%1").arg(i);
    TPlaylist pl;
    pl.PlsAddProc(paths, false, true);
    return pl;
}

QList<int> rowsOf(const TPlaylist &pl)
{
    QList<int> rows;
    for (const TPlaylistEntry &e : pl.entries())
        rows << e.Path.mid(3).toInt();
    return rows;
}

// The drag as the window's design states it: the chosen entries, from the last to the first,
// each taken from where it is now and moved to the target row.
QList<int> referenceDrag(int count, QList<int> chosen, int target)
{
    QList<int> order;
    for (int i = 0; i < count; ++i)
        order << i;
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    for (auto it = chosen.crbegin(); it != chosen.crend(); ++it)
        order.move(order.indexOf(*it), target);
    return order;
}

// Qt's own comparison of two empty lists trips the undefined-behaviour checker.
std::vector<int> vec(const QList<int> &l)
{
    return {l.begin(), l.end()};
}

} // namespace

TEST(PlaylistRows, FitTextToWidth)
{
    const QString e = QStringLiteral("e\u0301");   // e and a combining acute accent
    const QString longName = QString(300, u'x') + QStringLiteral(".avi");
    struct Case {
        const char *name;
        QString text;
        int width;
        QString expected;
    } cases[] = {
        {"fits", "film.avi", 56, "film.avi"},
        {"one pixel short", "film.avi", 55, "film..."},
        {"longest beginning that fits with the dots", "abcdefghij", 49, "abcd..."},
        {"nothing fits: the dots alone", "abcdefghij", 10, "..."},
        {"empty", "", 0, ""},
        {"300 characters", longName, 700, QString(97, u'x') + "..."},
        {"a letter keeps its combining mark", e + e + e + e + e, 34, e + "..."},
        {"a character outside the BMP is not split", QStringLiteral("a\U0001F600\U0001F600\U0001F600bc"), 35,
         QStringLiteral("a\U0001F600...")},
        {"right to left", QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd"), 42,
         QStringLiteral("\u05e9\u05dc\u05d5...")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        const QString fitted = FitTextToWidth(c.text, c.width, [&calls](const QString &t) {
            ++calls;
            return fakeWidth(t);
        });
        EXPECT_EQ(fitted, c.expected);
        // Halving: a few measurements, not one per character.
        EXPECT_LE(calls, 12);
    }
}

TEST(PlaylistRows, FitMatchesCuttingOneCharacterAtATime)
{
    QRandomGenerator rng(16);
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int n = rng.bounded(1, 60);
        for (int i = 0; i < n; ++i)
            text += QChar(char16_t(u'a' + rng.bounded(26)));
        const int width = rng.bounded(0, 500);
        QString linear = text;
        if (fakeWidth(text) > width) {
            linear.chop(1);
            while (!linear.isEmpty() && fakeWidth(linear + "...") > width)
                linear.chop(1);
            linear += "...";
        }
        EXPECT_EQ(FitTextToWidth(text, width, fakeWidth), linear) << text.toStdString() << " " << width;
    }
}

TEST(PlaylistRows, NumbersAlignOnTheWidestAndNamesFitBeforeTheTime)
{
    TPlaylistEntry shortEntry{"/f/film.avi", "1:02:05"};
    TPlaylistEntry longEntry{"/f/" + QString(300, u'n') + ".avi", "59:59"};
    const PlaylistRowLayout row7 = layoutPlaylistRow(6, 120, shortEntry, 0, 300, fakeWidth);
    const PlaylistRowLayout row120 = layoutPlaylistRow(119, 120, longEntry, 0, 300, fakeWidth);
    EXPECT_EQ(row7.number, "7.");
    EXPECT_EQ(row120.number, "120.");
    EXPECT_EQ(row7.numberRight, row120.numberRight) << "right-aligned on the width of 120";
    EXPECT_EQ(row7.numberRight, 21 + 10);
    EXPECT_EQ(row7.nameLeft, 21 + 15);
    EXPECT_EQ(row7.name, "film.avi");
    EXPECT_EQ(row7.timeRight, 300);
    EXPECT_TRUE(row120.name.endsWith("...")) << row120.name.toStdString();
    EXPECT_LE(fakeWidth(row120.name), 300 - fakeWidth("59:59") - 21 - 20);
    EXPECT_LE(row120.nameLeft + fakeWidth(row120.name), 300 - fakeWidth("59:59"));
    // A window narrower than the number and time leaves no room, never a negative one.
    EXPECT_EQ(layoutPlaylistRow(0, 5, longEntry, 0, 10, fakeWidth).nameWidth, 0);
}

// A name holding the characters that reorder text shows them, so it cannot pass for another.
TEST(PlaylistRows, ReorderingCharactersInANameAreShown)
{
    TPlaylistEntry entry{QString::fromUtf16(u"/f/rtl\u202Etxt.avi"), QString()};
    EXPECT_EQ(layoutPlaylistRow(0, 1, entry, 0, 3000, fakeWidth).name, "rtl<U+202E>txt.avi");
}

TEST(PlaylistRows, Colours)
{
    struct Case {
        bool selected, playing;
        unsigned background, text;
    } cases[] = {
        {false, false, 0x000000, 0x00ff00},
        {true, false, 0x585858, 0x00ff00},
        {false, true, 0x000000, 0xffffff},
        {true, true, 0x585858, 0xffffff},
    };
    for (const Case &c : cases) {
        const PlaylistRowColors got = playlistRowColors(c.selected, c.playing);
        EXPECT_EQ(got.background, c.background) << c.selected << c.playing;
        EXPECT_EQ(got.text, c.text) << c.selected << c.playing;
    }
}

TEST(PlaylistEditing, DragOrders)
{
    struct Case {
        const char *name;
        int count;
        QList<int> rows;
        int target;
        QList<int> expected;
        QList<int> movedTo;
    } cases[] = {
        {"rows 4 and 6 onto row 1 keep their order above it", 8, {4, 6}, 1, {0, 4, 6, 1, 2, 3, 5, 7}, {1, 2}},
        {"rows 1 and 2 onto row 5 arrive reversed", 8, {1, 2}, 5, {0, 3, 4, 5, 2, 1, 6, 7}, {4, 5}},
        {"selection order does not matter", 8, {6, 4, 6}, 1, {0, 4, 6, 1, 2, 3, 5, 7}, {1, 2}},
        {"from both sides, the target among them", 8, {0, 3, 6}, 3, {1, 2, 3, 0, 6, 4, 5, 7}, {2, 3, 4}},
        {"from both sides, the target not chosen", 8, {0, 6}, 3, {1, 2, 6, 0, 3, 4, 5, 7}, {2, 3}},
        {"onto itself", 5, {2}, 2, {0, 1, 2, 3, 4}, {}},
        {"onto the last row", 5, {0}, 4, {1, 2, 3, 4, 0}, {4}},
        {"no rows", 5, {}, 2, {0, 1, 2, 3, 4}, {}},
        {"a target outside the list", 5, {1}, 5, {0, 1, 2, 3, 4}, {}},
        {"rows outside the list are ignored", 5, {-1, 9, 3}, 0, {3, 0, 1, 2, 4}, {0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(vec(draggedRowOrder(c.count, c.rows, c.target)), vec(c.expected));
        TPlaylist pl = listOf(c.count);
        pl.DodajCzasDoPlalisty("/f/0", 61);
        EXPECT_EQ(vec(pl.moveRowsTo(c.rows, c.target)), vec(c.movedTo));
        EXPECT_EQ(vec(rowsOf(pl)), vec(c.expected));
        for (const TPlaylistEntry &e : pl.entries())
            EXPECT_EQ(e.TimeText, e.Path == "/f/0" ? "1:01" : "");
    }
}

TEST(PlaylistEditing, DragMatchesMovingOneEntryAtATime)
{
    QRandomGenerator rng(6);
    for (int round = 0; round < 2000; ++round) {
        const int count = rng.bounded(1, 14);
        QList<int> rows;
        for (int i = rng.bounded(0, count + 1); i > 0; --i)
            rows << rng.bounded(count);
        const int target = rng.bounded(count);
        ASSERT_EQ(vec(draggedRowOrder(count, rows, target)), vec(referenceDrag(count, rows, target)))
            << count << " rows onto " << target;
    }
}

TEST(PlaylistEditing, DuplicatePathsMoveTheRowsChosen)
{
    // The same file twice: each chosen row moves, not the first entry with that path.
    TPlaylist pl;
    pl.PlsAddProc(QStringList{"/a", "/x", "/b", "/x", "/c"}, false, true);
    pl.moveRowsTo({1, 3}, 0);
    EXPECT_EQ(pl.paths(), (QStringList{"/x", "/x", "/a", "/b", "/c"}));
    EXPECT_EQ(pl.JumpNameList(), (QStringList{"a", "x", "b", "x", "c"})) << "a reorder leaves the jump list";
}

TEST(PlaylistEditing, KeepAndDeleteCarryTimes)
{
    struct Case {
        const char *name;
        void (*edit)(TPlaylist &);
        QList<int> left;
    } cases[] = {
        {"Zostaw with rows 2 and 5 of eight", [](TPlaylist &p) { p.keepRows({2, 5}); }, {2, 5}},
        {"delete rows 2 and 5", [](TPlaylist &p) { p.removeRows({5, 2}); }, {0, 1, 3, 4, 6, 7}},
        {"delete all", [](TPlaylist &p) { p.clear(); }, {}},
        {"keep nothing", [](TPlaylist &p) { p.keepRows({}); }, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TPlaylist pl = listOf(8);
        for (int i = 0; i < 8; ++i)
            pl.DodajCzasDoPlalisty(QStringLiteral("/f/%1").arg(i), 60 + i);
        c.edit(pl);
        EXPECT_EQ(vec(rowsOf(pl)), vec(c.left));
        QStringList names;
        for (int r : c.left) {
            names << QString::number(r);
            EXPECT_EQ(pl.at(int(names.size()) - 1).TimeText, TPlaylist::formatPlayTime(60 + r));
        }
        EXPECT_EQ(pl.JumpNameList(), names);
    }
}

TEST(PlaylistEditing, ObserverHearsEveryChangeOnce)
{
    TPlaylist pl = listOf(4);
    QStringList heard;
    pl.setObserver([&heard, &pl](PlaylistChange c, bool before) {
        heard << QStringLiteral("%1%2%3").arg(before ? "before " : "after ", c == PlaylistChange::Rows ? "rows " : "times ")
                     .arg(pl.count());
    });
    struct Case {
        const char *name;
        void (*edit)(TPlaylist &);
        QStringList expected;
    } cases[] = {
        {"add", [](TPlaylist &p) { p.PlsAddProc(QStringList{"/n"}, false, true); }, {"before rows 4", "after rows 5"}},
        {"an empty batch", [](TPlaylist &p) { p.PlsAddProc(QStringList{}, true, true); }, {}},
        {"a time", [](TPlaylist &p) { p.DodajCzasDoPlalisty("/n", 5); }, {"before times 5", "after times 5"}},
        {"the same time again", [](TPlaylist &p) { p.DodajCzasDoPlalisty("/n", 5); }, {}},
        {"sort", [](TPlaylist &p) { p.SortujPLS(1); }, {"before rows 5", "after rows 5"}},
        {"a drag", [](TPlaylist &p) { p.moveRowsTo({0}, 3); }, {"before rows 5", "after rows 5"}},
        {"a drag that moves nothing", [](TPlaylist &p) { p.moveRowsTo({2}, 2); }, {}},
        {"delete", [](TPlaylist &p) { p.removeRows({0, 1}); }, {"before rows 5", "after rows 3"}},
        {"clear", [](TPlaylist &p) { p.clear(); }, {"before rows 3", "after rows 0"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        heard.clear();
        c.edit(pl);
        EXPECT_EQ(heard, c.expected);
    }
}
