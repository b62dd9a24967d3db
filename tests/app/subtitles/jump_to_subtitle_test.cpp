// The jump-to-subtitle dialog in the main window: typing and Enter seek to the first matching
// line, and the list's rows hold the accents over Polish capitals.
#include "subtitle_app.h"

#include "subtitles/jump_to_subtitle_dialog.h"
#include "support/row_ink.h"
#include "support/typing.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>

TEST(JumpToSubtitle, EnterAfterTypingSeeksToTheFirstMatchInRowsThatHoldTheirAccents)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    const char *texts[] = {"Pierwszy napis", "Drugi napis", "Trzeci napis", "Czwarty napis", "Piąty napis",
                           "Szósty napis", "Siódmy napis", "Ósmy napis", "Dziewiąty napis", "Znowu ósmy",
                           "Łódź, Źródło, Śnieg"};
    QStringList lines;
    for (int i = 0; i < int(std::size(texts)); ++i)
        lines << QStringLiteral("0:%1:%2:%3")
                     .arg((i + 1) * 10 / 60, 2, 10, QLatin1Char('0'))
                     .arg((i + 1) * 10 % 60, 2, 10, QLatin1Char('0'))
                     .arg(QString::fromUtf8(texts[i]));
    w.subtitles().LadujText(app.write(QStringLiteral("napisy.txt"), lines));
    ASSERT_TRUE(app.messages.isEmpty());

    TJumpToTextFrm *d = w.JumpToTextFrm;
    bool ran = false;
    QTimer::singleShot(0, d, [&] {
        ASSERT_TRUE(d->isVisible());
        const QString accents = QStringLiteral(u"0:01:50     Łódź, Źródło, Śnieg");
        ASSERT_EQ(d->shownNames().value(10), accents);
        EXPECT_EQ(zv::test::cellInk(d->ListBox1, d->ListBox1->model()->index(10, 0)).height(),
                  zv::test::freeTextInk(accents, d->ListBox1->font()).height())
            << "the marks over Ł, Ź and Ś are inside the row";

        zv::test::typeText(d->Edit1, QStringLiteral(u"ósm"));
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->searching(); }, 5000));
        EXPECT_EQ(d->shownNames(), (QStringList{QStringLiteral(u"0:01:20     Ósmy napis"),
                                                QStringLiteral(u"0:01:40     Znowu ósmy")}));
        EXPECT_EQ(d->selectedRow(), -1);
        ran = true;
        QTest::keyClick(d->Edit1, Qt::Key_Return);
    });
    scripted(w)->calls.clear();
    w.commands().run(zv::Cmd::SDN1);
    ASSERT_TRUE(ran);
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(w.commands().action(zv::Cmd::SDN1)->isChecked());
    EXPECT_TRUE(scripted(w)->calls.contains(QStringLiteral("CurrentPosition=80"))) << scripted(w)->calls.join(u' ').toStdString();
}
