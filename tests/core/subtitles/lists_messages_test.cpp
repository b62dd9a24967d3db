#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_messages.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(TimeLists, PlainAndShiftedLines)
{
    struct Case {
        TimeListShift shift;
        QStringList shifted;
    };
    const Case cases[] = {
        {{false, 2.0, 7.0}, {"0:00:05       x", "0:01:02     Ala|ma kota", "13:00:00     late"}},
        {{true, 2.0, 0.25}, {"0:00:10       x", "0:02:04     Ala|ma kota", "26:00:00     late"}},
        {{true, 1.0, 0.5}, {"0:00:06       x", "0:01:02     Ala|ma kota", "13:00:00     late"}}, // half to even
        {{true, 1.0, -10.0}, {"-0:00:05       x", "0:00:52     Ala|ma kota", "12:59:50     late"}},
    };
    for (const Case &c : cases) {
        LoadSettings s;
        s.shift = c.shift;
        // The end marker is left out by what it is: here it sorts before the line after noon,
        // which stays listed, and the rows lead to the entries they show.
        const LoadResult r = LoadProc0({"0:01:02:Ala|ma kota", "0:00:05:  x  ", "13:00:00:late"}, s);
        EXPECT_EQ(r.lists.TimeListPlain.toStringList(),
                  (QStringList{"0:00:05       x", "0:01:02     Ala|ma kota", "13:00:00     late"}));
        EXPECT_EQ(r.lists.TimeListShifted.toStringList(), c.shifted);
        EXPECT_EQ(r.table.start(r.lists.TimeListPlain.tableRow(2)), 46800);
        EXPECT_EQ(r.table.start(r.lists.TimeListPlain.tableRow(1)), 62);
    }
}

TEST(TimeLists, EmptyAfterClearing)
{
    LoadResult r = LoadProc1({"{25}{50}a"}, {});
    r.table.setCurrentSubtitleFile(QStringLiteral("/x/a.txt"));
    EXPECT_EQ(r.lists.TimeListPlain.toStringList(), QStringList{"0:00:01     a"});
    CzyscListe(r.table, r.lists);
    EXPECT_TRUE(r.table.isEmpty());
    EXPECT_TRUE(r.table.CurrentSubtitleFile().isEmpty());
    EXPECT_EQ(r.lists.TimeListPlain.count(), 0);
    EXPECT_EQ(r.lists.TimeListShifted.count(), 0);
}

TEST(SubtitleMessages, TextsTitlesAndIcons)
{
    using Icon = SubtitleMessage::Icon;
    const QString unrecognised = QStringLiteral(
        "Podczas ładowania pliku jeden lub więcej wierszy nie zostało poprawnie wczytanych.\n"
        "Liczba nierozpoznanych wierszy: 3\nError: ");
    struct Case {
        int kind;
        LoadResult result;
        QList<SubtitleMessage> expected;
    };
    LoadResult counted;
    counted.unrecognised = 3;
    LoadResult failed = counted;
    failed.failed = true;
    const Case cases[] = {
        {0, counted, {{unrecognised + "6660", "Zentavista!", Icon::Warning}}},
        {1, counted, {{unrecognised + "6661", "Zentavista!", Icon::Warning}}},
        {2, counted, {{unrecognised + "6660", "Zentavista!", Icon::Warning}}},
        {0, LoadResult(), {}},
        {0, failed, {{"Wysapił ogólny błąd podczas ładowania tekstu\nError: 674329", "Błąd...", Icon::Warning}}},
        {1, failed, {{"Wystąpił błąd podczas wczytywania tekstu!\nError: 46654", "Błąd!", Icon::Error}}},
        {2, failed, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(loadMessages(*subtitleFormat(c.kind), c.result), c.expected) << c.kind;

    EXPECT_EQ(classificationMessage(-2),
              (SubtitleMessage{"Nie da sie załadować pliku z tekstem", "Błąd", Icon::Error}));
    EXPECT_EQ(classificationMessage(-1),
              (SubtitleMessage{"Nie da się rozpoznać typu pliku z tekstem", "Błąd", Icon::Error}));
    for (int kind : {-3, 0, 1, 2, 10}) {
        EXPECT_FALSE(classificationMessage(kind)) << kind;
        EXPECT_EQ(subtitleFormat(kind) != nullptr, kind >= 0 && kind <= 2) << kind;
    }
}
