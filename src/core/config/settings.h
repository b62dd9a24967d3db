#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <climits>
#include <span>
#include <variant>

namespace zv {

class IniFile;

// The FileTypes default of earlier versions, before today's containers were added.
inline constexpr char16_t kOldDefaultFileTypes[] = u"mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl";

// The one section of zentavista.ini.
inline constexpr char16_t kSettingsSection[] = u"Main";

// Stored font styles. A font with any other style (underline, strike-out) has no code:
// fontStyleCode gives FontStyleNotStorable and saving leaves the stored value alone.
enum FontStyleCode : int {
    FontStyleNotStorable = -1,
    FontStyleRegular = 0,
    FontStyleItalic = 1,
    FontStyleBold = 2,
    FontStyleBoldItalic = 3,
};
int fontStyleCode(bool bold, bool italic, bool otherStyles);
bool fontStyleIsBold(int code);
bool fontStyleIsItalic(int code);

// Every setting of zentavista.ini, named like its key, with the value used when the key is
// missing. Colours are 0x00BBGGRR. Fields marked "filled by the UI" describe windows and are
// set by the main window just before saving; the core never looks at widgets.
struct Settings {
    // Subtitle font and look
    QString FontName = QStringLiteral("Arial");
    int FontSize = 22;                    // points
    quint32 FontColor = 16777215;         // white
    int FontCharset = 1;
    int FontStyle = FontStyleBoldItalic;  // FontStyleCode
    quint32 BackGroundColor = 0;
    int TextDelay = 4;                    // seconds a subtitle stays up
    int DisplayMode = 3;                  // 0..3: opaque, overlay, regions, automatic
    bool ShowShadow = true;
    int ShadowMode = 1;                   // 0 shadow, 1 outline
    int ShadowDistance = 1;               // pixels
    quint32 ShadowColor = 0;
    bool ShadowHiQuality = false;
    bool DecFontSize = true;
    bool TextWrap = true;

    // Behaviour
    bool SaveLoadPlaylist = true;
    bool OffsetEnabled = false;           // read, never written
    bool EnableOutCtrls = false;
    bool TotalHideTaskBar = false;
    bool SystemVolumeControl = false;
    bool AutoSize = true;
    bool ShowTextIfAvailable = true;
    int DisplayerBottom = 70;             // pixels
    int DisplayerDistance = 0;            // pixels; recomputed by the UI before saving
    bool AutoLoadText = true;
    QString AutoLoadtextDir;
    int SaveTextFormat = 0;               // 0..2: TMP, MDVD, LRC
    bool ChangeFullScrRes = false;
    // Index into the display-mode list; it may lie outside the current list (another display),
    // so check it before use. Read default: the index of "640 x 480 x 16", or -1.
    int FullScrResIndex = -1;
    bool SaveReloadPosition = true;
    int Shift = 5;                        // seconds
    bool AutoPlay = true;
    bool ShowFullScrCtrls = true;
    bool InitFullScr = false;
    bool InitPanScan = false;
    bool InitAutoPanScan = false;

    // Window bounds and visibility (filled by the UI before saving)
    bool PLSVisible = false;
    int PLSLeft = 140, PLSTop = 272, PLSWidth = 320, PLSHeight = 300;
    bool BNVisible = false;               // written; on reading only its existence counts
    int BNLeft = 0, BNTop = 0, BNWidth = 460, BNHeight = 272;
    bool TEVisible = false;               // written; on reading only its existence counts
    int TELeft = 460, TETop = 0, TEWidth = 340, TEHeight = 272;
    int BPLeft = 460, BPTop = 272;
    int BPWidth = 0, BPHeight = 0;        // written, never read

    // Whether the file holds the key: the window's bounds are applied only then.
    bool PLSVisibleExists = false;
    bool BNVisibleExists = false;
    bool TEVisibleExists = false;

    int PanScanValue = 120;               // percent
    bool ShowTrayIcon = false;

    // Subtitle editor
    int TETimeSuorceIndex = 0;            // 0 own clock, 1 Winamp
    int TETimeFormatIndex = 0;            // 0 TMP, 1 LRC
    QString TEFontName = QStringLiteral("Arial");
    int TEFontSize = 16;
    int TEFontCharset = 1;
    int TEFontStyle = FontStyleRegular;   // FontStyleCode
    quint32 TEFontColor = 0;
    quint32 TEBackGround = 16777215;

    // Media extensions, "/"-separated. A stored value equal to kOldDefaultFileTypes (with or
    // without a closing "/") is read as this default: the user never changed the old one.
    QString FileTypes = QStringLiteral("mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl/mp4/m4v/mkv/webm/mov/ogv/ogg/oga/"
                                       "opus/flac/m4a/aac/wmv/wma/ts/m2ts/mts/vob/3gp/flv/divx/xvid/mka");
    // Languages tried in order when a film opens: ISO codes ("pl", "eng"), "org" for the film's
    // first track. Empty audio list: the film's own default track plays.
    QString PreferredAudioLanguages;
    QString PreferredSubtitleLanguages = QStringLiteral("pl");
    bool CheckSubtitleSync = true;        // a film opened with subtitles gets their fit checked
    bool Repeat = false;                  // state of the repeat command (filled by the UI)
    QString RecentFiles;                  // recentFilesValue() of the menu, newest first
    QString ParamFile;                    // read, never written: the second instance writes it

    bool operator==(const Settings &) const = default;
};

enum class SettingType { String, Integer, Boolean, Colour, FontStyle };

// One row per key: the table that loadSettings and saveSettings walk.
struct SettingKey {
    const char16_t *name;
    SettingType type;
    std::variant<QString Settings::*, int Settings::*, bool Settings::*, quint32 Settings::*> field;
    bool read = true;
    bool written = true;
    bool Settings::*exists = nullptr;   // set to whether the file holds the key
    int min = INT_MIN;                  // integers outside [min, max] read as the default
    int max = INT_MAX;
};

// Every key, in the order saveSettings writes them (the order a fresh file lists them in).
// Reads are independent of each other, so only the write order shows in the file.
std::span<const SettingKey> settingKeys();

// Reads every key of section "Main". `resolutionList` holds the display modes as
// "W x H x depth" texts; it gives FullScrResIndex its default.
Settings loadSettings(const IniFile &ini, const QStringList &resolutionList);
// Writes every written key into `ini` (nothing reaches the disk). Keys that are not written
// keep what the file holds. Returns false when a value could not be stored (a line break in a
// text): that key keeps its stored value, the others are written.
bool saveSettings(IniFile &ini, const Settings &s);

// The file-level pair: loadSettingsFile gives the defaults for a missing or unreadable file.
// saveSettingsFile re-reads the file so that keys written meanwhile by others (ParamFile) and
// unknown keys survive; it refuses to replace a file it cannot read. On failure *error is
// writeFailureMessage(path) and the file is unchanged.
Settings loadSettingsFile(const QString &path, const QStringList &resolutionList);
bool saveSettingsFile(const QString &path, const Settings &s, QString *error = nullptr);

// RecentFiles holds each path followed by "|"; "\" escapes a "|" or "\" inside a path
// ("/" cannot separate native paths). recentFilesValue skips empty paths and paths with line
// breaks, which a line of the file cannot hold. recentFilesFromValue gives the paths newest
// first, without empty entries or an unterminated tail; since adding a recent file puts it on
// top, add them from the last to the first to rebuild the menu in its order.
QString recentFilesValue(const QStringList &paths);
QStringList recentFilesFromValue(const QString &value);

} // namespace zv
