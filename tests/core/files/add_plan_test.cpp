#include "core/files/add_plan.h"

#include "files_test_util.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QHash>

#include <stdexcept>

using namespace zv;
using zv::test::FileTree;

namespace {

const QString kTypes = QStringLiteral("mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl");

// One path of every kind, with a playlist between two media files.
const QList<ClassifiedPath> kBatch = {
    {"m1.avi", kindMedia},
    {"t.txt", kindTimeSubtitle},
    {"p.m3u", kindPlaylist},
    {"f.txt", kindFrameSubtitle},
    {"other.xyz", kindOther},
    {"folder", kindFolder},
    {"bad.txt", kindUnrecognisedSubtitle},
    {"empty.txt", kindUnreadable},
    {"gone.avi", kindMissing},
    {"m2.avi", kindMedia},
    {"b.lrc", kindBracketSubtitle},
};

} // namespace

TEST(PlanAdd, ModeDecidesWhereEachKindGoes)
{
    const QStringList media{"m1.avi", "p1.avi", "p2.avi", "m2.avi"};
    const QStringList subs{"t.txt", "f.txt", "b.lrc"};
    struct Case {
        int mode;
        QStringList media;
        QStringList subtitles;
        int playlistReads;
    };
    const Case cases[] = {
        {1, media, {}, 1},
        {11, media, {}, 1},
        {2, {}, subs, 0}, // playlists are not even read
        {3, media, subs, 1},
        {31, media, subs, 1},
        {0, {}, {}, 0},
        {4, {}, {}, 0},
    };
    for (const Case &c : cases) {
        int reads = 0;
        const PlaylistReader reader = [&](const QString &p) {
            ++reads;
            EXPECT_EQ(p, QStringLiteral("p.m3u"));
            return QStringList{"p1.avi", "p2.avi"};
        };
        const AddPlan plan = PlanAdd(kBatch, c.mode, AddFlags{}, reader);
        EXPECT_EQ(plan.media, c.media) << "mode " << c.mode;
        EXPECT_EQ(plan.subtitles, c.subtitles) << "mode " << c.mode;
        EXPECT_EQ(reads, c.playlistReads) << "mode " << c.mode;
    }
}

// Nothing to add means no call at all: ClearFirst must not empty the playlist, and nothing
// is opened or loaded.
TEST(PlanAdd, CallsFollowWhatTheBatchHolds)
{
    const AddFlags all{true, true, true, true};
    const AddPlan none = PlanAdd({{"x", kindOther}, {"y.txt", kindUnreadable}}, 31, all, {});
    EXPECT_FALSE(none.callsPlsAddProc());
    EXPECT_FALSE(none.callsTxtAddProc());
    EXPECT_EQ(none.openIndex(), -1);
    EXPECT_TRUE(none.subtitleToLoad().isEmpty());

    const AddPlan subs = PlanAdd({{"a.txt", kindTimeSubtitle}, {"b.txt", kindFrameSubtitle}}, 3, all, {});
    EXPECT_FALSE(subs.callsPlsAddProc());
    EXPECT_EQ(subs.openIndex(), -1);
    EXPECT_EQ(subs.subtitleText(), QStringLiteral("a.txt\r\nb.txt"));
    EXPECT_EQ(subs.subtitleToLoad(), QStringLiteral("b.txt"));

    const AddPlan media = PlanAdd({{"a.avi", kindMedia}}, 1, all, {});
    EXPECT_EQ(media.openIndex(), 0);
    EXPECT_EQ(AddFlags{}.DropPoint, QPoint(1, 10000));
}

TEST(PrepareAdd, ExpandsClassifiesAndPlansOneBatch)
{
    FileTree t;
    t.file("dir/a.avi");
    t.file("dir/sub/b.mp3");
    t.file("dir/napisy.txt", "{1}{2}x");
    t.file("dir/x.xyz");                 // never collected from a folder
    const QString clip = t.file("clip.xyz"); // named directly: media when unknowns count
    const QString list = t.file("list.m3u");
    const QString text = t.path("dir") + "\r\n" + clip + "\r\n" + list + "\r\n" + t.path("gone.avi");

    struct Case {
        const char *label;
        int mode;
        bool shift;
        QStringList media;
        QStringList subtitles;
    };
    const QStringList fromList{"from-list.avi"};
    const Case cases[] = {
        {"31 recursive", 31, false,
         {t.path("dir/a.avi"), t.path("dir/sub/b.mp3"), clip, "from-list.avi", t.path("moved.avi")},
         {t.path("dir/napisy.txt")}},
        {"3 with shift", 3, true,
         {t.path("dir/a.avi"), "from-list.avi", t.path("moved.avi")}, {t.path("dir/napisy.txt")}},
        {"11", 11, false,
         {t.path("dir/a.avi"), t.path("dir/sub/b.mp3"), clip, "from-list.avi", t.path("moved.avi")}, {}},
        {"2", 2, false, {}, {t.path("dir/napisy.txt")}},
    };
    const QString moved = t.file("moved.avi");
    for (const Case &c : cases) {
        AddHooks hooks;
        hooks.shiftHeld = [&] { return c.shift; };
        hooks.findMovedFile = [&](const QString &p) { return p.endsWith(QStringLiteral("gone.avi")) ? moved : QString(); };
        hooks.readPlaylist = [&](const QString &) { return fromList; };
        AddPlan plan = PrepareAdd(text, c.mode, AddFlags{}, kTypes, hooks);
        // Inside the folder the order is the file system's.
        std::sort(plan.media.begin(), plan.media.begin() + std::min<qsizetype>(plan.media.size(), c.shift ? 1 : 2));
        EXPECT_EQ(plan.media, c.media) << c.label;
        EXPECT_EQ(plan.subtitles, c.subtitles) << c.label;
    }
}

TEST(PrepareAdd, FailingPlaylistReadPropagatesBeforeAnythingIsHandedOn)
{
    FileTree t;
    const QString list = t.file("list.zvl");
    AddHooks hooks;
    hooks.readPlaylist = [](const QString &) -> QStringList { throw std::runtime_error("read"); };
    EXPECT_THROW(PrepareAdd(list, 31, AddFlags{}, kTypes, hooks), std::runtime_error);
    // Without hooks at all nothing breaks: no lookup, no reader, no key state.
    EXPECT_TRUE(PrepareAdd(list + "\r\n" + t.path("gone.avi"), 31, AddFlags{}, kTypes, {}).media.isEmpty());
}

// Playlists are expanded here, never handed on as entries, and each is read once per batch.
TEST(PlanAdd, NestedPlaylistsExpandInPlaceAndLoopsEnd)
{
    FileTree t;
    const QString a = t.path("a.m3u"), b = t.path("b.ZVL"), self = t.path("sama.m3u");
    for (const QString &p : {a, b, self})
        t.file(QFileInfo(p).fileName());
    const QString alias = t.link("alias.m3u", self);
    const QHash<QString, QStringList> lists = {
        {a, {"1.avi", b, "2.avi"}},
        {b, {a, "3.avi", b}},                 // each other and itself
        {self, {self, self, alias}},          // itself, also through a link
        {alias, {"never.avi"}},
    };
    struct Case {
        const char *label;
        QList<ClassifiedPath> batch;
        QStringList media;
        int reads;
    };
    const Case cases[] = {
        {"mutual", {{a, kindPlaylist}}, {"1.avi", "3.avi", "2.avi"}, 2},
        {"self only", {{self, kindPlaylist}}, {}, 1},
        {"same list twice in one batch", {{self, kindPlaylist}, {"x.avi", kindMedia}, {alias, kindPlaylist}},
         {"x.avi"}, 1},
    };
    for (const Case &c : cases) {
        int reads = 0;
        const PlaylistReader reader = [&](const QString &p) {
            ++reads;
            return lists.value(p);
        };
        const AddPlan plan = PlanAdd(c.batch, 31, AddFlags{}, reader);
        EXPECT_EQ(plan.media, c.media) << c.label;
        EXPECT_EQ(reads, c.reads) << c.label;
        for (const QString &m : plan.media)
            EXPECT_FALSE(m.endsWith(".m3u") || m.endsWith(".ZVL")) << c.label;
    }
}

// Paths given apart are never split again: a name with a line break is that one file, even
// when its pieces name other files.
TEST(PrepareAdd, APathWithALineBreakStaysOnePath)
{
    FileTree t;
    const QString broken = t.file("film\nb.avi");
    t.file("film");   // the pieces exist too and must not be picked up
    t.file("b.avi");
    for (const QString &name : {QStringLiteral("film\nb.avi"), QStringLiteral("film\r\nb.avi")}) {
        const QString path = t.file(name);
        const AddPlan plan = PrepareAdd(QStringList{path}, 31, AddFlags{}, kTypes, {});
        EXPECT_EQ(plan.media, QStringList{path});
    }
    EXPECT_EQ(PrepareAdd(QStringList{broken, t.path("gone.avi")}, 1, AddFlags{}, kTypes, {}).media,
              QStringList{broken});
}
