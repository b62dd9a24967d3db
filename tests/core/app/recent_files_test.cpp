#include "core/app/recent_files.h"

#include <gtest/gtest.h>

namespace {

QStringList names(int from, int to)
{
    QStringList l;
    for (int i = from; i <= to; ++i)
        l << QStringLiteral("/f/%1.avi").arg(i);
    return l;
}

TEST(RecentFiles, AddingRules)
{
    const QString a = QStringLiteral("/f/a.avi"), b = QStringLiteral("/f/b.avi"),
                  c = QStringLiteral("/f/c.avi"), A = QStringLiteral("/f/A.avi");
    struct Case {
        const char *what;
        QStringList before;
        QString path;
        bool exists;
        QStringList after;
    } cases[] = {
        {"first file", {}, a, true, {a}},
        {"newest on top", {a}, b, true, {b, a}},
        {"the third moves to the top", {c, b, a}, a, true, {a, c, b}},
        {"already on top stays once", {a, b}, a, true, {a, b}},
        {"letter case makes another file", {a}, A, true, {A, a}},
        {"a missing file adds nothing but drops its older entries", {b, a, c}, a, false, {b, c}},
        {"a missing file never drops the top entry", {a, b}, a, false, {a, b}},
        {"the 21st goes", names(1, 20), QStringLiteral("/f/new.avi"), true,
         QStringList{QStringLiteral("/f/new.avi")} + names(1, 19)},
    };
    for (const Case &k : cases)
        EXPECT_EQ(zv::addRecentFile(k.before, k.path, k.exists), k.after) << k.what;

    // 21 different files opened one after another leave the last 20, newest first.
    QStringList list;
    for (const QString &f : names(1, 21))
        list = zv::addRecentFile(list, f, true);
    ASSERT_EQ(list.size(), 20);
    EXPECT_EQ(list.first(), QStringLiteral("/f/21.avi"));
    EXPECT_FALSE(list.contains(QStringLiteral("/f/1.avi")));
}

} // namespace
