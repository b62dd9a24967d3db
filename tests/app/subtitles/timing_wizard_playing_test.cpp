// The timing correction with real libmpv: a subtitle file timed 2 s late is corrected through
// the options page and shows on time in the line windows; the jump dialog seeks the clip to
// the corrected second of the chosen line.
#include "subtitle_app.h"

#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "playback/media_engine.h"
#include "subtitles/jump_to_subtitle_dialog.h"
#include "subtitles/line_windows.h"
#include "subtitles/subtitle_display.h"
#include "video/video_window.h"

#include "support/open_clip.h"
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <cmath>

TEST(TimingWizardPlaying, PlainCorrectionAndJumpMeetTheClip)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    w.settings().AutoSize = false;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    MediaEngine *engine = w.m();
    ASSERT_TRUE(zv::test::openClip(engine));
    engine->Pause();

    // The clip's lines at 1, 4 and 7 s, in a file timed 2 s late.
    w.subtitles().LadujText(app.write(QStringLiteral("late.txt"),
                          {QStringLiteral("0:00:03:Pierwsza"), QStringLiteral("0:00:06:Druga"),
                           QStringLiteral("0:00:09:Trzecia")}));
    ASSERT_TRUE(app.messages.isEmpty());
    ASSERT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());

    TForm2 *options = w.Form2;
    w.commands().run(zv::Cmd::Opcje1);
    options->OffsetEnabledBox->setChecked(true);
    options->ShiftPages->setCurrentIndex(0);
    options->PlainTimeEdit->setTime(QTime(0, 0, 2));
    options->EarlierRadio->setChecked(true);
    options->OkButton->click();

    const auto seekAndRead = [&](double seconds) {
        engine->setCurrentPosition(seconds);
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(engine->CurrentPosition() - seconds) < 0.25; }, 5000));
        QTest::qWait(600); // three ticks of the subtitle timer
        return w.subtitles().subtitleDisplay()->DisplayedText();
    };
    // Uncorrected, 4.3 s would still show the first line (stored at 3 s).
    EXPECT_EQ(seekAndRead(4.3), QStringLiteral("Druga"));
    EXPECT_TRUE(w.Form3->isVisible());
    EXPECT_FALSE(w.Form3->lineImage().isNull());
    EXPECT_EQ(seekAndRead(1.2), QStringLiteral("Pierwsza"));

    TJumpToTextFrm *d = w.JumpToTextFrm;
    QTimer::singleShot(0, [&] {
        QTest::keyClicks(d->Edit1, "trzec");
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->searching() && d->shownNames().size() == 1; }, 5000));
        EXPECT_EQ(d->shownNames().first(), QStringLiteral("0:00:07     Trzecia"));
        QTest::keyClick(d->Edit1, Qt::Key_Down);
        QTest::keyClick(d->Edit1, Qt::Key_Return);
    });
    w.commands().run(zv::Cmd::SDN1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(engine->CurrentPosition() - 7.0) < 0.25; }, 5000))
        << engine->CurrentPosition();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.subtitles().subtitleDisplay()->DisplayedText() == QStringLiteral("Trzecia"); }, 2000));
}
