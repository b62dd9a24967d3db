// The "Przesunięcie" page and the jump-to-subtitle dialog on the main window with the scripted
// engine: enabling, the wizard's points and refusals, saving, and seeking to chosen lines.
#include "support/app_features.h"
#include "app/transport/transport_app.h"
#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "core/subtitles/time_list.h"
#include "subtitles/jump_to_subtitle_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct WizardApp : TransportApp {
    WizardApp()
    {
        f = w->Form2;
        f->alert = [this](QWidget *, const QString &title, const QString &text) { alerts << title + u'|' + text; };
        f->pickSaveFile = [this](QWidget *, const QString &proposed) {
            proposals << proposed;
            return savePath;
        };
        open(home.file(QStringLiteral("film.avi")), 4000);
    }
    QString subtitles(const QByteArray &bytes)
    {
        const QString path = home.file(QStringLiteral("film.txt"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        w->subtitles().LadujText(path);
        return path;
    }
    TForm2 *f = nullptr;
    QStringList alerts, proposals;
    QString savePath;
};

QTime at(int seconds)
{
    return QTime(0, 0).addSecs(seconds);
}

} // namespace

TEST(TimingWizard, PageEnablesFitsRefusesAndSaves)
{
    WizardApp a;
    a.w->commands().run(zv::Cmd::Opcje1);
    a.f->OffsetEnabledBox->setChecked(false);
    EXPECT_FALSE(a.f->PlainTimeEdit->isEnabled());
    EXPECT_FALSE(a.f->TwoPointsBox->isEnabled());
    a.f->OffsetEnabledBox->setChecked(true);
    EXPECT_TRUE(a.f->ListA->isEnabled());
    EXPECT_FALSE(a.f->ListB->isEnabled());
    a.f->TwoPointsBox->setChecked(true);
    EXPECT_TRUE(a.f->ListB->isEnabled());
    a.f->TwoPointsBox->setChecked(false);
    // "Kreator" needs a loaded text.
    a.f->ShiftPages->setCurrentIndex(1);
    EXPECT_EQ(a.f->ShiftPages->currentIndex(), 0);
    EXPECT_EQ(a.alerts, QStringList(u"Zentavista|Aby skorzystać z kreatora musisz najpierw załadować tekst."_qs));
    a.alerts.clear();

    const QString loaded = a.subtitles("0:00:10:Dziesięć\r\n0:01:40:Sto\r\n0:16:40:Tysiąc\r\n");
    a.w->commands().run(zv::Cmd::Opcje1);
    ASSERT_EQ(a.f->ListA->count(), 3);
    a.f->OffsetEnabledBox->setChecked(true);
    a.f->ShiftPages->setCurrentIndex(1);
    EXPECT_EQ(a.f->ShiftPages->currentIndex(), 1);
    EXPECT_TRUE(a.alerts.isEmpty());

    // "Teraz..." takes the whole seconds of the position; one point: B follows A.
    a.e->position = 123.9;
    a.f->NowButtonA->click();
    EXPECT_EQ(a.f->TimeEditA->time(), at(123));
    a.f->ListA->setCurrentRow(1);
    EXPECT_EQ(a.f->ListB->currentRow(), 1);
    EXPECT_EQ(a.f->TimeEditB->time(), at(123));
    // A double click seeks to the stored start.
    emit a.f->ListB->itemDoubleClicked(a.f->ListB->item(2));
    EXPECT_EQ(a.e->position, 1000);

    // Two points: 100 s at 110 s and 1000 s at 1090 s.
    a.f->TwoPointsBox->setChecked(true);
    a.f->TimeEditA->setTime(at(110));
    a.f->ListB->setCurrentRow(2);
    a.f->TimeEditB->setTime(at(1090));
    EXPECT_EQ(a.f->ListB->currentRow(), 2) << "two points: B is its own";
    a.f->ApplyButton->click();
    EXPECT_DOUBLE_EQ(a.w->subtitles().ShiftFactor, 900.0 / 980.0);
    EXPECT_EQ(a.w->subtitles().timeLists().TimeListShifted.line(2), u"0:18:10     Tysiąc"_qs);
    // The same line twice: refused, the fit stays.
    a.f->ListB->setCurrentRow(1);
    a.f->ApplyButton->click();
    EXPECT_EQ(a.alerts, QStringList(u"Błąd...|Czasy wyświetlania nie mogą być jednakowe.\nError: 89216"_qs));
    EXPECT_DOUBLE_EQ(a.w->subtitles().ShiftFactor, 900.0 / 980.0);
    a.alerts.clear();

    // Saved as LRC with the fit, proposing the loaded file; a failed write leaves it alone.
    a.f->ListB->setCurrentRow(2);
    a.f->SaveFormatBox->setCurrentIndex(2);
    a.savePath = a.home.file(QStringLiteral("poprawione.txt"));
    a.f->SaveTextButton->click();
    EXPECT_EQ(a.proposals, QStringList(loaded));
    QFile saved(a.savePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), u"[00:12]Dziesięć\r\n[01:50]Sto\r\n[18:10]Tysiąc\r\n"_qs);
    EXPECT_TRUE(a.f->SaveNote->text().contains(u"napisów: 3"_qs)) << a.f->SaveNote->text().toStdString();
    a.savePath = a.savePath + u"/x.txt"_qs;
    a.f->SaveTextButton->click();
    ASSERT_EQ(a.alerts.size(), 1);
    EXPECT_TRUE(a.alerts[0].startsWith(u"Błąd|"_qs));

    // The page comes back as left, with the lists where they were.
    a.f->OkButton->click();
    a.w->commands().run(zv::Cmd::Opcje1);
    EXPECT_EQ(a.f->ShiftPages->currentIndex(), 1);
    EXPECT_TRUE(a.f->TwoPointsBox->isChecked());
    EXPECT_EQ(a.f->ListA->currentRow(), 1);
    EXPECT_EQ(a.f->ListB->currentRow(), 2);
}

TEST(TimingWizard, JumpDialogFiltersAndSeeksToTheShownSecond)
{
    WizardApp a;
    a.subtitles("0:00:30:Ala ma kota\r\n0:01:00:Kot ma ALĘ\r\n0:01:25:Pies\r\n0:02:00:kot i ala\r\n");
    // 5 s later through the page.
    a.w->commands().run(zv::Cmd::Opcje1);
    a.f->OffsetEnabledBox->setChecked(true);
    a.f->ShiftPages->setCurrentIndex(0);
    a.f->PlainTimeEdit->setTime(at(5));
    a.f->LaterRadio->setChecked(true);
    a.f->OkButton->click();

    TJumpToTextFrm *d = a.w->JumpToTextFrm;
    const auto typed = [d](const char *text) {
        d->Edit1->setText(QString::fromUtf8(text));
        EXPECT_TRUE(QTest::qWaitFor([d] { return !d->searching(); }, 5000));
        return d->shownNames();
    };
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(d->isVisible());
        EXPECT_EQ(d->shownNames().size(), 4);
        EXPECT_EQ(d->shownNames()[1], u"0:01:05     Kot ma ALĘ"_qs);
        // The words' rules are the filter's own tests; here the shifted time text is searched.
        EXPECT_EQ(typed("0:01:3"), QStringList(u"0:01:30     Pies"_qs));
        // Enter with nothing selected takes the first match.
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        ran = true;
    });
    a.e->position = 3;
    a.w->commands().run(zv::Cmd::SDN1);
    ASSERT_TRUE(ran);
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(a.w->commands().action(zv::Cmd::SDN1)->isChecked());
    EXPECT_EQ(a.e->position, 90) << "stored at 85 s, shown 5 s later";

    QTimer::singleShot(0, [&] {
        typed("ma");
        QTest::keyClick(d->Edit1, Qt::Key_Down);
        QTest::keyClick(d->Edit1, Qt::Key_Down);
        QTest::keyClick(d->Edit1, Qt::Key_Return);
    });
    a.w->commands().run(zv::Cmd::SDN1);
    EXPECT_EQ(a.e->position, 65) << "stored at 60 s, shown 5 s later";
}
