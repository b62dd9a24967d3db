// A film with two audio and three subtitle tracks opened as a user opens it: the audio track
// chosen from the menu and kept for the film, the Polish track inside the film shown by our
// own line windows, the choice remembered by the subtitle database; and films that are hard
// to read (many tracks, cut short) answered without a crash.
#include "app/subtitles/subtitle_app.h"

#include "core/config/settings.h"
#include "core/files/add_plan.h"
#include "core/library/subtitle_database.h"
#include "core/playlist/playlist.h"
#include "core/subtitles/styled_text.h"
#include "core/subtitles/subtitle_table.h"
#include "library/subtitle_database_window.h"
#include "playback/media_engine.h"
#include "playlist/playlist_window.h"
#include "subtitles/subtitle_display.h"
#include "video/video_window.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

QString filmCopy(SubtitleApp &app, const QString &source, const QString &name)
{
    const QString path = app.files.filePath(name);
    EXPECT_TRUE(QFile::copy(zv::test::mediaFile(source), path));
    return path;
}

void openFilm(TZentavistaApp &w, const QString &film)
{
    w.files().MainAddProc(QStringList{film}, zv::addModeAllOrUnknown, true, true, true, true,
                          w.state().DefaultDropPoint);
    MediaEngine *e = w.m();
    ASSERT_TRUE(QTest::qWaitFor([&] { return e->ReadyState() == MediaEngine::rsComplete && e->Duration() > 0; },
                                15000));
}

// The menu's items past the fixed ones (the audio menu starts with its cycling item and a line).
QList<QAction *> trackItems(QMenu *menu)
{
    QList<QAction *> items;
    for (QAction *a : menu->actions()) {
        if (!a->isSeparator() && a->data().isValid())
            items << a;
    }
    return items;
}

QAction *subtitleItem(TZentavistaApp &w, const QString &prefix)
{
    emit w.commands().menu(zv::MenuId::NW1)->aboutToShow();
    for (QAction *a : w.commands().menu(zv::MenuId::NW1)->actions()) {
        if (a->text().startsWith(prefix))
            return a;
    }
    return nullptr;
}

void expectShownAt(TZentavistaApp &w, double seconds, const QString &text)
{
    MediaEngine *e = w.m();
    e->setCurrentPosition(seconds);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(e->CurrentPosition() - seconds) < 0.1; }, 5000));
    const zv::SubtitleDisplay *display = w.subtitles().subtitleDisplay();
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return display->DisplayedText().contains(text); }, 3000))
        << seconds << ": " << display->DisplayedText().toStdString();
}

} // namespace

TEST(FilmTracks, AudioAndEmbeddedSubtitlesFromTheMenusAreKeptForTheFilm)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    QStringList told;
    w.hooks().filesMessage = [&](const QString &, const QString &text) { told << text; };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QString film = filmCopy(app, QStringLiteral("tracks.mkv"), QStringLiteral("film.mkv"));
    openFilm(w, film);
    MediaEngine *e = w.m();

    // Audio: both tracks listed with language, title and codec; the container's default plays.
    QMenu *audioMenu = w.commands().menu(zv::MenuId::SD1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trackItems(audioMenu).size() == 2; }, 5000));
    QList<QAction *> audio = trackItems(audioMenu);
    EXPECT_TRUE(audio[0]->text().startsWith(QStringLiteral("1: polski — Lektor (AC-3"))) << audio[0]->text().toStdString();
    EXPECT_TRUE(audio[1]->text().startsWith(QStringLiteral("2: angielski"))) << audio[1]->text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return e->audioTrack() == 1; }, 5000));
    EXPECT_TRUE(audio[0]->isChecked());

    // No subtitle file beside the film: the Polish track inside it loads ("pl" by default).
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == QStringLiteral("ścieżka 1: polski"); },
                                15000));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("film.mkv (ścieżka 1: polski)")))
        << w.windowTitle().toStdString();
    EXPECT_TRUE(w.commands().isChecked(zv::Cmd::Wy1));

    // The key's command goes to the next track; the choice is the film's for the run.
    ASSERT_TRUE(w.commands().run(zv::Cmd::NastSD1));
    EXPECT_EQ(e->audioTrack(), 2);
    EXPECT_TRUE(audio[1]->isChecked());
    EXPECT_EQ(w.playlist().playlist().audioTrackOf(film), 2);

    e->Pause();
    expectShownAt(w, 2.0, QStringLiteral("Zażółć gęślą jaźń"));
    // Drawn in italics, as the track marks it.
    const QList<zv::styled_text::Run> runs = zv::styled_text::runs(w.subtitles().subtitleDisplay()->DisplayedText());
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0].text, QStringLiteral("Zażółć gęślą jaźń"));
    EXPECT_TRUE(runs[0].style.italic);
    expectShownAt(w, 5.0, QStringLiteral("To jest film próbny."));

    // The Windows-1250 track chosen from the menu replaces it, its letters intact.
    QAction *third = subtitleItem(w, QStringLiteral("3: polski"));
    ASSERT_NE(third, nullptr);
    third->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == QStringLiteral("ścieżka 3: polski"); },
                                15000));
    expectShownAt(w, 3.0, QStringLiteral("Źródło: gęś i żółw."));
    EXPECT_TRUE(subtitleItem(w, QStringLiteral("3: polski"))->isChecked());
    EXPECT_TRUE(told.isEmpty()) << told.join(u'\n').toStdString();

    // The database holds it as a row of the film, which a reopening loads again, with the audio
    // track chosen before.
    bool remembered = false;
    for (const zv::TSubtitleRecord &r : w.Form7->database().rows())
        remembered |= r.FullPath == film + QStringLiteral("#ścieżka=3") && r.AssociatedWith == QStringLiteral("film.mkv");
    EXPECT_TRUE(remembered);
    w.subtitles().Zamknij2Click();
    third = subtitleItem(w, QStringLiteral("3: polski"));
    third->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.tracks().extracting(); }, 15000));
    w.files().Prze1Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return e->ReadyState() == MediaEngine::rsComplete && e->audioTrack() == 2; },
                                15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == QStringLiteral("ścieżka 3: polski")
                                             && !w.tracks().extracting(); }, 15000));
}

TEST(FilmTracks, ManyTracksAndACutFilmAreAnsweredWithoutACrash)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    QStringList told;
    w.hooks().filesMessage = [&](const QString &, const QString &text) { told << text; };
    w.settings().PreferredSubtitleLanguages.clear();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    openFilm(w, filmCopy(app, QStringLiteral("many_tracks.mkv"), QStringLiteral("many.mkv")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return trackItems(w.commands().menu(zv::MenuId::SD1)).size() == 20; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return subtitleItem(w, QStringLiteral("20:")) != nullptr; }, 5000));
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty()) << "no preferred language, nothing loads";
    subtitleItem(w, QStringLiteral("20:"))->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == QStringLiteral("ścieżka 20: polski"); },
                                15000));

    // A film cut short: whatever can be read is loaded or a message says why; the window answers.
    openFilm(w, filmCopy(app, QStringLiteral("truncated.mkv"), QStringLiteral("cut.mkv")));
    QAction *first = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (first = subtitleItem(w, QStringLiteral("1:"))) != nullptr; }, 5000));
    first->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.tracks().extracting(); }, 15000));
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile() == QStringLiteral("ścieżka 1: polski") || !told.isEmpty());

    // 10^5 cues: read on the worker while the window keeps answering, every cue in the table.
    openFilm(w, filmCopy(app, QStringLiteral("many_cues.mkv"), QStringLiteral("cues.mkv")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return (first = subtitleItem(w, QStringLiteral("1:"))) != nullptr; }, 5000));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    first->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.tracks().extracting(); }, 60000));
    ASSERT_EQ(w.subtitles().CurrentSubtitleFile(), QStringLiteral("ścieżka 1: polski"));
    const qint64 ms = clock.elapsed();
    EXPECT_EQ(w.subtitles().subtitleTable().TimeTable().size() - 1, 100000);
    EXPECT_GT(ticks, int(ms / 10 / 4)) << ms << " ms";
    std::printf("many_cues.mkv, 100000 cues read and loaded in %lld ms\n", static_cast<long long>(ms));

    // The progress window's "Anuluj" ends the read: the table loaded before stays.
    w.tracks().progressDelayMs = 0;
    w.subtitles().Zamknij2Click();
    subtitleItem(w, QStringLiteral("1:"))->trigger();
    QProgressDialog *progress = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        progress = w.findChild<QProgressDialog *>(QStringLiteral("EmbeddedSubtitlesProgress"));
        return progress && progress->isVisible();
    }, 5000));
    QPushButton *cancel = progress->findChild<QPushButton *>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Anuluj"));
    cancel->click();
    EXPECT_FALSE(w.tracks().extracting());
    QTest::qWait(200);
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty());
}

TEST(FilmTracks, OpenDialogsListTheMediaTypesInUseAndNameWhatIsNotAdded)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    QStringList told;
    w.hooks().filesMessage = [&](const QString &, const QString &text) { told << text; };

    const QString filter = zv::FilesController::openMediaFilter(w.settings().FileTypes);
    for (const char *pattern : {"*.mkv *.MKV", "*.mp4", "*.webm", "*.avi", "*.m3u", "*.zvl", "*.srt", "*.txt"})
        EXPECT_TRUE(filter.contains(QLatin1String(pattern))) << pattern;
    // Entries that are no extension would break the dialog's filter: left out.
    const QString odd = zv::FilesController::openMediaFilter(QStringLiteral("avi//a b/x)y/MKV"));
    EXPECT_TRUE(odd.startsWith(QStringLiteral("Obsługiwane pliki (*.avi *.AVI *.mkv *.MKV *.m3u"))) << odd.toStdString();
    EXPECT_FALSE(odd.contains(QLatin1String("a b")) || odd.contains(QLatin1String("x)y")));

    const QString mkv = app.writeBytes(QStringLiteral("film.mkv"), "x");
    const QString odd1 = app.writeBytes(QStringLiteral("notatki.xyz"), "x");
    QString offered;
    w.Form6->setFilesPicker([&](QWidget *, const QString &f, const QString &) {
        offered = f;
        return QStringList{mkv, odd1};
    });
    w.settings().FileTypes = QStringLiteral("avi");
    w.Form6->AddFilesClick();
    EXPECT_FALSE(offered.contains(QLatin1String("*.mkv"))) << "the filter follows the list in use";
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QLatin1String("film.mkv")) && told[0].contains(QLatin1String("notatki.xyz")));
    EXPECT_EQ(w.playlist().playlist().count(), 0);

    w.settings().FileTypes = zv::Settings{}.FileTypes;
    w.Form6->AddFilesClick();
    ASSERT_EQ(told.size(), 2);
    EXPECT_FALSE(told[1].contains(QLatin1String("film.mkv")));
    EXPECT_TRUE(told[1].contains(QLatin1String("notatki.xyz")));
    EXPECT_EQ(w.playlist().playlist().paths(), QStringList{mkv});
}
