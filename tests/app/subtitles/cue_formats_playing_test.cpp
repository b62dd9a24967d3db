// SubRip and MPL2 with real libmpv: a .srt dropped on the main window with its film, and an
// MPL2 .txt found beside a film by the automatic lookup, each shown at its own times.
#include "subtitle_app.h"

#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_database_window.h"
#include "playback/media_engine.h"
#include "shell/drop_target.h"
#include "subtitles/line_windows.h"
#include "subtitles/subtitle_display.h"
#include "support/subtitle_samples.h"
#include "video/video_window.h"

#include <QAction>
#include <QTest>

#include <cmath>

namespace {

struct Seek {
    double seconds;
    QString shown; // in the line windows afterwards; empty: nothing shown
};

// The clip under another name, so that no subtitle file of its own lies beside it.
QString filmCopy(SubtitleApp &app, const QString &name)
{
    const QString path = app.files.filePath(name);
    EXPECT_TRUE(QFile::copy(zv::test::mediaFile(QStringLiteral("clip.avi")), path));
    return path;
}

void seekAndRead(TZentavistaApp &w, const QList<Seek> &seeks)
{
    MediaEngine *engine = w.m();
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine->PlayState() != 3 && engine->Duration() > 0; }, 15000));
    engine->Pause();
    for (const Seek &s : seeks) {
        SCOPED_TRACE(s.seconds);
        engine->setCurrentPosition(s.seconds);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(engine->CurrentPosition() - s.seconds) < 0.1; }, 5000))
            << engine->CurrentPosition();
        // Read back from the line windows' display, not from the timer's state.
        const zv::SubtitleDisplay *display = w.subtitles().subtitleDisplay();
        ASSERT_NE(display, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return display->DisplayedText() == s.shown; }, 2000))
            << display->DisplayedText().toStdString();
        EXPECT_EQ(w.Form3->isVisible(), !s.shown.isEmpty());
    }
}

} // namespace

TEST(PlayingCueFormats, ASubRipFileDroppedWithItsFilmShowsEachLineFromItsStartToItsEnd)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    w.settings().TextDelay = 4; // longer than the lines: their own ends must rule
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QString film = filmCopy(app, QStringLiteral("film.avi"));
    const QString srt = app.writeBytes(QStringLiteral("napisy.srt"),
                                       "1\r\n00:00:01,500 --> 00:00:03,250\r\nZa\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9\r\n\r\n"
                                       "2\r\n00:00:05,000 --> 00:00:06,000\r\n<i>Drugi</i>\r\nwiersz\r\n");

    zv::TDragDropInfo drop;
    drop.Files = {film, srt};
    drop.NumFiles = 2;
    w.files().OnForm1FMDragDrop(drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == srt; }, 15000));
    EXPECT_TRUE(app.messages.isEmpty());
    EXPECT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    const QList<zv::TSubtitleRecord> &rows = w.Form7->database().rows();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.last().Format, QStringLiteral("srt"));

    const QString first = QStringLiteral("Zażółć gęślą");
    seekAndRead(w, {{1.0, QString()}, {1.8, first}, {3.0, first}, {3.6, QString()},
                    {5.2, zv::test::styled(QStringLiteral("[i]Drugi[/i]|wiersz"))}, {6.4, QString()},
                    {2.0, first}});
}

TEST(PlayingCueFormats, AnMpl2FileBesideTheFilmIsFoundAndShown)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(w.settings().AutoLoadText);
    const QString film = filmCopy(app, QStringLiteral("film2.avi"));
    const QString txt = app.writeBytes(QStringLiteral("film2.txt"), "[20][35]Pierwsza\n[50][62]/Druga|linia\n");
    w.files().MainAddProc(film, 31, true, true, true, true, w.state().DefaultDropPoint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == txt; }, 15000));
    EXPECT_TRUE(app.messages.isEmpty());
    seekAndRead(w, {{2.2, QStringLiteral("Pierwsza")}, {3.7, QString()},
                    {5.5, zv::test::styled(QStringLiteral("[i]Druga[/i]|linia"))}, {6.5, QString()}});
}
