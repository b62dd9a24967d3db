// Settings to the options dialog's controls and back, without a window.
#include "core/config/options_controls.h"
#include "core/config/settings.h"

#include <gtest/gtest.h>

namespace {

using zv::OptionsControls;
using zv::OptionsMemory;
using zv::Settings;
using zv::ShiftCorrection;

const QStringList kModes = {QStringLiteral("1920 x 1080 x 24"), QStringLiteral("640 x 480 x 16")};

// A settings value with every field away from its default, so a field the round trip drops shows.
Settings unusualSettings()
{
    Settings s;
    s.FontName = QStringLiteral("DejaVu Sans");
    s.FontSize = 31;
    s.FontColor = 0x00FF00;
    s.FontCharset = 238;
    s.FontStyle = zv::FontStyleBold;
    s.BackGroundColor = 0x123456;
    s.TextDelay = 9;
    s.DisplayMode = 2;
    s.ShowShadow = false;
    s.ShadowMode = 0;
    s.ShadowDistance = 7;
    s.ShadowColor = 0x0000FF;
    s.ShadowHiQuality = true;
    s.DecFontSize = false;
    s.TextWrap = false;
    s.SaveLoadPlaylist = false;
    s.OffsetEnabled = true;
    s.EnableOutCtrls = true;
    s.AutoSize = false;
    s.ShowTextIfAvailable = false;
    s.DisplayerDistance = 12;
    s.AutoLoadText = false;
    s.AutoLoadtextDir = QStringLiteral("/srv/napisy");
    s.SaveTextFormat = 2;
    s.ChangeFullScrRes = true;
    s.FullScrResIndex = 1;
    s.Shift = 11;
    s.AutoPlay = false;
    s.ShowFullScrCtrls = false;
    s.InitFullScr = true;
    s.InitPanScan = true;
    s.InitAutoPanScan = true;
    s.PanScanValue = 135;
    s.ShowTrayIcon = true;
    s.TETimeSuorceIndex = 1;
    s.TETimeFormatIndex = 1;
    s.TEFontName = QStringLiteral("Liberation Mono");
    s.TEFontSize = 12;
    s.TEFontCharset = 238;
    s.TEFontStyle = zv::FontStyleItalic;
    s.TEFontColor = 0x00AA00;
    s.TEBackGround = 0x101010;
    s.FileTypes = QStringLiteral("avi/mkv/");
    return s;
}

TEST(OptionsControls, RoundTripKeepsEverySettingAndCancelChangesNothing)
{
    for (const Settings &start : {Settings{}, unusualSettings()}) {
        SCOPED_TRACE(start.FontName.toStdString());
        Settings s = start;
        ShiftCorrection shift = start.OffsetEnabled ? ShiftCorrection{1.0, 4.0, 1.0, -4.0}
                                                    : ShiftCorrection{};
        OptionsMemory memory;
        OptionsControls c;
        zv::UstawZmienneDoOpcji(s, shift, memory, kModes.size(), c);

        // "Anuluj": the controls are changed and thrown away; nothing reached the settings.
        OptionsControls edited = c;
        edited.FontSize = 99;
        edited.InitAutoPanScan = !edited.InitAutoPanScan;
        EXPECT_EQ(s, start);

        const zv::ApplyOutcome out = zv::UstawOpcjeDoZmiennych(c, s, shift, memory);
        EXPECT_FALSE(out.shiftRejected);
        Settings expected = start;
        // FileTypes is written back with a "/" after every entry.
        if (!expected.FileTypes.endsWith(QLatin1Char('/')))
            expected.FileTypes += QLatin1Char('/');
        EXPECT_EQ(s, expected);
        // The next showing shows the same values again.
        OptionsControls again = c;
        zv::UstawZmienneDoOpcji(s, shift, memory, kModes.size(), again);
        EXPECT_EQ(again, c);
    }
}

TEST(OptionsControls, ValuesBeyondTheControlsComeInBounded)
{
    struct Case {
        const char *name;
        void (*damage)(Settings &);
        bool (*check)(const OptionsControls &, const Settings &applied);
    };
    const Case cases[] = {
        {"shadow distance above 100", [](Settings &s) { s.ShadowDistance = 5000; },
         [](const OptionsControls &c, const Settings &a) {
             return c.ShadowDistance == 100 && a.ShadowDistance == 100;
         }},
        {"negative line distance", [](Settings &s) { s.DisplayerDistance = -40; },
         [](const OptionsControls &c, const Settings &a) {
             return c.DisplayerDistance == 0 && a.DisplayerDistance == 0;
         }},
        {"line distance above 4086", [](Settings &s) { s.DisplayerDistance = 100000; },
         [](const OptionsControls &c, const Settings &) { return c.DisplayerDistance == 4086; }},
        {"unlimited spin boxes pass anything", [](Settings &s) {
             s.Shift = -2000000000; s.TextDelay = 2000000000; s.PanScanValue = -5; },
         [](const OptionsControls &c, const Settings &a) {
             return c.Shift == -2000000000 && a.TextDelay == 2000000000 && a.PanScanValue == -5;
         }},
        // Another display's mode index shows no entry and is kept, not replaced.
        {"resolution index outside the list", [](Settings &s) { s.FullScrResIndex = 40; },
         [](const OptionsControls &c, const Settings &a) {
             return c.FullScrResIndex == -1 && a.FullScrResIndex == 40;
         }},
        {"display mode outside the list", [](Settings &s) { s.DisplayMode = 9; },
         [](const OptionsControls &c, const Settings &a) {
             return c.DisplayMode == 0 && a.DisplayMode == 0;
         }},
        // An underlined font has no style code: the stored one stays.
        {"font style without a code", [](Settings &s) { s.FontStyle = zv::FontStyleItalic; },
         [](const OptionsControls &, const Settings &a) { return a.FontStyle == zv::FontStyleItalic; }},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        Settings s;
        k.damage(s);
        ShiftCorrection shift;
        OptionsMemory memory;
        OptionsControls c;
        zv::UstawZmienneDoOpcji(s, shift, memory, kModes.size(), c);
        if (std::string(k.name) == "font style without a code")
            c.FontStyle = zv::FontStyleNotStorable;
        zv::UstawOpcjeDoZmiennych(c, s, shift, memory);
        EXPECT_TRUE(k.check(c, s));
    }
}

TEST(OptionsControls, ShiftPageGivesTheCorrection)
{
    struct Case {
        const char *name;
        bool enabled;
        zv::ShiftPage page;
        int seconds;
        bool later;
        ShiftCorrection previous;
        ShiftCorrection expected;
        // "Kreator": the chosen lines' stored seconds, the pickers, two-point mode.
        std::optional<int> lineA = {}, lineB = {};
        int timeA = 0, timeB = 0;
        bool twoPoints = false;
        bool rejected = false;
    };
    const ShiftCorrection old{0.9, 5.0, 1.1, -5.5};
    const double f = 900.0 / 980.0;
    const Case cases[] = {
        {"off: neutral", false, zv::ShiftPage::Plain, 3, true, old, {}},
        {"plain 3 s later", true, zv::ShiftPage::Plain, 3, true, old, {1.0, -3.0, 1.0, 3.0}},
        {"plain 2 s earlier", true, zv::ShiftPage::Plain, 2, false, old, {1.0, 2.0, 1.0, -2.0}},
        {"plain 0 s", true, zv::ShiftPage::Plain, 0, true, old, {1.0, 0.0, 1.0, 0.0}},
        {"wizard without a chosen line keeps the previous fit", true, zv::ShiftPage::Wizard, 3, false, old, old},
        {"one point: line at 65 s shown at 60 s", true, zv::ShiftPage::Wizard, 0, false, old,
         {1.0, 5.0, 1.0, -5.0}, 65, 7, 60, 99},
        {"two points", true, zv::ShiftPage::Wizard, 0, false, old,
         {f, 100 - 110 * f, 980.0 / 900.0, 110 - 100 * (980.0 / 900.0)}, 100, 1000, 110, 1090, true},
        {"two points on the same line", true, zv::ShiftPage::Wizard, 0, false, old, old, 100, 100,
         110, 1090, true, true},
        {"two points at the same time", true, zv::ShiftPage::Wizard, 0, false, old, old, 100, 1000,
         110, 110, true, true},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        Settings s;
        ShiftCorrection shift = k.previous;
        OptionsMemory memory;
        OptionsControls c;
        zv::UstawZmienneDoOpcji(s, shift, memory, 0, c);
        c.OffsetEnabled = k.enabled;
        c.page = k.page;
        c.plainSeconds = k.seconds;
        c.plainLater = k.later;
        c.lineStartA = k.lineA;
        c.lineStartB = k.lineB;
        c.wizardSecondsA = k.timeA;
        c.wizardSecondsB = k.timeB;
        c.TwoPoints = k.twoPoints;
        EXPECT_EQ(zv::UstawOpcjeDoZmiennych(c, s, shift, memory).shiftRejected, k.rejected);
        EXPECT_DOUBLE_EQ(shift.ShiftFactor, k.expected.ShiftFactor);
        EXPECT_DOUBLE_EQ(shift.ShiftOffset, k.expected.ShiftOffset);
        EXPECT_DOUBLE_EQ(shift.ShiftFactorInverse, k.expected.ShiftFactorInverse);
        EXPECT_DOUBLE_EQ(shift.ShiftOffsetInverse, k.expected.ShiftOffsetInverse);
        EXPECT_EQ(s.OffsetEnabled, k.enabled);
        EXPECT_EQ(memory.page, k.page);
    }
}

TEST(OptionsControls, ShiftShownAgainWithItsDirection)
{
    // "póżniej" 3 s applied, then the dialog is filled again: 3 s, "póżniej".
    Settings s;
    ShiftCorrection shift;
    OptionsMemory memory;
    OptionsControls c;
    c.OffsetEnabled = true;
    c.plainSeconds = 3;
    c.plainLater = true;
    zv::UstawOpcjeDoZmiennych(c, s, shift, memory);
    OptionsControls shown;
    zv::UstawZmienneDoOpcji(s, shift, memory, 0, shown);
    EXPECT_EQ(shown.plainSeconds, 3);
    EXPECT_TRUE(shown.plainLater);
    EXPECT_TRUE(shown.OffsetEnabled);
    // A positive offset leaves the radio buttons as they were.
    shift = {1.0, 2.7, 1.0, -2.7};
    shown.plainLater = true;
    zv::UstawZmienneDoOpcji(s, shift, memory, 0, shown);
    EXPECT_EQ(shown.plainSeconds, 2);
    EXPECT_TRUE(shown.plainLater);
}

TEST(OptionsControls, DefaultsThenOkTurnAutoPanScanOff)
{
    Settings s = unusualSettings();
    ShiftCorrection shift;
    OptionsMemory memory;
    OptionsControls c;
    zv::UstawZmienneDoOpcji(s, shift, memory, kModes.size(), c);
    ASSERT_TRUE(c.InitAutoPanScan);

    // "Domyślne": the working settings become the defaults and the controls show them.
    s = zv::defaultSettings(kModes);
    zv::UstawZmienneDoOpcji(s, shift, memory, kModes.size(), c);
    EXPECT_FALSE(c.InitAutoPanScan);
    EXPECT_EQ(c.FullScrResIndex, 1) << "the default is the index of 640 x 480 x 16";
    zv::UstawOpcjeDoZmiennych(c, s, shift, memory);
    EXPECT_FALSE(s.InitAutoPanScan);
    EXPECT_EQ(s.FontSize, 22);
    EXPECT_EQ(s.FileTypes, zv::Settings{}.FileTypes + u'/');
    EXPECT_EQ(zv::defaultSettings({}).FullScrResIndex, -1);
}

TEST(FileTypeList, AddingAndRemovingEntries)
{
    const QList<zv::FileTypeEntry> list = zv::fileTypesFromValue(QStringLiteral("avi//mkv/"));
    ASSERT_EQ(list.size(), 2);
    struct Case {
        const char *typed;
        const char *added;   // nullptr: nothing added
        bool explained;      // a reason is given to the user
    };
    const Case cases[] = {
        {"mp4", "mp4", false},
        {".ogv", "ogv", false},
        {"  webm ", "webm", false},
        {".AVI", nullptr, false},
        {"MKV", nullptr, false},
        {"", nullptr, false},
        {".", nullptr, false},
        {"a/b", nullptr, true},
        {"a b", nullptr, true},
        {"*.avi", nullptr, true},
        {"x\ty", nullptr, true},
        {"tar.gz", "tar.gz", false},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.typed);
        QString why;
        const std::optional<QString> got = zv::extensionToAdd(QString::fromUtf8(k.typed), list, &why);
        if (k.added)
            EXPECT_EQ(got, QString::fromUtf8(k.added));
        else
            EXPECT_FALSE(got.has_value());
        EXPECT_EQ(!why.isEmpty(), k.explained) << why.toStdString();
    }
    QString why;
    EXPECT_FALSE(zv::extensionToAdd(QString(200, QLatin1Char('a')), list, &why));
    EXPECT_FALSE(why.isEmpty());

    QList<zv::FileTypeEntry> marked = list;
    marked[0].marked = true;
    EXPECT_EQ(zv::fileTypesValue(zv::withoutMarked(marked)), QStringLiteral("mkv/"));
}

} // namespace

namespace {

// One entry per number, "e0/e1/.../" with `slashes` between consecutive ones.
QString numberedTypes(int from, int to, const QString &separator = QStringLiteral("/"))
{
    QString v;
    for (int i = from; i < to; ++i)
        v += QStringLiteral("e%1").arg(i) + separator;
    return v;
}

TEST(FileTypeList, AnAbsurdlyLongValueShowsItsBeginningAndKeepsTheRest)
{
    const int cap = zv::kMaxFileTypesShown;
    struct Case {
        const char *name;
        QString value;
        qsizetype shown;
        qsizetype hidden;
    };
    const Case cases[] = {
        {"the default", Settings().FileTypes, 33, 0},
        {"exactly the cap", numberedTypes(0, cap), cap, 0},
        {"one past, no final slash", numberedTypes(0, cap) + QStringLiteral("last"), cap, 1},
        {"empty entries do not count", QStringLiteral("//") + numberedTypes(0, cap, QStringLiteral("//")) +
                                            QStringLiteral("x//y/"), cap, 2},
        {"far past", numberedTypes(0, 50 * cap), cap, 49 * cap},
        {"one entry of a megabyte", QString(1 << 20, QLatin1Char('x')), 1, 0},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        Settings s;
        s.FileTypes = k.value;
        OptionsControls c;
        ShiftCorrection shift;
        OptionsMemory memory;
        zv::UstawZmienneDoOpcji(s, shift, memory, 0, c);
        ASSERT_EQ(c.fileTypes.size(), k.shown);
        EXPECT_EQ(zv::fileTypesCount(c.fileTypesRest), k.hidden);
        EXPECT_EQ(zv::fileTypesCount(k.value), k.shown + k.hidden);
        if (k.shown == cap) {
            EXPECT_EQ(c.fileTypes.last().extension, QStringLiteral("e%1").arg(cap - 1));
        }

        // The hidden entries are written back as they were, after the shown ones.
        c.fileTypes.removeFirst();
        zv::UstawOpcjeDoZmiennych(c, s, shift, memory);
        EXPECT_EQ(zv::fileTypesCount(s.FileTypes), k.shown + k.hidden - 1);
        EXPECT_TRUE(s.FileTypes.endsWith(c.fileTypesRest));
    }
    EXPECT_EQ(zv::shownExtension(QStringLiteral("mkv")), QStringLiteral("mkv"));
    EXPECT_EQ(zv::shownExtension(QString(1 << 20, QLatin1Char('x'))).size(), zv::kMaxExtensionLength + 1);
}

} // namespace
