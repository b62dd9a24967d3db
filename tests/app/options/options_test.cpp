// The options dialog driven through its widgets on the real main window.
#include "support/app_features.h"
#include "app/tray_icons.h"
#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "subtitles/subtitle_display.h"
#include "support/row_ink.h"
#include "support/xdg_desktop.h"
#include "app/transport/transport_app.h"
#include "core/config/options_controls.h"
#include "core/config/paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

// The main window with the dialog's desktop pickers answered by the test, over private XDG
// folders so that registering file types never touches the user's desktop.
struct OptionsApp : TransportApp {
    OptionsApp()
    {
        f = w->Form2;
        f->pickFont = [this](QWidget *, const QFont &) { return nextFont; };
        f->pickColor = [this](QWidget *, const QColor &) { return nextColor; };
        f->confirm = [this](QWidget *, const QString &text) {
            questions << text;
            return answer;
        };
    }
    QListWidgetItem *fileType(const QString &ext) const
    {
        const QList<QListWidgetItem *> items = f->FileTypesList->findItems(ext, Qt::MatchExactly);
        return items.isEmpty() ? nullptr : items.first();
    }

    zv::test::ScopedXdgHomes xdg;   // before the window: start-up reads mimeapps.list
    TForm2 *f = nullptr;
    std::optional<QFont> nextFont;
    std::optional<QColor> nextColor;
    bool answer = true;
    QStringList questions;
};

TEST(OptionsDialog, OpensThroughTheCommandAndTheKeyAndApplyReachesTheNextSubtitle)
{
    OptionsApp a;
    a.w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(a.w.get()));
    ASSERT_TRUE(a.w->commands().run(zv::Cmd::Opcje1));
    ASSERT_TRUE(a.f->isVisible());
    EXPECT_FALSE(a.f->isModal());
    EXPECT_EQ(a.f->windowTitle(), QStringLiteral("Opcje"));
    QStringList pages;
    for (int i = 0; i < a.f->PageControl1->count(); ++i)
        pages << a.f->PageControl1->tabText(i);
    EXPECT_EQ(pages, QStringList({QStringLiteral("Wyświetlanie"), QStringLiteral("Opcje"),
                                  QStringLiteral("Przesunięcie"), QStringLiteral("Typy plików"),
                                  QStringLiteral("Edytor napisów")}));
    a.f->PageControl1->setCurrentIndex(3);
    a.f->hide();

    // The O key clicks the same item.
    a.w->activateWindow();
    (void)QTest::qWaitForWindowActive(a.w.get());
    QTest::keyClick(a.w->windowHandle(), Qt::Key_O);
    ASSERT_TRUE(a.f->isVisible());
    EXPECT_EQ(a.f->PageControl1->currentIndex(), 0) << "each showing starts on the first page";

    a.nextFont = QFont(QStringLiteral("DejaVu Sans"), 31);
    a.f->FontButton->click();
    a.f->DisplayModeBox->setCurrentIndex(0);
    EXPECT_TRUE(a.f->BackgroundButton->isEnabled());
    a.nextColor = QColor(0x20, 0x40, 0x60);
    a.f->BackgroundButton->click();
    EXPECT_EQ(a.w->settings().FontSize, 22) << "nothing applies before Zastosuj";
    a.f->ApplyButton->click();
    EXPECT_TRUE(a.f->isVisible()) << "Zastosuj keeps the dialog open";
    EXPECT_EQ(a.w->settings().FontSize, 31);
    EXPECT_EQ(a.w->settings().DisplayMode, 0);
    EXPECT_EQ(a.w->settings().BackGroundColor, 0x604020u);

    a.w->subtitles().RobNapis(QStringLiteral("Ala ma kota"));
    const zv::SubtitleRenderer &r = a.w->subtitles().subtitleDisplay()->renderer();
    EXPECT_EQ(r.layout().lines[0].pointSize, 31);
    EXPECT_EQ(r.paint(), zv::OverlayPaint::Opaque);
    const QImage &line = r.line(0).image;
    ASSERT_FALSE(line.isNull());
    EXPECT_EQ(QColor(line.pixel(0, 0)), QColor(0x20, 0x40, 0x60)) << "the chosen background";

    // The sample panel shows what the film shows: the same renderer, the same size.
    a.f->DisplayModeBox->setCurrentIndex(2);
    EXPECT_FALSE(a.f->BackgroundButton->isEnabled());
}

TEST(OptionsDialog, CancelChangesNothingAndTheNextShowingShowsTheSettings)
{
    OptionsApp a;
    const zv::Settings before = a.w->settings();
    a.w->commands().run(zv::Cmd::Opcje1);
    a.f->InitFullScrBox->setChecked(true);
    a.f->ShadowDistanceSpin->setValue(50);
    a.f->ShowTrayIconBox->setChecked(true);
    a.f->CancelButton->click();
    EXPECT_FALSE(a.f->isVisible());
    EXPECT_EQ(a.w->settings(), before);
    a.w->commands().run(zv::Cmd::Opcje1);
    EXPECT_FALSE(a.f->InitFullScrBox->isChecked());
    EXPECT_EQ(a.f->ShadowDistanceSpin->value(), 1);

    // Tray icons follow "Zastosuj" both ways.
    a.f->ShowTrayIconBox->setChecked(true);
    a.f->ApplyButton->click();
    ASSERT_NE(a.w->desktop().trayIcons(), nullptr);
    EXPECT_TRUE(a.w->desktop().trayIcons()->isVisible());
    a.f->ShowTrayIconBox->setChecked(false);
    a.f->ApplyButton->click();
    EXPECT_FALSE(a.w->desktop().trayIcons()->isVisible());
}

TEST(OptionsDialog, DefaultsAfterAConfirmationThenOk)
{
    OptionsApp a;
    a.w->commands().run(zv::Cmd::Opcje1);
    a.f->InitAutoPanScanBox->setChecked(true);
    a.f->OffsetEnabledBox->setChecked(true);
    a.f->PlainTimeEdit->setTime(QTime(0, 0, 3));
    a.f->LaterRadio->setChecked(true);
    a.f->ApplyButton->click();
    ASSERT_TRUE(a.w->settings().InitAutoPanScan);
    EXPECT_EQ(a.w->subtitles().ShiftOffset, -3.0);
    EXPECT_EQ(a.w->subtitles().ShiftOffsetInverse, 3.0);
    a.w->move(10, 10);

    a.answer = false;
    a.f->DefaultsButton->click();
    EXPECT_EQ(a.questions, QStringList{QStringLiteral("Czy na pewno chcesz wczytać domyślne ustawienia ?")});
    EXPECT_TRUE(a.w->settings().InitAutoPanScan) << "Anuluj in the question keeps everything";

    a.answer = true;
    a.f->DefaultsButton->click();
    EXPECT_FALSE(a.f->InitAutoPanScanBox->isChecked());
    EXPECT_FALSE(a.f->OffsetEnabledBox->isChecked());
    EXPECT_EQ(a.w->pos(), QPoint(460, 272));
    a.f->OkButton->click();
    EXPECT_FALSE(a.f->isVisible());
    EXPECT_FALSE(a.w->settings().InitAutoPanScan);
    EXPECT_EQ(a.w->subtitles().ShiftOffset, 0.0);
}

TEST(OptionsDialog, FileTypesRegisterAndGiveBackThroughTheDesktop)
{
    OptionsApp a;
    a.xdg.installOtherApp(QStringLiteral("inny.desktop"));
    const QByteArray others = "[Added Associations]\nimage/png=gimp.desktop;\n";
    a.xdg.writeMimeApps(others + "[Default Applications]\nvideo/x-msvideo=inny.desktop;\n");
    const QString avi = QStringLiteral("video/x-msvideo");

    a.w->commands().run(zv::Cmd::Opcje1);
    ASSERT_NE(a.fileType(QStringLiteral("avi")), nullptr);
    EXPECT_FALSE(a.fileType(QStringLiteral("avi"))->isSelected());
    a.fileType(QStringLiteral("avi"))->setSelected(true);
    // "Dodaj..." drops the dot; another spelling of an entry adds nothing.
    a.f->ExtensionEdit->setText(QStringLiteral(".nut"));
    a.f->AddButton->click();
    a.f->ExtensionEdit->setText(QStringLiteral(".AVI"));
    a.f->AddButton->click();
    a.f->ExtensionEdit->setText(QStringLiteral("a/b"));
    a.f->AddButton->click();
    EXPECT_FALSE(a.f->FileTypesNote->text().isEmpty()) << "a refused entry is explained";
    a.f->ApplyButton->click();
    EXPECT_EQ(a.xdg.xdgMimeDefault(avi), QStringLiteral("zentavista.desktop"));
    EXPECT_TRUE(a.xdg.mimeAppsBytes().startsWith(others));
    EXPECT_TRUE(a.w->settings().FileTypes.endsWith(QStringLiteral("/nut/")));
    QProcess v;
    v.start(QStringLiteral("desktop-file-validate"), {a.xdg.desktopEntry()});
    ASSERT_TRUE(v.waitForFinished(20000));
    EXPECT_EQ(v.exitCode(), 0) << v.readAllStandardOutput().constData();

    // Showing the dialog again reads the marks from the desktop.
    a.f->CancelButton->click();
    a.w->commands().run(zv::Cmd::Opcje1);
    EXPECT_TRUE(a.fileType(QStringLiteral("avi"))->isSelected());
    EXPECT_FALSE(a.fileType(QStringLiteral("mp3"))->isSelected());
    a.f->UnmarkAllButton->click();
    a.f->OkButton->click();
    EXPECT_EQ(a.xdg.xdgMimeDefault(avi), QStringLiteral("inny.desktop"));
    EXPECT_EQ(a.xdg.mimeAppsBytes(), others + "[Default Applications]\nvideo/x-msvideo=inny.desktop;\n");

    // "Usuń zaznaczone" asks, then removes only the marked entries; the desktop is not touched.
    a.w->commands().run(zv::Cmd::Opcje1);
    a.fileType(QStringLiteral("mkv"))->setSelected(true);
    a.f->RemoveMarkedButton->click();
    EXPECT_EQ(a.questions.last(), QStringLiteral("Czy na pewno chcesz usunąć zaznaczone pozycje?"));
    EXPECT_EQ(a.fileType(QStringLiteral("mkv")), nullptr);
    EXPECT_NE(a.fileType(QStringLiteral("avi")), nullptr);
}

TEST(OptionsDialog, AHugeFileTypesValueIsListedOnlyWhenShownAndOnlyItsBeginning)
{
    // Built before the window: start-up reads it.
    zv::test::ScopedXdgHomes xdg;
    zv::test::ScopedHome home;
    zv::Settings stored;
    stored.FileTypes.clear();
    for (int i = 0; i < 20000; ++i)
        stored.FileTypes += QStringLiteral("x%1/").arg(i);
    stored.FileTypes += QString(100000, QLatin1Char('y')) + QStringLiteral("/avi/");
    ASSERT_TRUE(zv::saveSettingsFile(zv::Paths::settingsFile(), stored));
    TZentavistaApp w;
    w.setEngineFactory([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
    w.CreateForms();
    EXPECT_EQ(w.Form2->FileTypesList->count(), 0) << "start-up builds no rows";

    w.commands().run(zv::Cmd::Opcje1);
    EXPECT_EQ(w.Form2->FileTypesList->count(), zv::kMaxFileTypesShown);
    EXPECT_FALSE(w.Form2->FileTypesLimitNote->isHidden());
    EXPECT_TRUE(w.Form2->FileTypesLimitNote->text().contains(QStringLiteral("20002"))) << "the whole count";
    w.Form2->FileTypesList->item(0)->setSelected(true);
    w.Form2->ApplyButton->click();
    EXPECT_EQ(w.settings().FileTypes, stored.FileTypes) << "the entries not shown are kept";
    EXPECT_FALSE(xdg.mimeAppsBytes().contains("video/")) << "nor registered";
}

// Opens Qt's own font dialog on what the options give it and changes only the size there.
std::optional<QFont> resizeInTheFontDialog(QWidget *parent, const QFont &initial, QFont *given)
{
    *given = initial;
    QFontDialog dialog(parent);
    dialog.setCurrentFont(initial);
    QFont f = dialog.currentFont();
    f.setPointSize(30);
    return f;
}

TEST(OptionsDialog, AMissingFontOpensOnItsInstalledStandInAndKeepsItsNameAndStyle)
{
    OptionsApp a;
    ASSERT_EQ(a.w->settings().FontName, QStringLiteral("Arial"));
    if (QFontDatabase::hasFamily(QStringLiteral("Arial")))
        GTEST_SKIP() << "Arial is installed here";
    a.w->settings().TEFontName = QStringLiteral("Arial");
    a.w->settings().TEFontStyle = zv::FontStyleBoldItalic;
    QFont given;
    a.f->pickFont = [&given](QWidget *p, const QFont &initial) { return resizeInTheFontDialog(p, initial, &given); };

    a.w->commands().run(zv::Cmd::Opcje1);
    for (QPushButton *button : {a.f->FontButton, a.f->EditorFontButton}) {
        SCOPED_TRACE(button->text().toStdString());
        button->click();
        EXPECT_EQ(given.family(), QStringLiteral("Liberation Sans")) << "Arial's metric twin";
        EXPECT_TRUE(given.bold() && given.italic());
    }
    a.f->ApplyButton->click();
    const zv::Settings &s = a.w->settings();
    EXPECT_EQ(s.FontName, QStringLiteral("Arial")) << "the stored name stays";
    EXPECT_EQ(s.FontSize, 30);
    EXPECT_EQ(s.FontStyle, zv::FontStyleBoldItalic);
    EXPECT_EQ(s.TEFontName, QStringLiteral("Arial"));
    EXPECT_EQ(s.TEFontSize, 30);
    EXPECT_EQ(s.TEFontStyle, zv::FontStyleBoldItalic);

    // Another family chosen there is stored as chosen.
    a.f->pickFont = [](QWidget *, const QFont &) { return std::optional(QFont(QStringLiteral("DejaVu Serif"), 12)); };
    a.f->FontButton->click();
    a.f->ApplyButton->click();
    EXPECT_EQ(a.w->settings().FontName, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(a.w->settings().FontStyle, zv::FontStyleRegular);
}

} // namespace

namespace {

// The timing page's lists and the file-type list hold the accents of Polish capitals.
TEST(OptionsDialog, ListRowsHoldTheAccentsOfTheirFont)
{
    TForm2 form;
    const QString line = QStringLiteral(u"0:00:01     Łódź, Źródło, Śnieg");
    form.setTimeList({line, QStringLiteral("0:00:02     inny")});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (QListWidget *list : {form.ListA, form.ListB}) {
        for (const QFont &f : {list->font(), zv::test::pixelFont("DejaVu Serif", 12)}) {
            list->setFont(f);
            QCoreApplication::processEvents();
            const QModelIndex first = list->model()->index(0, 0);
            EXPECT_EQ(zv::test::cellInk(list, first).height(), zv::test::freeTextInk(line, f).height())
                << list->objectName().toStdString() << " " << f.toString().toStdString();
        }
    }
}

} // namespace
