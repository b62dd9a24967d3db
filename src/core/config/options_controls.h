#pragma once

#include "core/subtitles/time_shift.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace zv {

struct Settings;

// The options dialog's spin boxes that have limits; the others pass any integer on.
inline constexpr int kMaxShadowDistanceControl = 100;
inline constexpr int kMaxDisplayerDistanceControl = 4086;
// An extension longer than this is a typing accident, not a file type.
inline constexpr int kMaxExtensionLength = 32;
// The extension list shows at most this many entries: a longer FileTypes value is damaged or
// hostile, and one row per entry would take the dialog minutes to build.
inline constexpr int kMaxFileTypesShown = 1000;

// The timing correction's linear maps (program state, never stored).
using ShiftCorrection = ShiftCoefficients;

// Sub-pages of "Przesunięcie".
enum class ShiftPage { Plain, Wizard }; // "Zwykłe", "Kreator"

// What the dialog remembers between showings but the settings file does not hold; loadini
// resets the first two.
struct OptionsMemory {
    ShiftPage page = ShiftPage::Plain;
    bool TwoPoints = false;   // "Tekst nie jest przesunięty jednakowo na całej długości filmu"
    int listASelected = -1, listATop = 0;
    int listBSelected = -1, listBTop = 0;
    bool operator==(const OptionsMemory &) const = default;
};

// One row of "Typy plików": an extension without its dot and its check mark.
struct FileTypeEntry {
    QString extension;
    bool marked = false;
    bool operator==(const FileTypeEntry &) const = default;
};

// The value of every control of the options dialog, named like the setting it holds. The
// dialog only copies widgets to and from this; everything between it and the settings is here.
struct OptionsControls {
    // "Wyświetlanie"
    QString FontName;
    int FontSize = 0;
    quint32 FontColor = 0;
    int FontCharset = 1;
    int FontStyle = 0;
    quint32 BackGroundColor = 0;
    int DisplayMode = 0;          // entry of "Tryb wyświetlania:"
    bool DecFontSize = false;
    bool TextWrap = false;
    bool ShowShadow = false;
    int ShadowDistance = 0;       // 0..kMaxShadowDistanceControl
    int ShadowMode = 0;
    quint32 ShadowColor = 0;
    bool ShadowHiQuality = false;

    // "Opcje"
    QString AutoLoadtextDir;
    QString PreferredAudioLanguages;     // "Preferowany język dźwięku"
    QString PreferredSubtitleLanguages;  // "Preferowany język napisów"
    int DisplayerDistance = 0;    // 0..kMaxDisplayerDistanceControl
    int Shift = 0;
    int TextDelay = 0;
    int PanScanValue = 0;
    bool AutoPlay = false;
    bool ChangeFullScrRes = false;
    int FullScrResIndex = -1;     // -1: no entry chosen
    bool AutoLoadText = false;
    bool ShowTextIfAvailable = false;
    bool AutoSize = false;
    bool ShowFullScrCtrls = false;
    bool SaveLoadPlaylist = false;
    bool ShowTrayIcon = false;
    bool InitFullScr = false;
    bool InitPanScan = false;
    bool InitAutoPanScan = false;
    bool EnableOutCtrls = false;

    // "Przesunięcie"
    bool OffsetEnabled = false;
    ShiftPage page = ShiftPage::Plain;
    int plainSeconds = 0;         // "Wyswietlaj napisy o:", whole seconds, never negative
    bool plainLater = false;      // "póżniej" chosen, else "wcześniej"
    bool TwoPoints = false;
    int wizardSecondsA = 0, wizardSecondsB = 0;   // the "W czasie:" pickers
    int listASelected = -1, listATop = 0;
    int listBSelected = -1, listBTop = 0;
    // Stored start seconds of the lines selected in lists A and B: the lists show the time
    // table's lines, and the main window reads these from it (none: no line selected).
    std::optional<int> lineStartA, lineStartB;
    int SaveTextFormat = 0;
    // The correction in effect came from the automatic synchronisation: applying the page keeps
    // it until one of the page's shift controls is changed.
    bool syncShift = false;
    bool CheckSubtitleSync = true;  // "Sprawdzaj synchronizację napisów przy otwieraniu"

    // "Typy plików": the first kMaxFileTypesShown entries; what follows them in FileTypes is
    // kept verbatim in fileTypesRest and written back after them, never registered.
    QList<FileTypeEntry> fileTypes;
    QString fileTypesRest;

    // "Edytor napisów"
    int TETimeSuorceIndex = 0;
    int TETimeFormatIndex = 0;
    QString TEFontName;
    int TEFontSize = 0;
    int TEFontCharset = 1;
    int TEFontStyle = 0;
    quint32 TEFontColor = 0;
    quint32 TEBackGround = 0;

    bool operator==(const OptionsControls &) const = default;
};

// Settings -> controls. `resolutionCount` is the length of the full-screen mode list: an index
// outside it shows no entry. The radio buttons of "Zwykłe" are left as `c` holds them unless
// the offset is negative, which selects "póżniej". Check marks of the file types are false
// here; the association check sets them.
void UstawZmienneDoOpcji(const Settings &s, const ShiftCorrection &shift, const OptionsMemory &memory,
                         int resolutionCount, OptionsControls &c);

struct ApplyOutcome {
    // The wizard's two reference points were the same line or the same time: the correction
    // kept its previous values ("Czasy wyświetlania nie mogą być jednakowe.\nError: 89216").
    bool shiftRejected = false;
};

// Controls -> settings, with the correction recomputed and the remembered page state.
// Only values change here; showing them (tray icons, keys, overlay) is the caller's part.
ApplyOutcome UstawOpcjeDoZmiennych(const OptionsControls &c, Settings &s, ShiftCorrection &shift,
                                   OptionsMemory &memory);

// The correction the "Przesunięcie" page asks for (shiftCoefficientsFor), or nullopt when the
// two reference points are refused and `previous` stays.
std::optional<ShiftCorrection> shiftCorrectionFor(const OptionsControls &c,
                                                  const ShiftCorrection &previous);

// FileTypes <-> the extension list: "/" separates entries; writing puts one after each.
QList<FileTypeEntry> fileTypesFromValue(const QString &value);
QString fileTypesValue(const QList<FileTypeEntry> &entries, const QString &rest = {});
// The first `limit` entries of a FileTypes value, in time that grows with them only (plus one
// copy of the rest): *rest gets what follows them, verbatim.
QList<FileTypeEntry> fileTypesFromValue(const QString &value, qsizetype limit, QString *rest);
// How many entries a FileTypes value (or a rest of one) holds.
qsizetype fileTypesCount(const QString &value);
// An entry as the dialog shows it: one longer than any extension is cut, with "…".
QString shownExtension(const QString &extension);

// "Dodaj...": the entry a typed text adds, or nullopt with *why (Polish, for the dialog) when it
// adds nothing. Blanks around it and one leading "." are dropped; an entry already in the list
// (any letter case) adds nothing silently; a "/" (the list's separator), blanks, control or
// wildcard characters, or more than kMaxExtensionLength characters are refused.
std::optional<QString> extensionToAdd(const QString &typed, const QList<FileTypeEntry> &list,
                                      QString *why = nullptr);

// "Usuń zaznaczone": the list without its marked entries.
QList<FileTypeEntry> withoutMarked(const QList<FileTypeEntry> &list);

// "Domyślne": every setting at its read default, with FullScrResIndex found in the mode list.
Settings defaultSettings(const QStringList &resolutionList);

} // namespace zv
