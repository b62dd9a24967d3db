// The jump-to-file dialog's search and list keys.
#include "core/playlist/jump_filter.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
// Qt's own comparison of two empty lists trips the undefined-behaviour checker.
std::vector<int> vec(const QList<int> &l)
{
    return {l.begin(), l.end()};
}
} // namespace

TEST(JumpFilter, SearchTextIsNormalised)
{
    const std::pair<QString, QString> cases[] = {
        {"star  and   wars", "star and wars"},
        {"  \t star \x01", "star"},
        {"   ", ""},
        {"", ""},
        {"a\tb", "a\tb"},   // only spaces collapse inside
        {QStringLiteral("żółw  Ź"), QStringLiteral("żółw Ź")},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(normalizeJumpSearch(in), out) << in.toStdString();
}

TEST(JumpFilter, EveryWordInAnyOrderAndCase)
{
    JumpFilter f;
    f.setNames({"Star.Wars.1977.avi", "wars_star.mpg", "Star Trek.avi", QStringLiteral("Żółw.avi"), "x.avi"});
    struct Case {
        const char *search;
        QList<int> expected;
    } cases[] = {
        {"star  wars", {0, 1}},
        {"WARS star", {0, 1}},
        {"star", {0, 1, 2}},
        {"   ", {0, 1, 2, 3, 4}},
        {"", {0, 1, 2, 3, 4}},
        {"trek wars", {}},
        {"\xC5\xBB\xC3\x93\xC5\x81W", {3}},   // ŻÓŁW against Żółw
        {".avi 77", {0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vec(f.filter(QString::fromUtf8(c.search))), vec(c.expected)) << c.search;
}

TEST(JumpFilter, ANewSearchDropsTheOneUnderWay)
{
    JumpFilter f;
    QStringList names;
    for (int i = 0; i < 10000; ++i)
        names << QStringLiteral("film %1 %2.avi").arg(i).arg(i % 2 ? "odd" : "even");
    f.setNames(names);
    f.start("odd");
    EXPECT_FALSE(f.step(100));
    EXPECT_EQ(f.matches().size(), 50);
    f.start("film 9999");
    while (!f.step(333)) {
    }
    EXPECT_EQ(vec(f.matches()), std::vector<int>{9999});
    EXPECT_EQ(f.search(), "film 9999");
}

TEST(JumpFilter, ListKeys)
{
    struct Case {
        JumpKey key;
        int selected, count, expected;
    } cases[] = {
        {JumpKey::PageDown, 7, 30, 29},   // 19 is past 30 - 12
        {JumpKey::PageDown, 5, 30, 17},
        {JumpKey::PageDown, -1, 30, 11},
        {JumpKey::PageDown, 0, 5, 4},     // a short list: the last row
        {JumpKey::PageUp, 29, 30, 17},
        {JumpKey::PageUp, 20, 30, 0},     // 8 is above row 12
        {JumpKey::PageUp, 24, 30, 12},
        {JumpKey::PageUp, -1, 30, 0},
        {JumpKey::Down, 3, 30, 4},
        {JumpKey::Down, 29, 30, 29},      // the last row stays
        {JumpKey::Down, -1, 30, 0},
        {JumpKey::Up, 3, 30, 2},
        {JumpKey::Up, 0, 30, 0},
        {JumpKey::Up, -1, 30, -1},
        {JumpKey::Down, -1, 0, -1},       // nothing shown
        {JumpKey::PageUp, 5, 0, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(jumpKeyRow(c.key, c.selected, c.count), c.expected)
            << int(c.key) << " " << c.selected << " " << c.count;
}
