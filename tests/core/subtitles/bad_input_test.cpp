#include "core/subtitles/subtitle_loader.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zv;

namespace {

constexpr qsizetype kHugeLine = 5 * 1024 * 1024;

qsizetype bodySize(const LoadResult &r)
{
    return r.table.TimeTable().size() - 1;
}

} // namespace

// Every bad line is skipped or counted; the good lines around it are all loaded.
TEST(BadInput, BrokenLinesAmongGoodOnes)
{
    const QString nul(QChar(0));
    struct Case {
        int kind;
        QStringList lines;
        qsizetype entries;
        qsizetype unrecognised;
    };
    const Case cases[] = {
        {0, {"0:00:01:a", "|", "{", "[", ":", "::", "0:00:02:b"}, 2, 5},
        {0, {"0:00:01:" + nul + "a" + nul, "0:00:02:" + nul, nul + ":00:03:x"}, 1, 1},
        {1, {"{1}{2}a", "|", "{", "[", ":", "}", "{1}{2}b"}, 2, 5},
        {1, {"{1}{2}" + nul, "{" + nul + "}{2}x", "{1}{2" + nul + "}x"}, 1, 2},
        {2, {"[00:01]a", "|", "{", "[", ":", "[00:02]b"}, 2, 1},
        {2, {"[00:01]" + nul, "[" + nul + "0:01]x"}, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << ": " << c.lines.join(u'/').toStdString());
        const LoadResult r = subtitleFormat(c.kind)->parse(Utf8Lines::fromStrings(c.lines), {});
        EXPECT_FALSE(r.failed);
        EXPECT_EQ(bodySize(r), c.entries);
        EXPECT_EQ(r.unrecognised, c.unrecognised);
    }
}

TEST(BadInput, NulBytesStayInTheText)
{
    const QString nul(QChar(0));
    const LoadResult r = LoadProc0({"0:00:01:" + nul + "a" + nul}, {});
    ASSERT_EQ(bodySize(r), 1);
    EXPECT_EQ(r.table.TimeTable()[0].text, nul + "a" + nul);
}

TEST(BadInput, FiveMegabyteLines)
{
    const QString filler(kHugeLine, u'a');
    struct Case {
        int kind;
        QString line;
        qsizetype entries;
        qsizetype unrecognised;
    };
    const Case cases[] = {
        {0, "0:00:01:" + filler, 1, 0},
        {0, QString(kHugeLine, u'1'), 0, 1},
        {0, QString(kHugeLine, u':'), 0, 1},
        {0, QString(kHugeLine, u'9') + ":00:00:x", 0, 1},
        {1, "{1}{2}" + filler, 1, 0},
        {1, QString(kHugeLine, u'{'), 0, 1},
        {1, "{" + QString(kHugeLine, u'7') + "}{}x", 0, 1},
        {2, "[00:01]" + filler, 1, 0},
        // Every "[" is a tag, and each one fails.
        {2, QString(kHugeLine, u'['), 0, kHugeLine},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " starting " << c.line.left(10).toStdString());
        const LoadResult r = subtitleFormat(c.kind)->parse(Utf8Lines::fromStrings({c.line}), {});
        EXPECT_EQ(bodySize(r), c.entries);
        EXPECT_EQ(r.unrecognised, c.unrecognised);
        if (c.entries == 1) {
            EXPECT_EQ(r.table.TimeTable()[0].text, filler);
        }
    }
}

TEST(BadInput, MillionLinesWithEveryTenthBroken)
{
    // A pool of distinct lines repeated: building a million separate strings would cost more
    // than loading them.
    constexpr int kLines = 1000000, kPool = 3600;
    QStringList pools[3];
    for (int i = 0; i < kPool; ++i) {
        const bool bad = i % 10 == 9;
        const int second = kPool - 1 - i; // descending: the sort has work to do
        const QString mm = QString::number(second / 60).rightJustified(2, u'0');
        const QString ss = QString::number(second % 60).rightJustified(2, u'0');
        pools[0].append(bad ? QStringLiteral("0:99:00:x") : "0:" + mm + ":" + ss + ":Linia");
        pools[1].append(bad ? QStringLiteral("{x}{1}y")
                            : "{" + QString::number(i) + "}{" + QString::number(i + 50) + "}Linia");
        pools[2].append(bad ? QStringLiteral("[99:00]y") : "[" + mm + ":" + ss + "]Linia");
    }
    for (int kind = 0; kind < 3; ++kind) {
        Utf8Lines lines;
        for (int i = 0; i < kLines; ++i)
            lines.append(pools[kind][i % kPool]);
        const LoadResult r = subtitleFormat(kind)->parse(std::move(lines), {});
        EXPECT_EQ(bodySize(r), kLines / 10 * 9) << kind;
        EXPECT_EQ(r.unrecognised, kLines / 10) << kind;
        if (kind != 1) {
            const qsizetype n = r.table.TimeTable().size();
            qsizetype i = 1;
            while (i < n && r.table.start(i - 1) <= r.table.start(i))
                ++i;
            EXPECT_EQ(i, n) << kind;
        }
    }
}

TEST(BadInput, FrameRatesThatAreNoRate)
{
    // NaN counts as no rate (25 fps); an infinite rate makes every computed end overflow.
    struct Case {
        double fps;
        qsizetype entries;
        int end;
    };
    const Case cases[] = {
        {std::numeric_limits<double>::quiet_NaN(), 1, 200},
        {0.5, 1, 200},
        {std::numeric_limits<double>::infinity(), 0, 0},
        {1e300, 0, 0},
    };
    for (const Case &c : cases) {
        LoadSettings s;
        s.MediaFrameRate = c.fps;
        const LoadResult r = LoadProc1({"{100}{}x"}, s);
        ASSERT_EQ(r.table.FrameTable().size(), c.entries) << c.fps;
        if (c.entries) {
            EXPECT_EQ(r.table.FrameTable()[0].endFrame, c.end);
        } else {
            EXPECT_EQ(r.unrecognised, 1);
        }
    }
}
