// The subtitle-file finder in the main window: its candidates, the filter, and Enter adding
// and loading the chosen file (the first match when none is chosen) so that its line shows.
#include "subtitle_app.h"

#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_finder_dialog.h"
#include "subtitles/subtitle_editor.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

QStringList typed(TForm11 &f, const QString &text)
{
    f.Edit1->clear();
    QTest::keyClicks(f.Edit1, text);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.searching(); }, 5000));
    return f.shownNames();
}

} // namespace

TEST(SubtitleFinder, ListsTheFilmsFolderTheExtraFolderAndTheDatabaseAndLoadsTheChoice)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    const QDir root(app.files.path());
    root.mkpath(QStringLiteral("film"));
    root.mkpath(QStringLiteral("napisy"));
    root.mkpath(QStringLiteral("baza"));
    w.session().CurrentMediaPath = app.writeBytes(QStringLiteral("film/Film.avi"), "x");
    const QString beside = app.write(QStringLiteral("film/Film.txt"), {QStringLiteral("0:00:01:Obok filmu")});
    app.write(QStringLiteral("film/Film.lrc"), {QStringLiteral("[00:01]Lrc")});
    app.write(QStringLiteral("film/WIELKIE.TXT"), {QStringLiteral("0:00:01:Nie")});
    const QString extra = app.write(QStringLiteral("napisy/Film.txt"), {QStringLiteral("0:00:01:Z katalogu")});
    app.write(QStringLiteral("napisy/angielskie.txt"), {QStringLiteral("0:00:01:English")});
    const QString fromDb = app.write(QStringLiteral("baza/zapisany.txt"), {QStringLiteral("0:00:01:Z bazy")});
    w.settings().AutoLoadtextDir = root.filePath(QStringLiteral("napisy"));
    w.library().TxtAddProc({fromDb, beside}, {}, w.state().DefaultDropPoint, false, true);
    ASSERT_EQ(w.library().subtitleDatabase().rows().size(), 2);

    TForm11 &f = *w.Form11;
    // The command shows the dialog modally; the checks run inside it.
    bool checked = false;
    QTimer::singleShot(0, &f, [&] {
        EXPECT_TRUE(f.isVisible());
        // Sorted by name ignoring case; Film.txt beside the film stands twice (folder and database).
        EXPECT_EQ(f.shownNames(), (QStringList{"angielskie.txt", "Film.lrc", "Film.txt", "Film.txt",
                                               "Film.txt", "zapisany.txt"}));
        EXPECT_EQ(typed(f, QStringLiteral("lrc")), QStringList{"Film.lrc"});
        EXPECT_EQ(typed(f, QStringLiteral("FILM t")), (QStringList{"Film.txt", "Film.txt", "Film.txt"}));
        EXPECT_EQ(typed(f, QStringLiteral("  ")).size(), 6);
        EXPECT_EQ(typed(f, QStringLiteral("film txt")).size(), 3);
        QTest::keyClick(f.Edit1, Qt::Key_Down);
        EXPECT_EQ(f.selectedRow(), 0);
        checked = true;
        QTest::keyClick(f.Edit1, Qt::Key_Return);
    });
    w.commands().run(zv::Cmd::SDPZN1);
    ASSERT_TRUE(checked);
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(w.commands().action(zv::Cmd::SDPZN1)->isChecked());

    // Every Film.txt was added and loaded in list order; the last one stays loaded and the
    // database holds each once.
    const QStringList order = f.paths();
    QString last;
    for (const QString &p : order)
        if (QFileInfo(p).fileName() == QLatin1String("Film.txt"))
            last = p;
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), last);
    EXPECT_TRUE(last == beside || last == extra);
    EXPECT_EQ(w.library().subtitleDatabase().rows().size(), 3);

    scripted(w)->position = 1.5;
    w.subtitles().Timer1Timer();
    EXPECT_EQ(w.subtitles().DisplayedText(), last == beside ? QStringLiteral("Obok filmu") : QStringLiteral("Z katalogu"));

    // Escape loads nothing.
    QTimer::singleShot(0, &f, [&] {
        typed(f, QStringLiteral("zapisany"));
        QTest::keyClick(f.Edit1, Qt::Key_Down);
        QTest::keyClick(f.Edit1, Qt::Key_Escape);
    });
    w.commands().run(zv::Cmd::SDPZN1);
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), last);

    // Typing leaves no row chosen; Enter then takes the first match (sorted: angielskie.txt
    // before zapisany.txt).
    QTimer::singleShot(0, &f, [&] {
        EXPECT_EQ(typed(f, QStringLiteral("a")), (QStringList{"angielskie.txt", "zapisany.txt"}));
        EXPECT_EQ(f.selectedRow(), -1);
        QTest::keyClick(f.Edit1, Qt::Key_Return);
    });
    w.commands().run(zv::Cmd::SDPZN1);
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), root.filePath(QStringLiteral("napisy/angielskie.txt")));
}
