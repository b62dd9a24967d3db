// The subtitle database in the main window: the window's requests, loading a row, the
// association with the open film, the automatic lookup, and both across two runs with real
// libmpv.
#include "files_app.h"

#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "core/playlist/playlist.h"
#include "library/subtitle_database_window.h"
#include "playback/scripted_engine.h"

#include <QAction>
#include <gtest/gtest.h>

namespace {

const zv::TSubtitleRecord *rowOf(TZentavistaApp &w, const QString &path)
{
    for (const zv::TSubtitleRecord &r : w.library().subtitleDatabase().rows())
        if (r.FullPath == path)
            return &r;
    return nullptr;
}

QStringList associations(TZentavistaApp &w)
{
    QStringList films;
    for (const zv::TSubtitleRecord &r : w.library().subtitleDatabase().rows())
        films << r.AssociatedWith;
    return films;
}

TZentavistaApp::EngineFactory scripted()
{
    return [](quint64, QObject *parent) { return new ScriptedEngine(parent); };
}

} // namespace

TEST(LibraryInWindow, TheWindowsRequestsRowsAndTheFilmsAssociation)
{
    zv::test::ScopedHome home;
    const QString subs = writeText(home.file(QStringLiteral("a.txt")), "0:00:01:Raz\r\n");
    const QString twin = writeText(home.file(QStringLiteral("inne/a.txt")), "0:00:01:Dwa\r\n");
    const QString film = writeText(home.file(QStringLiteral("film.avi")), QByteArray());
    FilesApp app(scripted());
    TZentavistaApp &w = *app.w;
    auto *e = static_cast<ScriptedEngine *>(w.m());

    // "Baza tekstów" shows and hides the window; the check mark follows it.
    ASSERT_TRUE(w.commands().run(zv::Cmd::BT1));
    EXPECT_TRUE(w.Form7->isVisible() && w.commands().action(zv::Cmd::BT1)->isChecked());
    ASSERT_TRUE(w.commands().run(zv::Cmd::BT1));
    EXPECT_FALSE(w.Form7->isVisible() || w.commands().action(zv::Cmd::BT1)->isChecked());

    // Files the window adds arrive as subtitles only: the film is ignored, nothing loads.
    emit w.Form7->addFilesRequested(subs + QStringLiteral("\r\n") + film, true, w.state().DefaultDropPoint);
    emit w.Form7->addFilesRequested(twin, true, w.state().DefaultDropPoint);
    ASSERT_EQ(w.library().subtitleDatabase().size(), 2);
    EXPECT_EQ(w.playlist().playlist().count(), 0);
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty());

    // Subtitles are shown; a film opens and nothing is found for it: the display goes off,
    // the subtitles stay loaded.
    emit w.Form7->loadSubtitleRequested(0);
    ASSERT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    w.files().MainAddProc(film, 31, true, true, true, true, w.state().DefaultDropPoint);
    e->finishOpen(10, 250, 320, 240);
    EXPECT_FALSE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), subs);

    // Loading a row gives every row of that bare name the film.
    emit w.Form7->loadSubtitleRequested(1);
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), twin);
    EXPECT_EQ(associations(w), (QStringList{"film.avi", "film.avi"}));

    // Reopened, the film finds its subtitles through the database: the first row of its name.
    w.files().Zamknij1Click();
    w.playlist().LadujMedia(0);
    e->finishOpen(10, 250, 320, 240);
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), subs);

    // Loaded with no film open, a subtitle file loses its film.
    w.files().Zamknij1Click();
    w.files().MainAddProc(subs, 2, false, true, false, true, w.state().DefaultDropPoint);
    EXPECT_EQ(associations(w), (QStringList{"", ""}));
    EXPECT_EQ(w.library().subtitleDatabase().size(), 2) << "a file added again keeps its one row";
    EXPECT_TRUE(app.messages.isEmpty()) << app.messages.join('\n').toStdString();
}

TEST(SubtitleDatabaseEndToEnd, ASubtitleLoadedForAFilmComesBackWithItInTheNextRun)
{
    zv::test::ScopedHome home;
    const QString film = copyMedia(QStringLiteral("clip.avi"), home.file(QStringLiteral("filmy")),
                                   QStringLiteral("Wielki film.avi"));
    // Not beside the film and not of its name: only the database can find it.
    const QString subs = copyMedia(QStringLiteral("clip.txt"), home.file(QStringLiteral("napisy")),
                                   QStringLiteral("moje napisy.txt"));
    {
        FilesApp app;
        TZentavistaApp &w = *app.w;
        w.files().MainAddProc(film, 31, true, true, true, true, w.state().DefaultDropPoint);
        ASSERT_TRUE(app.waitOpen(film));
        EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty()) << "nothing to find in the first run";

        w.files().MainAddProc(subs, 2, false, true, false, true, w.state().DefaultDropPoint);
        EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), subs);
        const zv::TSubtitleRecord *row = rowOf(w, subs);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->AssociatedWith, QStringLiteral("Wielki film.avi"));
        w.close();
    }

    FilesApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_EQ(w.library().subtitleDatabase().size(), 1) << "the database was written and read back";
    EXPECT_TRUE(w.session().CurrentMediaPath.isEmpty());
    w.files().MainAddProc(film, 31, true, true, true, true, w.state().DefaultDropPoint);
    ASSERT_TRUE(app.waitOpen(film));
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), subs);
    EXPECT_EQ(w.library().subtitleDatabase().size(), 1) << "the found file keeps its one row";
    EXPECT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked()) << "the display comes on with the subtitles";

    // Its lines show as the film plays.
    w.m()->setCurrentPosition(4.2);
    w.m()->Play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.subtitles().DisplayedText().contains(QStringLiteral("Zażółć")); }, 8000))
        << w.subtitles().DisplayedText().toStdString();
    EXPECT_TRUE(app.messages.isEmpty()) << app.messages.join('\n').toStdString();
}
