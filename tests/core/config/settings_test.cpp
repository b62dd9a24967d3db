#include "core/config/settings.h"

#include "core/config/ini_file.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

const QStringList kNoModes;

IniFile fromText(const QByteArray &bytes)
{
    IniFile ini;
    ini.setContent(bytes);
    return ini;
}

const char kFileTypes[] = "mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl/mp4/m4v/mkv/webm/mov/ogv/ogg/oga/"
                          "opus/flac/m4a/aac/wmv/wma/ts/m2ts/mts/vob/3gp/flv/divx/xvid/mka";

// Every written key with the text a fresh file holds for the defaults, in the order of writing.
struct Written { const char *key; const char *text; };
const Written kFreshFile[] = {
    {"FontName", "Arial"}, {"FileTypes", kFileTypes},
    {"FontSize", "22"}, {"FontColor", "16777215"}, {"FontCharset", "1"}, {"FontStyle", "3"},
    {"ShowFullScrCtrls", "1"}, {"BackGroundColor", "0"}, {"TextDelay", "4"},
    {"DisplayMode", "3"}, {"ShowShadow", "1"}, {"ShadowMode", "1"}, {"ShadowDistance", "1"},
    {"ShadowHiQuality", "0"}, {"ShadowColor", "0"}, {"ShowTextIfAvailable", "1"},
    {"EnableOutCtrls", "0"}, {"AutoLoadText", "1"}, {"AutoSize", "1"}, {"InitFullScr", "0"},
    {"InitPanScan", "0"}, {"InitAutoPanScan", "0"}, {"SaveTextFormat", "0"}, {"TextWrap", "1"},
    {"TotalHideTaskBar", "0"}, {"SystemVolumeControl", "0"}, {"AutoLoadtextDir", ""},
    {"ChangeFullScrRes", "0"}, {"FullScrResIndex", "-1"}, {"SaveReloadPosition", "1"},
    {"DisplayerBottom", "70"}, {"DisplayerDistance", "0"}, {"Shift", "5"}, {"AutoPlay", "1"},
    {"Repeat", "0"}, {"PanScanValue", "120"}, {"DecFontSize", "1"}, {"SaveLoadPlaylist", "1"},
    {"ShowTrayIcon", "0"},
    {"PLSVisible", "0"}, {"PLSLeft", "140"}, {"PLSTop", "272"}, {"PLSWidth", "320"},
    {"PLSHeight", "300"},
    {"BNVisible", "0"}, {"BNLeft", "0"}, {"BNTop", "0"}, {"BNWidth", "460"}, {"BNHeight", "272"},
    {"TEVisible", "0"}, {"TELeft", "460"}, {"TETop", "0"}, {"TEWidth", "340"},
    {"TEHeight", "272"},
    {"BPLeft", "460"}, {"BPTop", "272"}, {"BPWidth", "0"}, {"BPHeight", "0"},
    {"TETimeSuorceIndex", "0"}, {"TETimeFormatIndex", "0"}, {"TEFontName", "Arial"},
    {"TEFontSize", "16"}, {"TEFontCharset", "1"}, {"TEBackGround", "16777215"},
    {"TEFontStyle", "0"}, {"TEFontColor", "0"}, {"RecentFiles", ""},
    {"PreferredAudioLanguages", ""}, {"PreferredSubtitleLanguages", "pl"},
    {"CheckSubtitleSync", "1"},
};

// A value of the key's type that differs from `defaults` and stays within its range.
void changeField(Settings &s, const SettingKey &key, const Settings &defaults)
{
    std::visit([&](auto field) {
        using T = std::remove_cvref_t<decltype(s.*field)>;
        if constexpr (std::is_same_v<T, QString>)
            s.*field = QStringLiteral(" Zażółć %1 ").arg(QString::fromUtf16(key.name));
        else if constexpr (std::is_same_v<T, bool>)
            s.*field = !(defaults.*field);
        else if constexpr (std::is_same_v<T, quint32>)
            s.*field = 0x80123456u;   // top bit set: stored as a negative number
        else
            s.*field = key.max != INT_MAX ? (defaults.*field == key.max ? key.min : key.max)
                                          : -12345;
    }, key.field);
}

// The text a file holds for the field's value.
QString textOf(const Settings &s, const SettingKey &key)
{
    return std::visit([&](auto field) {
        using T = std::remove_cvref_t<decltype(s.*field)>;
        if constexpr (std::is_same_v<T, QString>)
            return s.*field;
        else if constexpr (std::is_same_v<T, bool>)
            return QString::number(s.*field ? 1 : 0);
        else
            return QString::number(int(s.*field));
    }, key.field);
}

bool sameField(const Settings &a, const Settings &b, const SettingKey &key)
{
    return std::visit([&](auto field) { return a.*field == b.*field; }, key.field);
}

} // namespace

TEST(Settings, FreshFileHoldsTheDefaultsInWritingOrder)
{
    IniFile ini;
    ASSERT_TRUE(saveSettings(ini, Settings{}));
    QStringList expected{QStringLiteral("[Main]")};
    for (const Written &w : kFreshFile)
        expected << QString::fromLatin1(w.key) + u'=' + QString::fromLatin1(w.text);
    EXPECT_EQ(ini.lines(), expected);

    // No key is missing from the table, and every default reads back from an empty file.
    QSet<QString> tableKeys;
    for (const SettingKey &key : settingKeys())
        tableKeys.insert(QString::fromUtf16(key.name));
    EXPECT_EQ(tableKeys.size(), int(std::size(kFreshFile)) + 2);   // + OffsetEnabled, ParamFile
    EXPECT_TRUE(tableKeys.contains(QStringLiteral("OffsetEnabled")));
    EXPECT_TRUE(tableKeys.contains(QStringLiteral("ParamFile")));
    EXPECT_EQ(loadSettings(IniFile(), kNoModes), Settings{});
}

// Only the untouched old default becomes today's list; any list the user made stays.
TEST(Settings, OldDefaultFileTypesReadAsTodaysDefault)
{
    const struct {
        const char *stored;
        const char *read; // nullptr: today's default
    } kCases[] = {
        {"mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl", nullptr},
        {"mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl/", nullptr}, // as the options dialog writes it
        {"mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u", "mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u"},
        {"MP3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl", "MP3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl"},
        {"avi/mkv", "avi/mkv"},
        {"", ""},
    };
    for (const auto &c : kCases) {
        IniFile ini;
        ASSERT_TRUE(ini.writeString(kSettingsSection, u"FileTypes", QString::fromLatin1(c.stored)));
        const Settings s = loadSettings(ini, kNoModes);
        EXPECT_EQ(s.FileTypes, c.read ? QString::fromLatin1(c.read) : QString::fromLatin1(kFileTypes))
            << c.stored;
    }
    EXPECT_EQ(Settings{}.FileTypes, QString::fromLatin1(kFileTypes));
}

TEST(Settings, EveryKeyIsReadAndWrittenAsItsRowSays)
{
    const Settings defaults;
    for (const SettingKey &key : settingKeys()) {
        const std::string name = QString::fromUtf16(key.name).toStdString();
        Settings changed = defaults;
        changeField(changed, key, defaults);

        IniFile saved;
        ASSERT_TRUE(saveSettings(saved, changed)) << name;
        EXPECT_EQ(saved.hasKey(kSettingsSection, key.name), key.written) << name;
        EXPECT_TRUE(sameField(loadSettings(saved, kNoModes),
                              key.read && key.written ? changed : defaults, key)) << name;

        // A file holding the changed value: read when the row says so, and a key that is
        // never written keeps its text when the defaults are saved over it.
        IniFile file;
        ASSERT_TRUE(file.writeString(kSettingsSection, key.name, textOf(changed, key))) << name;
        EXPECT_TRUE(sameField(loadSettings(file, kNoModes), key.read ? changed : defaults, key))
            << name;
        ASSERT_TRUE(saveSettings(file, defaults));
        EXPECT_EQ(file.readString(kSettingsSection, key.name),
                  textOf(key.written ? defaults : changed, key)) << name;
    }
}

TEST(Settings, ValuesOutsideTheirRangeReadAsDefaults)
{
    struct Case { const char *line; int Settings::*field; int expected; };
    const Case cases[] = {
        {"FontSize=abc", &Settings::FontSize, 22},
        {"DisplayMode=7", &Settings::DisplayMode, 3},
        {"SaveTextFormat=3", &Settings::SaveTextFormat, 0},
        {"FontStyle=9", &Settings::FontStyle, FontStyleBoldItalic},
        {"TEFontStyle=-1", &Settings::TEFontStyle, FontStyleRegular},
        // Another display may have had more modes: the index is kept for the UI to check.
        {"FullScrResIndex=40", &Settings::FullScrResIndex, 40},
    };
    for (const Case &c : cases)
        EXPECT_EQ(loadSettings(fromText(QByteArray("[Main]\n") + c.line), kNoModes).*c.field,
                  c.expected) << c.line;

    struct Modes { QStringList list; int expected; };
    const Modes modes[] = {
        {{"1920 x 1080 x 24", "640 x 480 x 16", "640 x 480 x 32"}, 1},
        {{"1920 x 1080 x 24", "640 x 480 x 32"}, -1},
    };
    for (const Modes &m : modes)
        EXPECT_EQ(loadSettings(IniFile(), m.list).FullScrResIndex, m.expected);
    EXPECT_EQ(loadSettings(fromText("[Main]\nFullScrResIndex=0\n"), modes[0].list).FullScrResIndex, 0);
}

TEST(Settings, UnstorableFontStyleLeavesTheStoredOne)
{
    EXPECT_EQ(fontStyleCode(true, false, false), FontStyleBold);
    EXPECT_FALSE(fontStyleIsItalic(FontStyleBold));
    EXPECT_EQ(fontStyleCode(true, true, true), FontStyleNotStorable);

    IniFile ini = fromText("[Main]\nFontStyle=1\nTEFontStyle=2\n");
    Settings s = loadSettings(ini, kNoModes);
    s.FontStyle = s.TEFontStyle = FontStyleNotStorable;
    ASSERT_TRUE(saveSettings(ini, s));
    EXPECT_EQ(ini.readString(u"Main", u"FontStyle"), QStringLiteral("1"));
    EXPECT_EQ(ini.readString(u"Main", u"TEFontStyle"), QStringLiteral("2"));
}

TEST(Settings, ExistenceFlagsOfTheWindowBounds)
{
    Settings s = loadSettings(IniFile(), kNoModes);
    EXPECT_FALSE(s.PLSVisibleExists || s.BNVisibleExists || s.TEVisibleExists);
    s = loadSettings(fromText("[Main]\nPLSVisible=0\nBNVisible=1\ntevisible=1\n"), kNoModes);
    EXPECT_TRUE(s.PLSVisibleExists && s.BNVisibleExists && s.TEVisibleExists);
    EXPECT_FALSE(s.PLSVisible || s.BNVisible || s.TEVisible);
}

TEST(Settings, FileRoundTripAndFailedSave)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("home/zentavista.ini");
    EXPECT_EQ(loadSettingsFile(path, kNoModes), Settings{});

    Settings s;
    s.SaveTextFormat = 2;
    s.AutoLoadtextDir = QStringLiteral("/home/ja/Napisy ");
    s.RecentFiles = recentFilesValue({QStringLiteral("/filmy/b.avi"), QStringLiteral("/filmy/a.avi")});
    QString error;
    ASSERT_TRUE(saveSettingsFile(path, s, &error)) << error.toStdString();
    // The hand-off wrote meanwhile; saving again keeps it.
    ASSERT_TRUE(writeIniKey(path, "Main", "ParamFile", "/filmy/c.avi"));
    ASSERT_TRUE(saveSettingsFile(path, s, &error));
    const Settings back = loadSettingsFile(path, kNoModes);
    EXPECT_EQ(back.SaveTextFormat, 2);
    EXPECT_EQ(back.AutoLoadtextDir, s.AutoLoadtextDir);
    EXPECT_EQ(recentFilesFromValue(back.RecentFiles),
              (QStringList{QStringLiteral("/filmy/b.avi"), QStringLiteral("/filmy/a.avi")}));
    EXPECT_EQ(back.ParamFile, QStringLiteral("/filmy/c.avi"));

    // A file too large to read is not replaced by one that lost its unknown keys.
    QFile big(path);
    ASSERT_TRUE(big.resize(65 * 1024 * 1024));
    EXPECT_FALSE(saveSettingsFile(path, s, &error));
    EXPECT_EQ(error, QStringLiteral("Unable to write to ") + path);
    EXPECT_EQ(QFile(path).size(), 65 * 1024 * 1024);
    EXPECT_EQ(loadSettingsFile(path, kNoModes), Settings{});
}

TEST(Settings, RecentFilesValueKeepsAnyPath)
{
    const QStringList paths{QStringLiteral("/home/ja/Filmy/Żółw.avi"),
                            QStringLiteral("/odd|name\\with/marks|.avi"),
                            QStringLiteral("/trailing\\")};
    EXPECT_EQ(recentFilesFromValue(recentFilesValue(paths)), paths);

    // Unstorable and empty paths are skipped; an unterminated tail is a path cut short.
    EXPECT_EQ(recentFilesValue({QString(), QStringLiteral("/a\nb"), QStringLiteral("/c")}),
              QStringLiteral("/c|"));
    EXPECT_EQ(recentFilesFromValue(QStringLiteral("/a||/b|/home/cut")),
              (QStringList{QStringLiteral("/a"), QStringLiteral("/b")}));
    EXPECT_TRUE(recentFilesFromValue(QString()).isEmpty());
}
