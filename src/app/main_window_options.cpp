// The options dialog and the file types: the main window moves the working settings to the
// dialog's controls and back through the core's conversions, applies what changed to the
// windows, and registers the marked file types with the desktop.
#include "app/main_window.h"

#include "config/options_dialog.h"
#include "core/config/file_associations.h"
#include "core/config/options_controls.h"
#include "core/config/settings.h"
#include "core/subtitles/time_list.h"
#include "subtitles/subtitle_display.h"
#include "subtitles/subtitle_editor.h"
#include "subtitles/subtitle_renderer.h"
#include "video/fullscreen_bar.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

void TZentavistaApp::ConnectOptions()
{
    if (optionsConnected_ || !Form2)
        return;
    optionsConnected_ = true;
    ConnectTimingWizard();
    connect(Form2->OkButton, &QPushButton::clicked, this, [this] {
        UstawOpcjeDoZmiennych();
        Form2->hide();
        DodajFilesReg();
    });
    connect(Form2->ApplyButton, &QPushButton::clicked, this, [this] {
        UstawOpcjeDoZmiennych();
        DodajFilesReg();
    });
    connect(Form2->CancelButton, &QPushButton::clicked, Form2, &QWidget::hide);
    connect(Form2->DefaultsButton, &QPushButton::clicked, this, [this] {
        if (!Form2->confirm(Form2, QStringLiteral("Czy na pewno chcesz wczytać domyślne ustawienia ?")))
            return;
        LoadDefaultSettings();
        Form2->remembered.page = zv::ShiftPage::Plain;
        Form2->remembered.TwoPoints = false;
        UstawZmienneDoOpcji();
        SprawdzSkojarzenia();
    });
    connect(Form2->MarkAssociatedButton, &QPushButton::clicked, this, &TZentavistaApp::SprawdzSkojarzenia);
}

void TZentavistaApp::Opcje1Click()
{
    ConnectOptions();
    UstawZmienneDoOpcji();
    SprawdzSkojarzenia();
    Form2->PageControl1->setCurrentIndex(0);
    Form2->show();
    Form2->raise();
    Form2->activateWindow();
}

void TZentavistaApp::UstawZmienneDoOpcji()
{
    ConnectOptions();
    zv::OptionsControls c = Form2->controls();
    const zv::ShiftCorrection shift{ShiftFactor, ShiftOffset, ShiftFactorInverse, ShiftOffsetInverse};
    Form2->setResolutionList(resolutionList());
    zv::UstawZmienneDoOpcji(settings(), shift, Form2->remembered, int(resolutionList().size()), c);
    Form2->setControls(c);
    SprawdzSkojarzenia();
    Form2->setTimeList(timeLists().TimeListPlain.toStringList());
    if (RecentFiles1)
        RecentFiles1->setEnabled(!RecentFilesList().isEmpty());
}

void TZentavistaApp::UstawOpcjeDoZmiennych()
{
    ConnectOptions();
    zv::ShiftCorrection shift{ShiftFactor, ShiftOffset, ShiftFactorInverse, ShiftOffsetInverse};
    zv::OptionsControls c = Form2->controls();
    fillWizardLineStarts(c);
    const zv::ApplyOutcome out = zv::UstawOpcjeDoZmiennych(c, settings(), shift, Form2->remembered);
    if (out.shiftRejected)
        Form2->alert(Form2, QStringLiteral("Błąd..."), zv::twoPointFitRefusal());
    ShiftFactor = shift.ShiftFactor;
    ShiftOffset = shift.ShiftOffset;
    ShiftFactorInverse = shift.ShiftFactorInverse;
    ShiftOffsetInverse = shift.ShiftOffsetInverse;

    const zv::Settings &s = settings();
    UstawTrayIcons();
    if (!s.ShowFullScrCtrls && Form13)
        Form13->hide();
    // The editor takes the sample's font and colours.
    if (Form12) {
        QFont font;
        font.setFamily(s.TEFontName);
        font.setPointSize(qBound(1, s.TEFontSize, 1000));
        font.setBold(zv::fontStyleIsBold(s.TEFontStyle));
        font.setItalic(zv::fontStyleIsItalic(s.TEFontStyle));
        Form12->UstawWyglad(font, zv::colorFromBgr(s.TEFontColor), zv::colorFromBgr(s.TEBackGround));
        Form12->OptionsApplied();
    }
    // The line windows read font and colours from the settings at each rendering.
    RestartGlobalKeys();
    LadujOpisyDoOpcji();
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->RobNapis(overlay->DisplayedText());
}

void TZentavistaApp::SprawdzSkojarzenia()
{
    const QList<zv::FileTypeEntry> entries = Form2->controls().fileTypes;
    Form2->setAssociationMarks(zv::readAssociationMarks(entries, zv::userMimeAppsPath()));
    QStringList unknown;
    for (const zv::FileTypeEntry &e : entries)
        if (zv::mimeTypeForExtension(e.extension).isEmpty())
            unknown << e.extension;
    Form2->setUnknownFileTypes(unknown);
}

void TZentavistaApp::DodajFilesReg()
{
    const zv::RegistrationResult r =
        zv::registerFileTypes(Form2->controls().fileTypes, QCoreApplication::applicationFilePath(),
                              zv::userMimeAppsPath(), zv::userDesktopEntryPath());
    Form2->setUnknownFileTypes(r.unknownExtensions);
    if (!r.ok)
        filesMessage(QStringLiteral("Błąd"), r.error);
}
