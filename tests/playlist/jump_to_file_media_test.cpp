// The jump dialog end to end with real libmpv: the chosen name opens and plays.
#include "app/files/files_app.h"
#include "core/config/settings.h"
#include "core/playlist/playlist.h"
#include "playlist/jump_to_file_dialog.h"

#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

TEST(JumpDialogMedia, EnterOpensAndPlaysTheChosenFile)
{
    zv::test::ScopedHome home;
    FilesApp app;
    // Play must come from the dialog, not from opening.
    app.w->settings().AutoPlay = false;
    const QString dir = home.file("Filmy");
    const QString first = copyMedia("clip.avi", dir + "/a", "Pierwszy film.avi");
    const QString second = copyMedia("clip.avi", dir + "/b", "Drugi Film.avi");
    const QString twin = copyMedia("clip.avi", dir + "/c", "Drugi Film.avi");
    app.w->files().MainAddProc(QStringList{first, second, twin}, 1, true, true, false, false, app.w->state().DefaultDropPoint);
    ASSERT_EQ(app.w->playlist().playlist().count(), 3);

    bool typed = false;
    QTimer::singleShot(0, [&] {
        TForm8 *d = app.w->Form8;
        ASSERT_TRUE(d->isVisible());
        EXPECT_EQ(d->shownNames(), app.w->playlist().playlist().JumpNameList());
        QTest::keyClicks(d->Edit1, "film  drugi");
        ASSERT_TRUE(QTest::qWaitFor([d] { return !d->searching() && d->shownNames().size() == 2; }, 5000));
        QTest::keyClick(d->Edit1, Qt::Key_Down);
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        typed = true;
    });
    app.w->commands().run(zv::Cmd::SDP1);   // modal until Enter
    EXPECT_TRUE(typed);
    EXPECT_FALSE(app.w->commands().action(zv::Cmd::SDP1)->isChecked());
    // The first entry with that file name, in playlist order.
    ASSERT_TRUE(app.waitOpen(second));
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.w->m()->PlayState() == MediaEngine::psPlaying; }, 10000));
}
