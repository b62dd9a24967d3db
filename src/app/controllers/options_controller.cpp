#include "app/controllers/options_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/desktop_controller.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/keys_controller.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/video_controller.h"
#include "config/options_dialog.h"
#include "core/config/file_associations.h"
#include "core/config/ini_file.h"
#include "core/config/options_controls.h"
#include "core/config/paths.h"
#include "core/config/settings.h"
#include "core/subtitles/time_list.h"
#include "library/subtitle_database_window.h"
#include "playlist/playlist_window.h"
#include "subtitles/subtitle_display.h"
#include "subtitles/subtitle_editor.h"
#include "subtitles/subtitle_renderer.h"
#include "video/fullscreen_bar.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

namespace zv {
namespace {

// A damaged file must not ask the window system for absurd windows.
constexpr int kMaxCoordinate = 32000;
constexpr int kMaxExtent = 16000;

void applyBounds(QWidget *w, int left, int top, int width, int height)
{
    w->move(qBound(-kMaxCoordinate, left, kMaxCoordinate), qBound(-kMaxCoordinate, top, kMaxCoordinate));
    w->resize(qBound(1, width, kMaxExtent), qBound(1, height, kMaxExtent));
}

} // namespace

OptionsController::OptionsController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    ctx.commands->bind(Cmd::Opcje1, this, [this] { Opcje1Click(); });
    TForm2 *f = ctx.forms->Form2;
    if (!f)
        return;
    connect(f->OkButton, &QPushButton::clicked, this, [this, f] {
        UstawOpcjeDoZmiennych();
        f->hide();
        DodajFilesReg();
    });
    connect(f->ApplyButton, &QPushButton::clicked, this, [this] {
        UstawOpcjeDoZmiennych();
        DodajFilesReg();
    });
    connect(f->CancelButton, &QPushButton::clicked, f, &QWidget::hide);
    connect(f->DefaultsButton, &QPushButton::clicked, this, [this, f] {
        if (!f->confirm(f, QStringLiteral("Czy na pewno chcesz wczytać domyślne ustawienia ?")))
            return;
        LoadDefaultSettings();
        f->remembered.page = ShiftPage::Plain;
        f->remembered.TwoPoints = false;
        UstawZmienneDoOpcji();
        SprawdzSkojarzenia();
    });
    connect(f->MarkAssociatedButton, &QPushButton::clicked, this, &OptionsController::SprawdzSkojarzenia);
}

// ---- the settings file ----------------------------------------------------------------------------

// What loadini applies beyond the working settings: windows, repeat and recent files.
void OptionsController::applyToWindows()
{
    const Settings &s = *ctx_.settings;
    const AppWindows &f = *ctx_.forms;
    if (s.PLSVisibleExists)
        applyBounds(f.Form6, s.PLSLeft, s.PLSTop, s.PLSWidth, s.PLSHeight);
    f.Form6->setVisible(s.PLSVisible);
    // The database window and the editor always start hidden; only their places come back.
    if (s.BNVisibleExists)
        applyBounds(f.Form7, s.BNLeft, s.BNTop, s.BNWidth, s.BNHeight);
    if (s.TEVisibleExists)
        applyBounds(f.Form12, s.TELeft, s.TETop, s.TEWidth, s.TEHeight);

    ctx_.window->move(qBound(-kMaxCoordinate, s.BPLeft, kMaxCoordinate), qBound(-kMaxCoordinate, s.BPTop, kMaxCoordinate));
    ctx_.video->UstawOCXWindow();

    if (s.Repeat && !ctx_.commands->isChecked(Cmd::Powt1))
        ctx_.commands->run(Cmd::Powt1);
    // Each is put on top in turn, so the newest goes last; missing files drop out here.
    const QStringList recent = recentFilesFromValue(s.RecentFiles);
    for (qsizetype i = recent.size() - 1; i >= 0; --i)
        ctx_.files->AddRecentFile(recent.at(i));
}

void OptionsController::loadini()
{
    ctx_.video->refreshResolutionList();
    *ctx_.settings = loadSettingsFile(Paths::settingsFile(), ctx_.video->resolutionList());
    settingsLoaded_ = true;
    applyToWindows();
}

void OptionsController::LoadDefaultSettings()
{
    // Defaults hold no recent files and repeat off, so the menu and "Powtarzaj" keep theirs.
    *ctx_.settings = defaultSettings(ctx_.video->resolutionList());
    applyToWindows();
}

bool OptionsController::saveini()
{
    // Settings never read must not overwrite the user's file with defaults.
    if (!settingsLoaded_)
        return true;
    Settings &s = *ctx_.settings;
    const AppWindows &f = *ctx_.forms;
    const QMainWindow *w = ctx_.window;
    s.Repeat = ctx_.commands->isChecked(Cmd::Powt1);
    // A window that full screen hid is still shown as far as the user is concerned.
    s.PLSVisible = f.Form6->isVisible() || ctx_.video->hiddenForFullScreen(f.Form6);
    s.PLSLeft = f.Form6->x();
    s.PLSTop = f.Form6->y();
    s.PLSWidth = f.Form6->width();
    s.PLSHeight = f.Form6->height();
    s.BNVisible = f.Form7->isVisible() || ctx_.video->hiddenForFullScreen(f.Form7);
    s.BNLeft = f.Form7->x();
    s.BNTop = f.Form7->y();
    s.BNWidth = f.Form7->width();
    s.BNHeight = f.Form7->height();
    s.TEVisible = f.Form12->isVisible();
    s.TELeft = f.Form12->x();
    s.TETop = f.Form12->y();
    s.TEWidth = f.Form12->width();
    s.TEHeight = f.Form12->height();
    s.BPLeft = w->x();
    s.BPTop = w->y();
    s.BPWidth = w->width();
    s.BPHeight = w->height();
    // The gap between the subtitle lines as the user left them on screen.
    s.DisplayerDistance = ctx_.subtitles->DisplayerDistanceToSave();
    s.RecentFiles = recentFilesValue(ctx_.files->RecentFilesList());

    const QString path = Paths::settingsFile();
    QString error;
    if (saveSettingsFile(path, s, &error))
        return true;
    const QString text = error.isEmpty() ? writeFailureMessage(path) : error;
    if (!ctx_.state->reportedUnattended(text))
        QMessageBox::critical(nullptr, QStringLiteral("Zentavista"), text);
    return false;
}

// ---- the options dialog ---------------------------------------------------------------------------

void OptionsController::Opcje1Click()
{
    TForm2 *f = ctx_.forms->Form2;
    UstawZmienneDoOpcji();
    SprawdzSkojarzenia();
    f->PageControl1->setCurrentIndex(0);
    f->show();
    f->raise();
    f->activateWindow();
}

void OptionsController::showPage(const QString &caption)
{
    Opcje1Click();
    QTabWidget *pages = ctx_.forms->Form2->PageControl1;
    for (int i = 0; i < pages->count(); ++i)
        if (pages->tabText(i) == caption)
            pages->setCurrentIndex(i);
}

void OptionsController::UstawZmienneDoOpcji()
{
    TForm2 *f = ctx_.forms->Form2;
    SubtitlesController &sub = *ctx_.subtitles;
    OptionsControls c = f->controls();
    const ShiftCorrection shift{sub.ShiftFactor, sub.ShiftOffset, sub.ShiftFactorInverse, sub.ShiftOffsetInverse};
    const QStringList &modes = ctx_.video->resolutionList();
    f->setResolutionList(modes);
    zv::UstawZmienneDoOpcji(*ctx_.settings, shift, f->remembered, int(modes.size()), c);
    c.syncShift = sub.ShiftFromSync;
    f->setControls(c);
    SprawdzSkojarzenia();
    f->setTimeList(sub.timeLists().TimeListPlain.toStringList());
    ctx_.commands->menu(MenuId::RecentFiles1)->setEnabled(!ctx_.files->RecentFilesList().isEmpty());
}

void OptionsController::UstawOpcjeDoZmiennych()
{
    TForm2 *f = ctx_.forms->Form2;
    SubtitlesController &sub = *ctx_.subtitles;
    ShiftCorrection shift{sub.ShiftFactor, sub.ShiftOffset, sub.ShiftFactorInverse, sub.ShiftOffsetInverse};
    OptionsControls c = f->controls();
    sub.fillWizardLineStarts(c);
    const ApplyOutcome out = zv::UstawOpcjeDoZmiennych(c, *ctx_.settings, shift, f->remembered);
    if (out.shiftRejected)
        f->alert(f, QStringLiteral("Błąd..."), twoPointFitRefusal());
    sub.ShiftFactor = shift.ShiftFactor;
    sub.ShiftOffset = shift.ShiftOffset;
    sub.ShiftFactorInverse = shift.ShiftFactorInverse;
    sub.ShiftOffsetInverse = shift.ShiftOffsetInverse;
    sub.ShiftFromSync = c.syncShift && c.OffsetEnabled;
    if (!sub.ShiftFromSync)
        sub.ShiftPieces = {};

    const Settings &s = *ctx_.settings;
    ctx_.desktop->UstawTrayIcons();
    if (!s.ShowFullScrCtrls && ctx_.forms->Form13)
        ctx_.forms->Form13->hide();
    // The editor takes the sample's font and colours.
    if (TForm12 *ed = ctx_.forms->Form12) {
        QFont font;
        font.setFamily(s.TEFontName);
        font.setPointSize(qBound(1, s.TEFontSize, 1000));
        font.setBold(fontStyleIsBold(s.TEFontStyle));
        font.setItalic(fontStyleIsItalic(s.TEFontStyle));
        ed->UstawWyglad(font, colorFromBgr(s.TEFontColor), colorFromBgr(s.TEBackGround));
        ed->OptionsApplied();
    }
    // The line windows read font and colours from the settings at each rendering.
    ctx_.keys->RestartGlobalKeys();
    sub.LadujOpisyDoOpcji();
    if (SubtitleDisplay *overlay = sub.subtitleDisplay())
        overlay->RobNapis(overlay->DisplayedText());
}

void OptionsController::SprawdzSkojarzenia()
{
    TForm2 *f = ctx_.forms->Form2;
    const QList<FileTypeEntry> entries = f->controls().fileTypes;
    f->setAssociationMarks(
        readAssociationMarks(entries, userMimeAppsPath(), QCoreApplication::applicationFilePath()));
    QStringList unknown;
    for (const FileTypeEntry &e : entries)
        if (mimeTypeForExtension(e.extension).isEmpty())
            unknown << e.extension;
    f->setUnknownFileTypes(unknown);
}

void OptionsController::DodajFilesReg()
{
    TForm2 *f = ctx_.forms->Form2;
    const RegistrationResult r = registerFileTypes(f->controls().fileTypes, QCoreApplication::applicationFilePath(),
                                                   userMimeAppsPath(), userDesktopEntryPath());
    f->setUnknownFileTypes(r.unknownExtensions);
    if (!r.ok)
        ctx_.filesMessage(QStringLiteral("Błąd"), r.error);
}

} // namespace zv
