#include "core/config/options_controls.h"

#include "core/config/ini_file.h"
#include "core/config/settings.h"

#include <cmath>

namespace zv {

namespace {

// Lists hold only their entries: a stored index outside them shows the first entry.
int listIndex(int value, int count)
{
    return value >= 0 && value < count ? value : 0;
}

int wholeSeconds(double seconds)
{
    const double a = std::fabs(seconds);
    // A correction beyond a day is nonsense from a damaged state; the picker cannot show it.
    return a < 86400.0 ? static_cast<int>(a) : 86399;
}

} // namespace

void UstawZmienneDoOpcji(const Settings &s, const ShiftCorrection &shift, const OptionsMemory &memory,
                         int resolutionCount, OptionsControls &c)
{
    c.FontName = s.FontName;
    c.FontSize = s.FontSize;
    c.FontColor = s.FontColor;
    c.FontCharset = s.FontCharset;
    c.FontStyle = s.FontStyle;
    c.BackGroundColor = s.BackGroundColor;
    c.DisplayMode = listIndex(s.DisplayMode, 4);
    c.DecFontSize = s.DecFontSize;
    c.TextWrap = s.TextWrap;
    c.ShowShadow = s.ShowShadow;
    c.ShadowDistance = qBound(0, s.ShadowDistance, kMaxShadowDistanceControl);
    c.ShadowMode = listIndex(s.ShadowMode, 2);
    c.ShadowColor = s.ShadowColor;
    c.ShadowHiQuality = s.ShadowHiQuality;

    c.AutoLoadtextDir = s.AutoLoadtextDir;
    c.PreferredAudioLanguages = s.PreferredAudioLanguages;
    c.PreferredSubtitleLanguages = s.PreferredSubtitleLanguages;
    c.DisplayerDistance = qBound(0, s.DisplayerDistance, kMaxDisplayerDistanceControl);
    c.Shift = s.Shift;
    c.TextDelay = s.TextDelay;
    c.PanScanValue = s.PanScanValue;
    c.AutoPlay = s.AutoPlay;
    c.ChangeFullScrRes = s.ChangeFullScrRes;
    c.FullScrResIndex = s.FullScrResIndex >= 0 && s.FullScrResIndex < resolutionCount
                            ? s.FullScrResIndex : -1;
    c.AutoLoadText = s.AutoLoadText;
    c.ShowTextIfAvailable = s.ShowTextIfAvailable;
    c.AutoSize = s.AutoSize;
    c.ShowFullScrCtrls = s.ShowFullScrCtrls;
    c.SaveLoadPlaylist = s.SaveLoadPlaylist;
    c.ShowTrayIcon = s.ShowTrayIcon;
    c.InitFullScr = s.InitFullScr;
    c.InitPanScan = s.InitPanScan;
    c.InitAutoPanScan = s.InitAutoPanScan;
    c.EnableOutCtrls = s.EnableOutCtrls;

    c.OffsetEnabled = s.OffsetEnabled;
    c.plainSeconds = wholeSeconds(shift.ShiftOffset);
    if (shift.ShiftOffset < 0)
        c.plainLater = true;
    c.page = memory.page;
    c.TwoPoints = memory.TwoPoints;
    c.listASelected = memory.listASelected;
    c.listATop = memory.listATop;
    c.listBSelected = memory.listBSelected;
    c.listBTop = memory.listBTop;
    c.SaveTextFormat = listIndex(s.SaveTextFormat, 3);
    c.CheckSubtitleSync = s.CheckSubtitleSync;

    c.fileTypes = fileTypesFromValue(s.FileTypes, kMaxFileTypesShown, &c.fileTypesRest);

    c.TETimeSuorceIndex = listIndex(s.TETimeSuorceIndex, 2);
    c.TETimeFormatIndex = listIndex(s.TETimeFormatIndex, 2);
    c.TEFontName = s.TEFontName;
    c.TEFontSize = s.TEFontSize;
    c.TEFontCharset = s.TEFontCharset;
    c.TEFontStyle = s.TEFontStyle;
    c.TEFontColor = s.TEFontColor;
    c.TEBackGround = s.TEBackGround;
}

std::optional<ShiftCorrection> shiftCorrectionFor(const OptionsControls &c,
                                                  const ShiftCorrection &previous)
{
    if (c.OffsetEnabled && c.syncShift)
        return previous; // the synchronisation's map, which the page's controls cannot show
    ShiftInputs in;
    in.OffsetEnabled = c.OffsetEnabled;
    in.wizard = c.page == ShiftPage::Wizard;
    in.plainSeconds = c.plainSeconds;
    in.plainLater = c.plainLater;
    in.twoPoints = c.TwoPoints;
    if (c.lineStartA)
        in.lineA = *c.lineStartA;
    if (c.lineStartB)
        in.lineB = *c.lineStartB;
    in.timeA = c.wizardSecondsA;
    in.timeB = c.wizardSecondsB;
    return shiftCoefficientsFor(in, previous);
}

ApplyOutcome UstawOpcjeDoZmiennych(const OptionsControls &c, Settings &s, ShiftCorrection &shift,
                                   OptionsMemory &memory)
{
    ApplyOutcome out;
    memory.listASelected = c.listASelected;
    memory.listATop = c.listATop;
    memory.listBSelected = c.listBSelected;
    memory.listBTop = c.listBTop;

    s.FileTypes = fileTypesValue(c.fileTypes, c.fileTypesRest);
    s.FontName = c.FontName;
    s.FontSize = c.FontSize;
    s.FontColor = c.FontColor;
    s.FontCharset = c.FontCharset;
    // A font the file cannot describe (underline) keeps the stored style.
    if (c.FontStyle >= FontStyleRegular && c.FontStyle <= FontStyleBoldItalic)
        s.FontStyle = c.FontStyle;
    s.BackGroundColor = c.BackGroundColor;
    s.TextDelay = c.TextDelay;

    if (const std::optional<ShiftCorrection> fitted = shiftCorrectionFor(c, shift))
        shift = *fitted;
    else
        out.shiftRejected = true;

    s.ShowTextIfAvailable = c.ShowTextIfAvailable;
    s.ShowShadow = c.ShowShadow;
    s.ShadowMode = listIndex(c.ShadowMode, 2);
    s.ShadowDistance = qBound(0, c.ShadowDistance, kMaxShadowDistanceControl);
    s.DisplayMode = listIndex(c.DisplayMode, 4);
    s.EnableOutCtrls = c.EnableOutCtrls;
    s.SaveTextFormat = listIndex(c.SaveTextFormat, 3);
    s.CheckSubtitleSync = c.CheckSubtitleSync;
    s.ShadowColor = c.ShadowColor;
    s.ShadowHiQuality = c.ShadowHiQuality;
    s.ShowTrayIcon = c.ShowTrayIcon;
    s.OffsetEnabled = c.OffsetEnabled;
    memory.page = c.page;
    memory.TwoPoints = c.TwoPoints;
    s.ShowFullScrCtrls = c.ShowFullScrCtrls;
    s.AutoLoadtextDir = c.AutoLoadtextDir;
    s.PreferredAudioLanguages = c.PreferredAudioLanguages.simplified();
    s.PreferredSubtitleLanguages = c.PreferredSubtitleLanguages.simplified();
    s.AutoLoadText = c.AutoLoadText;
    s.ChangeFullScrRes = c.ChangeFullScrRes;
    // No entry chosen keeps the stored index: it may name a mode of another display.
    if (c.FullScrResIndex >= 0)
        s.FullScrResIndex = c.FullScrResIndex;
    s.PanScanValue = c.PanScanValue;
    s.DecFontSize = c.DecFontSize;
    s.SaveLoadPlaylist = c.SaveLoadPlaylist;
    s.TextWrap = c.TextWrap;
    s.InitFullScr = c.InitFullScr;
    s.InitPanScan = c.InitPanScan;
    s.InitAutoPanScan = c.InitAutoPanScan;
    s.TETimeSuorceIndex = listIndex(c.TETimeSuorceIndex, 2);
    s.TETimeFormatIndex = listIndex(c.TETimeFormatIndex, 2);
    s.TEFontName = c.TEFontName;
    s.TEFontSize = c.TEFontSize;
    s.TEFontCharset = c.TEFontCharset;
    if (c.TEFontStyle >= FontStyleRegular && c.TEFontStyle <= FontStyleBoldItalic)
        s.TEFontStyle = c.TEFontStyle;
    s.TEFontColor = c.TEFontColor;
    s.TEBackGround = c.TEBackGround;
    s.AutoSize = c.AutoSize;
    s.AutoPlay = c.AutoPlay;
    s.Shift = c.Shift;
    s.DisplayerDistance = qBound(0, c.DisplayerDistance, kMaxDisplayerDistanceControl);
    return out;
}

QList<FileTypeEntry> fileTypesFromValue(const QString &value)
{
    QList<FileTypeEntry> out;
    for (const QString &e : value.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        out.append({e, false});
    return out;
}

QList<FileTypeEntry> fileTypesFromValue(const QString &value, qsizetype limit, QString *rest)
{
    QList<FileTypeEntry> out;
    qsizetype pos = 0;
    while (pos < value.size() && out.size() < limit) {
        qsizetype end = value.indexOf(QLatin1Char('/'), pos);
        if (end < 0)
            end = value.size();
        if (end > pos)
            out.append({value.mid(pos, end - pos), false});
        pos = end + 1;
    }
    if (rest)
        *rest = pos < value.size() ? value.mid(pos) : QString();
    return out;
}

QString fileTypesValue(const QList<FileTypeEntry> &entries, const QString &rest)
{
    QString v;
    for (const FileTypeEntry &e : entries)
        v += e.extension + QLatin1Char('/');
    return v + rest;
}

qsizetype fileTypesCount(const QString &value)
{
    qsizetype n = 0;
    bool inEntry = false;
    const QChar *p = value.constData();
    for (const QChar *end = p + value.size(); p != end; ++p) {
        const bool separator = *p == QLatin1Char('/');
        n += !separator && !inEntry;
        inEntry = !separator;
    }
    return n;
}

QString shownExtension(const QString &extension)
{
    if (extension.size() <= kMaxExtensionLength)
        return extension;
    return extension.left(kMaxExtensionLength) + QChar(0x2026);
}

std::optional<QString> extensionToAdd(const QString &typed, const QList<FileTypeEntry> &list,
                                      QString *why)
{
    auto refuse = [why](const QString &text) -> std::optional<QString> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    if (why)
        why->clear();
    QString e = typed.trimmed();
    if (e.startsWith(QLatin1Char('.')))
        e.remove(0, 1);
    if (e.isEmpty())
        return std::nullopt;
    if (e.size() > kMaxExtensionLength)
        return refuse(QStringLiteral("Rozszerzenie jest za długie."));
    for (const QChar ch : e) {
        if (ch.isSpace() || ch.category() == QChar::Other_Control
            || QStringLiteral("/\\*?[];=\"").contains(ch))
            return refuse(QStringLiteral("Rozszerzenie zawiera niedozwolony znak: \"%1\".").arg(ch));
    }
    for (const FileTypeEntry &x : list)
        if (x.extension.compare(e, Qt::CaseInsensitive) == 0)
            return std::nullopt;
    return e;
}

QList<FileTypeEntry> withoutMarked(const QList<FileTypeEntry> &list)
{
    QList<FileTypeEntry> out;
    for (const FileTypeEntry &e : list)
        if (!e.marked)
            out.append(e);
    return out;
}

Settings defaultSettings(const QStringList &resolutionList)
{
    return loadSettings(IniFile(), resolutionList);
}

} // namespace zv
