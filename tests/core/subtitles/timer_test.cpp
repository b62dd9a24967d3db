#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_timer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>
#include <vector>

using namespace zv;

namespace {

struct Tick {
    double position;
    const char16_t *shown; // DisplayedText after the tick
    bool drawn;            // the renderer got a new text
    bool dragging = false;
};

struct Scenario {
    const char *name;
    int kind;
    QStringList lines;
    SubtitleTimerInput settings;
    QList<Tick> ticks;
    QString shownBefore = {};
};

SubtitleTimerInput delay(int seconds)
{
    SubtitleTimerInput in;
    in.TextDelay = seconds;
    return in;
}

} // namespace

TEST(SubtitleTimer, Scenarios)
{
    SubtitleTimerInput shifted = delay(4);
    shifted.OffsetEnabled = true;
    shifted.ShiftOffset = 5;
    SubtitleTimerInput framesAt25 = delay(4);
    framesAt25.MediaFrameRate = 25;

    const Scenario scenarios[] = {
        {"shown from start to start+delay, cleared one second later", 0,
         {"0:00:10:A", "0:00:30:B"}, delay(4),
         {{9, u"", false}, {10, u"A", true}, {14.9, u"A", false}, {15, u"", true},
          {29.99, u"", false}, {30, u"B", true}}},
        {"the next line takes over", 0, {"0:00:10:A", "0:00:12:B"}, delay(4),
         {{10, u"A", true}, {11.5, u"A", false}, {12, u"B", true}}},
        {"of two lines at one second only the later shows", 0, {"0:00:10:A", "0:00:10:B"}, delay(4),
         {{10, u"B", true}, {11, u"B", false}}},
        {"seeking back clears", 0, {"0:00:10:A"}, delay(4),
         {{11, u"A", true}, {3, u"", true}}},
        {"a new file clears what the old one left", 0, {"0:00:10:A"}, delay(4),
         {{2, u"", true}}, QStringLiteral("stary")},
        {"nothing open: position -1 clears", 0, {"0:00:10:A"}, delay(4),
         {{10, u"A", true}, {-1, u"", true}}},
        {"the sentinel is never shown", 0, {"0:00:10:A"}, delay(100000),
         {{43199, u"A", true}, {43200, u"A", false}, {50000, u"A", false}}},
        {"dragging freezes the text, the next tick catches up", 0, {"0:00:10:A", "0:00:12:B"},
         delay(4),
         {{10, u"", false, true}, {11, u"A", true}, {12, u"A", false, true}, {13, u"B", true},
          {20, u"B", false, true}, {20, u"", true}}},
        {"the correction maps the film position to subtitle time", 0, {"0:01:05:A"}, shifted,
         {{59, u"", false}, {60, u"A", true}}},
        {"a bracket line with no text clears", 2, {"[00:10]A", "[00:12]"}, delay(4),
         {{10, u"A", true}, {12, u"", true}}},
        {"frame line 100-150 at 25 fps", 1, {"{100}{150}X"}, framesAt25,
         {{3, u"", false}, {4, u"X", true}, {5.4, u"X", false}, {9, u"X", false}, {10, u"", true}}},
        {"frame positions round half to even", 1, {"{100}{125}X"}, framesAt25,
         {{4.5, u"X", true}, {5.5, u"X", false}}},
        {"no frame rate yet: 25 fps", 1, {"{100}{150}X"}, delay(4),
         {{4, u"X", true}}},
        {"first frame line in file order wins", 1, {"{0}{1000}wide", "{100}{150}X"}, framesAt25,
         {{4, u"wide", true}}},
        {"reversed frame lines never show", 1, {"{150}{100}X"}, framesAt25,
         {{4, u"", false}, {5, u"", false}}},
    };
    for (const Scenario &s : scenarios) {
        SCOPED_TRACE(s.name);
        LoadSettings ls;
        ls.MediaFrameRate = s.settings.MediaFrameRate;
        const SubtitleTable table = subtitleFormat(s.kind)->parse(Utf8Lines::fromStrings(s.lines), ls).table;
        SubtitleDisplayState state;
        state.DisplayedText = s.shownBefore;
        for (const Tick &t : s.ticks) {
            SCOPED_TRACE(testing::Message() << "position " << t.position);
            SubtitleTimerInput in = s.settings;
            in.CurrentPosition = t.position;
            in.OverlayDragging = t.dragging;
            const std::optional<QString> drawn = Timer1Timer(table, in, state);
            EXPECT_EQ(state.DisplayedText, QString::fromUtf16(t.shown));
            EXPECT_EQ(drawn.has_value(), t.drawn);
            if (drawn) {
                EXPECT_EQ(*drawn, state.DisplayedText);
            }
        }
    }
}

namespace {

// The table's entries decoded once, for the plain scan.
struct DecodedTable {
    explicit DecodedTable(const SubtitleTable &t)
        : frameTimed(t.FrameTimed()), times(t.TimeTable().toList()), frames(t.FrameTable().toList())
    {
    }
    bool frameTimed;
    QList<TimeEntry> times;
    QList<FrameEntry> frames;
};

// The rule as a plain scan from the first entry, for comparison.
void referenceTick(const DecodedTable &table, const SubtitleTimerInput &in, SubtitleDisplayState &st)
{
    double p = in.CurrentPosition;
    if (in.OffsetEnabled)
        p = p * in.ShiftFactor + in.ShiftOffset;
    const int64_t d = in.TextDelay;
    int64_t t;
    if (!table.frameTimed) {
        t = int64_t(std::trunc(p));
        const QList<TimeEntry> &e = table.times;
        for (qsizetype i = 0; i + 1 < e.size(); ++i) {
            if (e[i].start <= t && t < e[i].start + d && t < e[i + 1].start) {
                st.LastShownTime = e[i].start;
                if (e[i].text != st.DisplayedText && !in.OverlayDragging)
                    st.DisplayedText = e[i].text;
                break;
            }
        }
    } else {
        t = int64_t(std::nearbyint(p));
        const double f = double(t) * (in.MediaFrameRate >= 1 ? in.MediaFrameRate : 25.0);
        for (const FrameEntry &e : table.frames) {
            if (e.startFrame <= f && f < e.endFrame) {
                st.LastShownTime = int32_t(t);
                if (e.text != st.DisplayedText && !in.OverlayDragging)
                    st.DisplayedText = e.text;
                break;
            }
        }
    }
    if ((t > st.LastShownTime + d || t < st.LastShownTime) && !st.DisplayedText.isEmpty()
        && !in.OverlayDragging)
        st.DisplayedText.clear();
}

void compareWithReference(const SubtitleTable &table, std::mt19937 &rng, int ticks, int maxPosition)
{
    std::uniform_real_distribution<double> pos(-2, maxPosition);
    std::uniform_int_distribution<int> pick(0, 99);
    const int delays[] = {-1, 0, 1, 2, 4, 10};
    const double rates[] = {-1, 0, 23.976, 25, 30};
    const DecodedTable decoded(table);
    SubtitleDisplayState fast, slow;
    SubtitleTimerInput in;
    in.TextDelay = delays[pick(rng) % 6];
    in.MediaFrameRate = rates[pick(rng) % 5];
    in.OffsetEnabled = pick(rng) < 30;
    in.ShiftFactor = 1.0 + (pick(rng) - 50) / 1000.0;
    in.ShiftOffset = (pick(rng) - 50) / 10.0;
    double p = pos(rng);
    for (int k = 0; k < ticks; ++k) {
        // Mostly steady playback, sometimes a seek.
        p = pick(rng) < 5 ? pos(rng) : p + 0.2;
        in.CurrentPosition = pick(rng) < 5 ? std::round(p) + 0.5 : p; // exact halves too
        in.OverlayDragging = pick(rng) < 5;
        const QString before = fast.DisplayedText;
        const std::optional<QString> drawn = Timer1Timer(table, in, fast);
        referenceTick(decoded, in, slow);
        ASSERT_EQ(fast.DisplayedText, slow.DisplayedText) << "tick " << k << " at " << in.CurrentPosition;
        ASSERT_EQ(fast.LastShownTime, slow.LastShownTime) << "tick " << k;
        ASSERT_EQ(drawn.has_value(), before != fast.DisplayedText);
    }
}

} // namespace

TEST(SubtitleTimer, MatchesTheLinearRuleOnRandomTables)
{
    std::mt19937 rng(2026);
    std::uniform_int_distribution<int> small(0, 400), len(1, 40), count(1, 300);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        QStringList timeLines, frameLines, bracketLines;
        const int n = count(rng);
        for (int i = 0; i < n; ++i) {
            const int s = small(rng);
            const QString text = QString::number(i % 7); // repeated texts: equal neighbours
            timeLines.append(QStringLiteral("0:%1:%2:%3").arg(s / 60).arg(s % 60).arg(text));
            bracketLines.append(QStringLiteral("[%1:%2]%3").arg(s / 60, 2, 10, QChar(u'0'))
                                    .arg(s % 60, 2, 10, QChar(u'0')).arg(text));
            const int f = small(rng) * 25 - 100;
            const int e = f + (len(rng) - 5) * 25 + small(rng) % 25; // some reversed, some empty
            frameLines.append(QStringLiteral("{%1}{%2}%3").arg(f).arg(e).arg(text));
        }
        if (round % 4 == 0)
            timeLines.append(QStringLiteral("13:00:00:late"));
        if (round % 3 == 0) // one far line makes the frame index's buckets wide and uneven
            frameLines.append(QStringLiteral("{2000000000}{2100000000}far"));
        compareWithReference(LoadProc0(timeLines, {}).table, rng, 600, 500);
        compareWithReference(LoadProc2(bracketLines, {}).table, rng, 600, 500);
        compareWithReference(LoadProc1(frameLines, {}).table, rng, 600, 500);
        // In order but for a few stragglers, as real files are: the index merges them back.
        QStringList nearlySorted;
        for (int i = 0; i < n; ++i) {
            const int f = (i % 20 == 7 ? i - small(rng) % 10 : i) * 50;
            nearlySorted.append(QStringLiteral("{%1}{%2}%3").arg(f).arg(f + len(rng) * 10).arg(i % 7));
        }
        compareWithReference(LoadProc1(nearlySorted, {}).table, rng, 600, 2 * n + 10);

        // A table built by hand in no particular order still follows the rule.
        QList<TimeEntry> unsorted;
        for (int i = 0; i < n; ++i)
            unsorted.append({small(rng), QString::number(i % 5)});
        compareWithReference(SubtitleTable::fromTimeTable(unsorted), rng, 300, 500);
    }
}

TEST(SubtitleTimer, FirstLookUpsFromTwoThreadsAtOnceAgree)
{
    // The frame look-up is built by the first search; two threads searching a fresh table at
    // once must both find it whole. Frame 500k + 10 lies in line 10k.
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines.append(QStringLiteral("{%1}{%2}%3").arg(i * 50).arg(i * 50 + 40).arg(i));
    for (int round = 0; round < 5; ++round) {
        const SubtitleTable table = LoadProc1(lines, {}).table;
        std::vector<qsizetype> mine(2000), theirs(2000);
        std::thread other([&] {
            for (int k = 0; k < 2000; ++k)
                theirs[size_t(k)] = table.findFrameLine(k * 500 + 10);
        });
        for (int k = 0; k < 2000; ++k)
            mine[size_t(k)] = table.findFrameLine(k * 500 + 10);
        other.join();
        for (int k = 0; k < 2000; ++k) {
            ASSERT_EQ(mine[size_t(k)], 10 * k) << round;
            ASSERT_EQ(theirs[size_t(k)], 10 * k) << round;
        }
    }
}

TEST(SubtitleTimer, EmptyTableAndNonNumbers)
{
    const SubtitleTable empty;
    SubtitleDisplayState state;
    state.DisplayedText = QStringLiteral("x");
    SubtitleTimerInput in;
    in.CurrentPosition = std::nan("");
    EXPECT_FALSE(Timer1Timer(empty, in, state));
    EXPECT_EQ(state.DisplayedText, "x");
    for (double p : {1e300, -1e300, HUGE_VAL}) {
        state.DisplayedText = QStringLiteral("x");
        state.LastShownTime = 10;
        in.CurrentPosition = p;
        EXPECT_EQ(Timer1Timer(empty, in, state), QString()) << p;
    }
}
