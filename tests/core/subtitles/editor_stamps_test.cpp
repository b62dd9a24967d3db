// The editor's stamping rules: the stamp text, stamping a line, the modes and writing mode's keys.
#include "core/subtitles/editor_stamps.h"

#include <gtest/gtest.h>

using namespace zv::editor;

TEST(EditorStamps, StampOfAPosition)
{
    struct Case {
        qint64 seconds;
        int format;
        const char *stamp;
    } cases[] = {
        {62, FormatTmp, "0:01:02:"},
        {62, FormatLrc, "[01:02]"},
        {0, FormatTmp, "0:00:00:"},
        {-5, FormatTmp, "0:00:00:"},
        {3 * 3600 + 59 * 60 + 59, FormatTmp, "3:59:59:"},
        // An hour or more: hours in the time form, minutes past 59 in the bracket form.
        {3600 + 65, FormatTmp, "1:01:05:"},
        {3600 + 65, FormatLrc, "[61:05]"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(timeStamp(c.seconds, c.format), QString::fromUtf8(c.stamp)) << c.seconds << " " << c.format;

    // An outside player's microseconds; nonsense counts as 0.
    EXPECT_EQ(timeStampFromMicroseconds(3725 * qint64(1000000) + 999999, FormatTmp), QStringLiteral("1:02:05:"));
    EXPECT_EQ(timeStampFromMicroseconds(-1, FormatTmp), QStringLiteral("0:00:00:"));
    EXPECT_EQ(timeStampFromMicroseconds(std::numeric_limits<qint64>::max(), FormatLrc), QStringLiteral("[00:00]"));
}

TEST(EditorStamps, StampingALine)
{
    struct Case {
        const char *line;
        int format;
        bool removePrevious;
        const char *stamped;
    } cases[] = {
        {"0:00:05:Ala", FormatTmp, true, "0:01:02:Ala"},
        {"0:00:05:Ala", FormatTmp, false, "0:01:02:0:00:05:Ala"},
        {"[00:05]Ala", FormatLrc, true, "[01:02]Ala"},
        {"[00:05]Ala", FormatLrc, false, "[01:02][00:05]Ala"},
        {"Ala", FormatTmp, true, "0:01:02:Ala"},
        {"Ala", FormatLrc, true, "[01:02]Ala"},
        {"", FormatTmp, true, "0:01:02:"},
        {"1:2:3:4:Ala", FormatTmp, true, "0:01:02:4:Ala"},
        {"[00:05.50]Ala", FormatLrc, true, "[01:02]Ala"},
        {"[00:10][01:05]Refren", FormatLrc, true, "[01:02][01:05]Refren"},
        // A frame prefix is a time in either form.
        {"{25}{50}Ala", FormatTmp, true, "0:01:02:Ala"},
        {"{25}{}Ala", FormatLrc, true, "[01:02]Ala"},
        {"{25}{50}Ala", FormatTmp, false, "0:01:02:{25}{50}Ala"},
        // Anything that is no time of the current form keeps every character.
        {"Druga linia: źdźbło", FormatTmp, true, "0:01:02:Druga linia: źdźbło"},
        {"a:b", FormatTmp, true, "0:01:02:a:b"},
        {"Uwaga: a: b: c", FormatTmp, true, "0:01:02:Uwaga: a: b: c"},
        {"12:75:00:Ala", FormatTmp, true, "0:01:02:12:75:00:Ala"},
        {" 0:00:05:Ala", FormatTmp, true, "0:01:02: 0:00:05:Ala"},
        {"[00:05]Ala", FormatTmp, true, "0:01:02:[00:05]Ala"},
        {"0:00:05:Ala", FormatLrc, true, "[01:02]0:00:05:Ala"},
        {"Zażółć]gęślą", FormatLrc, true, "[01:02]Zażółć]gęślą"},
        {"[Muzyka] gra", FormatLrc, true, "[01:02][Muzyka] gra"},
        {"[25][50]Ala", FormatLrc, true, "[01:02][25][50]Ala"},
        {"{y:i}Kursywa", FormatTmp, true, "0:01:02:{y:i}Kursywa"},
        // A SubRip timing line is never stamped.
        {"00:00:05,000 --> 00:00:09,000", FormatTmp, true, "00:00:05,000 --> 00:00:09,000"},
        {"00:00:05,000 --> 00:00:09,000", FormatTmp, false, "00:00:05,000 --> 00:00:09,000"},
        {"0:0:5.5-->0:0:9.5", FormatLrc, true, "0:0:5.5-->0:0:9.5"},
        {"Napis --> dalej", FormatTmp, true, "0:01:02:Napis --> dalej"},
    };
    for (const Case &c : cases) {
        const QString stamp = timeStamp(62, c.format);
        EXPECT_EQ(stampLine(QString::fromUtf8(c.line), stamp, c.format, c.removePrevious), QString::fromUtf8(c.stamped))
            << c.line;
    }
}

TEST(EditorStamps, ModeRules)
{
    const Modes none{false, false, false, true};
    struct Case {
        Modes before;
        ModeItem item;
        bool checked;
        int format;
        Modes after;
    } cases[] = {
        // Format 0 turns "Usuń poprzedni czas" back on at any change; format 1 leaves it alone.
        {none, ModeItem::InsertTime, true, FormatTmp, {true, true, false, true}},
        {{true, true, false, true}, ModeItem::RemovePrevious, false, FormatTmp, {true, true, false, true}},
        {{true, true, false, true}, ModeItem::RemovePrevious, false, FormatLrc, {true, false, false, true}},
        {none, ModeItem::RemovePrevious, true, FormatLrc, {false, true, false, true}},
        // Insert and writing mode exclude each other; writing mode disables the removal.
        {{true, false, false, true}, ModeItem::WritingMode, true, FormatLrc, {false, false, true, false}},
        {{false, false, true, false}, ModeItem::InsertTime, true, FormatLrc, {true, false, false, true}},
        {{false, false, true, false}, ModeItem::RemovePrevious, true, FormatLrc, {false, false, true, false}},
        {{false, true, true, false}, ModeItem::WritingMode, false, FormatTmp, {false, true, false, true}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(changeMode(c.before, c.item, c.checked, c.format), c.after) << int(c.item) << " " << c.checked;
    EXPECT_EQ(settleModes(none, FormatTmp), (Modes{false, true, false, true}));
}

TEST(EditorStamps, KeysThatStopWritingModeStamps)
{
    struct Case {
        int key;
        const char *text;
        bool stops;
    } cases[] = {
        {Qt::Key_A, "a", true},      {Qt::Key_Z, "Z", true},       {Qt::Key_0, "0", true},
        {Qt::Key_9, "9", true},      {Qt::Key_Up, "", true},       {Qt::Key_Down, "", true},
        {0x0105, "ą", true},         {Qt::Key_Space, " ", false},  {Qt::Key_Left, "", false},
        {Qt::Key_Return, "\r", false}, {Qt::Key_Shift, "", false}, {Qt::Key_Colon, ":", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(keyStopsStamping(c.key, QString::fromUtf8(c.text)), c.stops) << c.key;
}
