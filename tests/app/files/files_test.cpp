// Files in, end to end: a folder through MainAddProc opens its clip and fits the window, sound
// shrinks it to its controls, "Przeładuj" brings a paused clip back where it was, drops with
// and without Shift, and the temporary playlist across two runs.
#include "files_app.h"

#include "core/config/paths.h"
#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "core/playlist/playlist.h"
#include "playback/scripted_engine.h"
#include "shell/drop_target.h"

#include <QAction>
#include <QFrame>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include <sys/stat.h>

using testing::UnorderedElementsAre;

QT_BEGIN_NAMESPACE
// Readable paths in failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

QStringList dbPaths(TZentavistaApp &w)
{
    QStringList paths;
    for (const zv::TSubtitleRecord &r : w.library().subtitleDatabase().rows())
        paths << r.FullPath;
    return paths;
}

std::vector<QString> playlistPaths(const TZentavistaApp &w)
{
    const QStringList p = w.playlist().playlist().paths();
    return {p.begin(), p.end()};
}

QString touch(const QString &path)
{
    return writeText(path, QByteArray());
}

} // namespace

TEST(FilesEndToEnd, AFolderOpensItsClipFitsTheWindowAndSoundShrinksIt)
{
    zv::test::ScopedHome home;
    const QString dir = home.file(QStringLiteral("Moje filmy"));
    const QString clip = copyMedia(QStringLiteral("clip.avi"), dir, QStringLiteral("clip.avi"));
    const QString audio = copyMedia(QStringLiteral("audio.mp3"), dir, QStringLiteral("audio.mp3"));
    const QString subs = copyMedia(QStringLiteral("clip.txt"), dir, QStringLiteral("clip.txt"));
    FilesApp app;
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(w.settings().AutoSize);

    w.files().MainAddProc(dir, 31, true, true, true, true, w.state().DefaultDropPoint);
    EXPECT_THAT(playlistPaths(w), UnorderedElementsAre(clip, audio));
    EXPECT_TRUE(dbPaths(w).contains(subs)) << "the subtitle file goes to the database";
    ASSERT_EQ(w.session().CurrentMediaPath, w.playlist().playlist().at(0).Path) << "the first entry opens";

    // Whichever the folder listed first has opened; the clip is checked first either way.
    if (w.session().CurrentMediaPath != clip) {
        ASSERT_TRUE(app.waitOpen(audio));
        w.playlist().LadujMedia(int(w.playlist().playlist().paths().indexOf(clip)));
    }
    ASSERT_TRUE(app.waitOpen(clip));
    EXPECT_NEAR(w.session().MediaFrameRate, 25.0, 0.01);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Panel12->size() == QSize(320, 240); }, 5000))
        << w.Panel12->width() << "x" << w.Panel12->height();
    EXPECT_EQ(w.minimumWidth(), 320);
    EXPECT_EQ(w.playlist().playlist().at(int(w.playlist().playlist().paths().indexOf(clip))).TimeText, QStringLiteral("0:10"));

    // Sound: the window keeps only its controls and cannot be stretched in height.
    w.playlist().LadujMedia(int(w.playlist().playlist().paths().indexOf(audio)));
    ASSERT_TRUE(app.waitOpen(audio));
    EXPECT_FALSE(w.commands().action(zv::Cmd::FullScr)->isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Panel12->height() == 0; }, 5000)) << w.Panel12->height();
    EXPECT_EQ(w.minimumHeight(), w.height());
    EXPECT_EQ(w.maximumHeight(), w.height());

    // A picture after sound frees the height again.
    w.playlist().LadujMedia(int(w.playlist().playlist().paths().indexOf(clip)));
    ASSERT_TRUE(app.waitOpen(clip));
    EXPECT_EQ(w.maximumHeight(), QWIDGETSIZE_MAX);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Panel12->size() == QSize(320, 240); }, 5000))
        << w.Panel12->width() << "x" << w.Panel12->height();
    EXPECT_TRUE(app.messages.isEmpty()) << app.messages.join('\n').toStdString();
}

TEST(FilesEndToEnd, ReloadBringsAPausedClipBackWhereItWas)
{
    zv::test::ScopedHome home;
    const QString clip = zv::test::mediaFile(QStringLiteral("clip.avi"));
    FilesApp app;
    TZentavistaApp &w = *app.w;
    MediaEngine *e = w.m();
    w.files().MainAddProc(clip, 31, true, true, true, false, w.state().DefaultDropPoint);
    ASSERT_TRUE(app.waitOpen(clip));
    e->Pause();
    e->setCurrentPosition(4.0);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return e->PlayState() == MediaEngine::psPaused && std::abs(e->CurrentPosition() - 4.0) < 0.3;
    }, 10000));
    const double before = e->CurrentPosition();

    ASSERT_TRUE(w.settings().SaveReloadPosition);
    w.session().MediaFrameRate = 0;   // shows whether the after-open steps ran again
    ASSERT_TRUE(w.commands().run(zv::Cmd::Prze1));
    EXPECT_NEAR(w.session().MediaFrameRate, 25.0, 0.01);
    EXPECT_EQ(e->PlayState(), MediaEngine::psPaused);
    EXPECT_NEAR(e->CurrentPosition(), before, 0.3);
    // Nothing queued during the reload starts it afterwards.
    QTest::qWait(700);
    EXPECT_EQ(e->PlayState(), MediaEngine::psPaused);
    EXPECT_NEAR(e->CurrentPosition(), before, 0.3);

    // Without the option the clip simply opens again from its start.
    w.settings().SaveReloadPosition = false;
    w.settings().AutoPlay = false;
    w.session().MediaFrameRate = 0;
    ASSERT_TRUE(w.commands().run(zv::Cmd::Prze1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.session().MediaFrameRate > 0; }, 15000));
    EXPECT_LT(e->CurrentPosition(), 1.0);
    EXPECT_EQ(w.session().CurrentMediaPath, clip);
}

TEST(FilesIn, DropsWithAndWithoutShiftAndAnUnreadablePlaylist)
{
    zv::test::ScopedHome home;
    const QString dir = home.file(QStringLiteral("upuść"));
    const QString a = touch(dir + QStringLiteral("/a.avi"));
    const QString b = touch(dir + QStringLiteral("/głęboko/b.avi"));
    const QString first = touch(home.file(QStringLiteral("pierwszy \"film\".avi")));
    FilesApp app([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
    TZentavistaApp &w = *app.w;
    w.files().MainAddProc(first, 31, true, true, false, false, w.state().DefaultDropPoint);
    ASSERT_THAT(playlistPaths(w), UnorderedElementsAre(first));

    zv::TDragDropInfo drop;
    drop.Files = {dir};
    drop.NumFiles = 1;
    // Shift: appended, nothing cleared or opened, and the subfolder is not searched.
    app.modifiers = Qt::ShiftModifier;
    w.files().OnForm1FMDragDrop(drop);
    EXPECT_EQ(playlistPaths(w), (std::vector<QString>{first, a}));
    EXPECT_TRUE(w.session().CurrentMediaPath.isEmpty());
    app.modifiers = Qt::NoModifier;

    // Without Shift: the playlist is replaced, the subfolder searched, the first entry opened.
    w.files().OnForm1FMDragDrop(drop);
    EXPECT_THAT(playlistPaths(w), UnorderedElementsAre(a, b));
    EXPECT_EQ(w.session().CurrentMediaPath, w.playlist().playlist().at(0).Path);

    // A playlist that cannot be read is reported and changes nothing.
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.file(QStringLiteral("lista.m3u"))).constData(), 0600), 0);
    w.files().MainAddProc(home.file(QStringLiteral("lista.m3u")), 31, true, true, true, true, w.state().DefaultDropPoint);
    EXPECT_THAT(playlistPaths(w), UnorderedElementsAre(a, b));
    ASSERT_EQ(app.messages.size(), 1);
    EXPECT_TRUE(app.messages.first().contains(QStringLiteral("lista.m3u")));
}

TEST(FilesIn, OneShotRequestsAndTheFrameRateComeFromTheOpenReport)
{
    zv::test::ScopedHome home;
    const QString film = touch(home.file(QStringLiteral("film.avi")));
    FilesApp app([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
    TZentavistaApp &w = *app.w;
    auto *e = static_cast<ScriptedEngine *>(w.m());
    w.settings().AutoLoadText = false;
    w.state().CmdFullScreen = w.state().CmdPanScan = true;
    w.session().PlayAfterOpen = true;

    w.files().MainAddProc(film, 31, true, true, true, true, w.state().DefaultDropPoint);
    EXPECT_EQ(w.session().CurrentMediaPath, film);
    EXPECT_EQ(w.session().MediaFrameRate, -1.0) << "unknown while the clip opens";
    EXPECT_FALSE(w.commands().action(zv::Cmd::FullScr)->isChecked()) << "the requests wait for the open report";
    e->finishOpen(100, 2997, 320, 240);
    EXPECT_DOUBLE_EQ(w.session().MediaFrameRate, 29.97);
    EXPECT_TRUE(w.commands().action(zv::Cmd::FullScr)->isChecked());
    EXPECT_TRUE(w.commands().action(zv::Cmd::PanScan1)->isChecked());
    EXPECT_FALSE(w.state().CmdFullScreen || w.state().CmdPanScan || w.session().PlayAfterOpen);
    EXPECT_EQ(w.playlist().playlist().at(0).TimeText, QStringLiteral("1:40"));
    EXPECT_EQ(e->DisplayMode(), MediaEngine::dmTime) << "left in time units";

    // The next clip finds the requests used up; an engine without a frame count gives 25.
    w.commands().action(zv::Cmd::FullScr)->setChecked(false);
    w.commands().action(zv::Cmd::PanScan1)->setChecked(false);
    w.playlist().LadujMedia(0);
    e->finishOpen(100, 0, 320, 240);
    EXPECT_DOUBLE_EQ(w.session().MediaFrameRate, 25.0);
    EXPECT_FALSE(w.commands().action(zv::Cmd::FullScr)->isChecked() || w.commands().action(zv::Cmd::PanScan1)->isChecked());

    // "Zamknij" closes the clip and forgets it; the playlist stays.
    ASSERT_TRUE(w.commands().run(zv::Cmd::Zamknij1));
    EXPECT_TRUE(w.session().CurrentMediaPath.isEmpty());
    EXPECT_EQ(w.session().MediaFrameRate, -1.0);
    EXPECT_EQ(e->calls.last(), QStringLiteral("Open "));
    EXPECT_EQ(w.playlist().playlist().count(), 1);
}

TEST(FilesIn, ALongScanShowsItsProgressAndKeepsTheWindowAnswering)
{
    zv::test::ScopedHome home;
    const QString dir = home.file(QStringLiteral("dużo"));
    for (int i = 0; i < 200; ++i)
        touch(dir + QStringLiteral("/film%1.avi").arg(i));
    FilesApp app([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
    TZentavistaApp &w = *app.w;
    // A slow disk: Escape is asked after every entry, which costs 30 ms for the first 800 ms.
    w.files().escapePollIntervalMs = 0;
    QStringList labels;
    int timerTicks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++timerTicks; });
    tick.start(50);
    QElapsedTimer clock;
    clock.start();
    w.hooks().modifiers = [] { return Qt::KeyboardModifiers(); };
    w.hooks().escapeHeld = [&] {
        if (clock.elapsed() < 800)
            QTest::qSleep(30);
        labels << w.Label1->text();
        return false;
    };
    w.files().MainAddProc(dir, 31, true, true, false, false, w.state().DefaultDropPoint);
    EXPECT_EQ(w.playlist().playlist().count(), 200);
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_TRUE(labels.last().startsWith(QStringLiteral("Przeszukiwanie folderów... znaleziono plików: ")))
        << labels.last().toStdString();
    EXPECT_FALSE(labels.first().startsWith(QStringLiteral("Przeszukiwanie"))) << "not in the first half second";
    EXPECT_GT(timerTicks, 5) << "timers run during the scan";
}

// An .m3u as other players write it: lines relative to the playlist's folder, one of them a
// playlist in a subfolder with lines relative to that one. What is not found is counted in the
// status line.
TEST(FilesIn, APlaylistsRelativeLinesAreTakenBesideIt)
{
    zv::test::ScopedHome home;
    const QString dir = home.file(QStringLiteral("Filmy"));
    const QString film = touch(dir + QStringLiteral("/film.avi"));
    const QString second = touch(dir + QStringLiteral("/sub/drugi.avi"));
    const QString third = touch(dir + QStringLiteral("/sub/trzeci.avi"));
    writeText(dir + QStringLiteral("/sub/inner.m3u"), "#EXTM3U\ntrzeci.avi\n../nie ma.avi\n");
    const QString list = writeText(dir + QStringLiteral("/lista.m3u"),
                                   "#EXTM3U\r\n#EXTINF:10,Film\r\nfilm.avi\r\nsub/drugi.avi\r\nsub/inner.m3u\r\nbrak.avi\r\n");
    // The current folder holds a film.avi of its own, which must not be taken.
    const QString elsewhere = home.file(QStringLiteral("gdzie indziej"));
    touch(elsewhere + QStringLiteral("/film.avi"));
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere));
    FilesApp app([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
    TZentavistaApp &w = *app.w;
    w.files().MainAddProc(list, 31, true, true, false, false, w.state().DefaultDropPoint);
    QDir::setCurrent(cwd);
    EXPECT_EQ(playlistPaths(w), (std::vector<QString>{film, second, third}));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Nie znaleziono plików z playlisty: 2"));
    EXPECT_TRUE(app.messages.isEmpty()) << app.messages.join('\n').toStdString();
}

TEST(TemporaryPlaylist, SurvivesACloseAndComesBackWithoutOpening)
{
    zv::test::ScopedHome home;
    const QString a = touch(home.file(QStringLiteral("Zażółć gęślą.avi")));
    const QString b = touch(home.file(QStringLiteral("b b.mp3")));
    {
        FilesApp app;
        app.w->files().MainAddProc(a + QStringLiteral("\r\n") + b, 31, true, true, false, false,
                           app.w->state().DefaultDropPoint);
        ASSERT_EQ(playlistPaths(*app.w), (std::vector<QString>{a, b}));
        app.w->close();
    }
    QFile saved(zv::Paths::tempPlaylist());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), (a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")).toUtf8());

    FilesApp again;
    EXPECT_EQ(playlistPaths(*again.w), (std::vector<QString>{a, b}));
    EXPECT_TRUE(again.w->session().CurrentMediaPath.isEmpty()) << "the restored playlist opens nothing";
    EXPECT_TRUE(again.messages.isEmpty()) << again.messages.join('\n').toStdString();
}
