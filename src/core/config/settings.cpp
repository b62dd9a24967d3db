#include "core/config/settings.h"

#include "core/config/ini_file.h"

#include <array>

namespace zv {

namespace {

using S = Settings;

SettingKey text(const char16_t *name, QString S::*f)
{
    return {name, SettingType::String, f};
}

SettingKey integer(const char16_t *name, int S::*f, int min = INT_MIN, int max = INT_MAX)
{
    return {name, SettingType::Integer, f, true, true, nullptr, min, max};
}

SettingKey boolean(const char16_t *name, bool S::*f)
{
    return {name, SettingType::Boolean, f};
}

SettingKey colour(const char16_t *name, quint32 S::*f)
{
    return {name, SettingType::Colour, f};
}

SettingKey fontStyle(const char16_t *name, int S::*f)
{
    return {name, SettingType::FontStyle, f, true, true, nullptr, FontStyleRegular,
            FontStyleBoldItalic};
}

SettingKey readOnly(SettingKey k)
{
    k.written = false;
    return k;
}

SettingKey writeOnly(SettingKey k)
{
    k.read = false;
    return k;
}

SettingKey withExistence(SettingKey k, bool S::*exists)
{
    k.exists = exists;
    return k;
}

const std::array kKeys = {
    text(u"FontName", &S::FontName),
    text(u"FileTypes", &S::FileTypes),
    integer(u"FontSize", &S::FontSize),
    colour(u"FontColor", &S::FontColor),
    integer(u"FontCharset", &S::FontCharset),
    fontStyle(u"FontStyle", &S::FontStyle),
    boolean(u"ShowFullScrCtrls", &S::ShowFullScrCtrls),
    colour(u"BackGroundColor", &S::BackGroundColor),
    integer(u"TextDelay", &S::TextDelay),
    integer(u"DisplayMode", &S::DisplayMode, 0, 3),
    boolean(u"ShowShadow", &S::ShowShadow),
    integer(u"ShadowMode", &S::ShadowMode, 0, 1),
    integer(u"ShadowDistance", &S::ShadowDistance),
    boolean(u"ShadowHiQuality", &S::ShadowHiQuality),
    colour(u"ShadowColor", &S::ShadowColor),
    boolean(u"ShowTextIfAvailable", &S::ShowTextIfAvailable),
    boolean(u"EnableOutCtrls", &S::EnableOutCtrls),
    boolean(u"AutoLoadText", &S::AutoLoadText),
    boolean(u"AutoSize", &S::AutoSize),
    boolean(u"InitFullScr", &S::InitFullScr),
    boolean(u"InitPanScan", &S::InitPanScan),
    boolean(u"InitAutoPanScan", &S::InitAutoPanScan),
    integer(u"SaveTextFormat", &S::SaveTextFormat, 0, 2),
    boolean(u"TextWrap", &S::TextWrap),
    boolean(u"TotalHideTaskBar", &S::TotalHideTaskBar),
    boolean(u"SystemVolumeControl", &S::SystemVolumeControl),
    text(u"AutoLoadtextDir", &S::AutoLoadtextDir),
    boolean(u"ChangeFullScrRes", &S::ChangeFullScrRes),
    integer(u"FullScrResIndex", &S::FullScrResIndex),
    boolean(u"SaveReloadPosition", &S::SaveReloadPosition),
    integer(u"DisplayerBottom", &S::DisplayerBottom),
    integer(u"DisplayerDistance", &S::DisplayerDistance),
    integer(u"Shift", &S::Shift),
    boolean(u"AutoPlay", &S::AutoPlay),
    boolean(u"Repeat", &S::Repeat),
    integer(u"PanScanValue", &S::PanScanValue),
    boolean(u"DecFontSize", &S::DecFontSize),
    boolean(u"SaveLoadPlaylist", &S::SaveLoadPlaylist),
    boolean(u"ShowTrayIcon", &S::ShowTrayIcon),
    withExistence(boolean(u"PLSVisible", &S::PLSVisible), &S::PLSVisibleExists),
    integer(u"PLSLeft", &S::PLSLeft),
    integer(u"PLSTop", &S::PLSTop),
    integer(u"PLSWidth", &S::PLSWidth),
    integer(u"PLSHeight", &S::PLSHeight),
    // These two windows always start hidden: their flag only says whether bounds were saved.
    withExistence(writeOnly(boolean(u"BNVisible", &S::BNVisible)), &S::BNVisibleExists),
    integer(u"BNLeft", &S::BNLeft),
    integer(u"BNTop", &S::BNTop),
    integer(u"BNWidth", &S::BNWidth),
    integer(u"BNHeight", &S::BNHeight),
    withExistence(writeOnly(boolean(u"TEVisible", &S::TEVisible)), &S::TEVisibleExists),
    integer(u"TELeft", &S::TELeft),
    integer(u"TETop", &S::TETop),
    integer(u"TEWidth", &S::TEWidth),
    integer(u"TEHeight", &S::TEHeight),
    integer(u"BPLeft", &S::BPLeft),
    integer(u"BPTop", &S::BPTop),
    writeOnly(integer(u"BPWidth", &S::BPWidth)),
    writeOnly(integer(u"BPHeight", &S::BPHeight)),
    integer(u"TETimeSuorceIndex", &S::TETimeSuorceIndex, 0, 1),
    integer(u"TETimeFormatIndex", &S::TETimeFormatIndex, 0, 1),
    text(u"TEFontName", &S::TEFontName),
    integer(u"TEFontSize", &S::TEFontSize),
    integer(u"TEFontCharset", &S::TEFontCharset),
    colour(u"TEBackGround", &S::TEBackGround),
    fontStyle(u"TEFontStyle", &S::TEFontStyle),
    colour(u"TEFontColor", &S::TEFontColor),
    text(u"RecentFiles", &S::RecentFiles),
    text(u"PreferredAudioLanguages", &S::PreferredAudioLanguages),
    text(u"PreferredSubtitleLanguages", &S::PreferredSubtitleLanguages),
    boolean(u"CheckSubtitleSync", &S::CheckSubtitleSync),
    // Never saved, so the time correction is off at every start unless the file itself says so.
    readOnly(boolean(u"OffsetEnabled", &S::OffsetEnabled)),
    // Written by a second instance handing over its file.
    readOnly(text(u"ParamFile", &S::ParamFile)),
};

const QStringView kSection(kSettingsSection);

struct Reader {
    const IniFile &ini;
    const SettingKey &key;
    const Settings &defaults;
    Settings &out;

    void operator()(QString S::*f) const { out.*f = ini.readString(kSection, key.name, defaults.*f); }
    void operator()(bool S::*f) const { out.*f = ini.readBool(kSection, key.name, defaults.*f); }
    void operator()(quint32 S::*f) const
    {
        // Stored as a signed 32-bit decimal; system colours have the top bit set.
        out.*f = quint32(ini.readInt(kSection, key.name, int(defaults.*f)));
    }
    void operator()(int S::*f) const
    {
        const int v = ini.readInt(kSection, key.name, defaults.*f);
        out.*f = v < key.min || v > key.max ? defaults.*f : v;
    }
};

struct Writer {
    IniFile &ini;
    const SettingKey &key;
    const Settings &s;

    bool operator()(QString S::*f) const { return ini.writeString(kSection, key.name, s.*f); }
    bool operator()(bool S::*f) const { return ini.writeBool(kSection, key.name, s.*f); }
    bool operator()(quint32 S::*f) const { return ini.writeInt(kSection, key.name, int(s.*f)); }
    bool operator()(int S::*f) const
    {
        // A style without a code (underline, ...) leaves the stored one as it is.
        if (key.type == SettingType::FontStyle && (s.*f < key.min || s.*f > key.max))
            return true;
        return ini.writeInt(kSection, key.name, s.*f);
    }
};

} // namespace

int fontStyleCode(bool bold, bool italic, bool otherStyles)
{
    if (otherStyles)
        return FontStyleNotStorable;
    return (bold ? FontStyleBold : 0) | (italic ? FontStyleItalic : 0);
}

bool fontStyleIsBold(int code)
{
    return code == FontStyleBold || code == FontStyleBoldItalic;
}

bool fontStyleIsItalic(int code)
{
    return code == FontStyleItalic || code == FontStyleBoldItalic;
}

std::span<const SettingKey> settingKeys()
{
    return kKeys;
}

Settings loadSettings(const IniFile &ini, const QStringList &resolutionList)
{
    Settings defaults;
    defaults.FullScrResIndex = int(resolutionList.indexOf(QStringLiteral("640 x 480 x 16")));
    Settings s = defaults;
    for (const SettingKey &key : kKeys) {
        if (key.exists)
            s.*key.exists = ini.hasKey(kSection, key.name);
        if (key.read)
            std::visit(Reader{ini, key, defaults, s}, key.field);
    }
    // The options dialog writes the list with a closing "/": that is still the old default.
    QStringView types(s.FileTypes);
    if (types.endsWith(u'/'))
        types.chop(1);
    if (types == QStringView(kOldDefaultFileTypes))
        s.FileTypes = defaults.FileTypes;
    return s;
}

bool saveSettings(IniFile &ini, const Settings &s)
{
    bool allStored = true;
    for (const SettingKey &key : kKeys) {
        if (key.written && !std::visit(Writer{ini, key, s}, key.field))
            allStored = false;
    }
    return allStored;
}

Settings loadSettingsFile(const QString &path, const QStringList &resolutionList)
{
    IniFile ini;
    ini.load(path);
    return loadSettings(ini, resolutionList);
}

bool saveSettingsFile(const QString &path, const Settings &s, QString *error)
{
    IniFile ini;
    // Replacing a file we could not read would throw away every key we do not know.
    if (!ini.load(path)) {
        if (error)
            *error = writeFailureMessage(path);
        return false;
    }
    saveSettings(ini, s);
    return ini.save(path, error);
}

QString recentFilesValue(const QStringList &paths)
{
    QString value;
    for (const QString &path : paths) {
        if (path.isEmpty() || path.contains(u'\n') || path.contains(u'\r'))
            continue;
        for (QChar c : path) {
            if (c == u'|' || c == u'\\')
                value += u'\\';
            value += c;
        }
        value += u'|';
    }
    return value;
}

QStringList recentFilesFromValue(const QString &value)
{
    QStringList paths;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            current += value[++i];
        } else if (c == u'|') {
            if (!current.isEmpty())
                paths.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    // Text after the last separator is a path cut short at the read limit: the prefix of a
    // path may well name an existing folder, so it is dropped rather than offered.
    return paths;
}

} // namespace zv
