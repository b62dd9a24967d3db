// The whole road with real libmpv: the generated clip plays in the main window, a time-line
// subtitle file is loaded through LadujText, the timer picks the line for each position and
// the line windows show it on the screen without ever taking the focus.
#include "subtitle_app.h"

#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_database_window.h"
#include "subtitles/line_windows.h"
#include "video/video_window.h"
#include "playback/media_engine.h"
#include "subtitles/subtitle_display.h"

#include "support/open_clip.h"
#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace {

constexpr QRgb kLetters = 0xFFF08020; // FontColor 0x002080F0, a colour the test pattern lacks

QImage grabScreen(const QString &name)
{
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
    shot.save(QString::fromLocal8Bit(qgetenv("ZV_TEST_BIN_DIR")) + u'/' + name);
    return shot;
}

int countLetterPixels(const QImage &shot, const QRect &rect)
{
    int n = 0;
    const QRect r = rect & shot.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += shot.pixel(x, y) == kLetters ? 1 : 0;
    return n;
}

bool lineWindowHasFocus(const TZentavistaApp &w)
{
    const QWindow *focus = QGuiApplication::focusWindow();
    for (const QWidget *line : {static_cast<const QWidget *>(w.Form3),
                                static_cast<const QWidget *>(w.Form4),
                                static_cast<const QWidget *>(w.Form5)}) {
        if (focus && line->windowHandle() == focus)
            return true;
    }
    return false;
}

TEST(PlayingWithSubtitles, SeekingShowsTheLineOfThatSecondOnTheScreen)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    w.settings().TextDelay = 2;
    w.settings().FontColor = 0x002080F0;
    w.settings().DisplayMode = 2;
    w.settings().AutoSize = false;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    MediaEngine *engine = w.m();
    ASSERT_NE(engine, nullptr);
    ASSERT_TRUE(zv::test::openClip(engine));
    engine->Pause();
    // The video under the subtitles: the main window over the whole screen.
    w.setGeometry(w.screen()->availableGeometry());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Form9->height() > 800; }, 3000));

    const QString polish = QStringLiteral("Zażółć gęślą jaźń");
    w.subtitles().LadujText(app.write(QStringLiteral("clip.txt"),
                          {QStringLiteral("0:00:01:Pierwsza linia"),
                           QStringLiteral("0:00:05:") + polish,
                           QStringLiteral("0:00:08:Ostatnia|linia")},
                          zv::TextEncoding::Windows1250));
    ASSERT_TRUE(app.messages.isEmpty());
    ASSERT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());

    bool focusTaken = false;
    QTimer focusWatch;
    QObject::connect(&focusWatch, &QTimer::timeout, [&] { focusTaken |= lineWindowHasFocus(w); });
    focusWatch.start(50);

    struct Seek {
        double seconds;
        QString shown;
    };
    // A line stays up to TextDelay (2 s) and is cleared the second after; seeking back shows
    // the earlier line again.
    const Seek seeks[] = {
        {1.3, QStringLiteral("Pierwsza linia")}, {4.5, QString()},
        {5.4, polish},                           {2.2, QStringLiteral("Pierwsza linia")},
        {0.3, QString()},                        {8.2, QStringLiteral("Ostatnia|linia")},
        {5.2, polish},
    };
    for (const Seek &s : seeks) {
        SCOPED_TRACE(s.seconds);
        engine->setCurrentPosition(s.seconds);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(engine->CurrentPosition() - s.seconds) < 0.25; }, 5000))
            << engine->CurrentPosition();
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.subtitles().DisplayedText() == s.shown; }, 2000))
            << w.subtitles().DisplayedText().toStdString();
    }

    // On screen: the shown line is in line window 1 at the place the layout computed.
    const zv::SubtitleDisplay *display = w.subtitles().subtitleDisplay();
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(display->LastLineIndex(), 1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.Form3));
    QTest::qWait(500);
    const QImage shot = grabScreen(QStringLiteral("main_window_subtitle.png"));
    const QRect where = w.Form3->geometry();
    EXPECT_EQ(where, display->renderer().line(0).geometry);
    const QRect screen = w.screen()->geometry();
    EXPECT_LT(where.bottom(), screen.bottom() - w.settings().DisplayerBottom + 20);
    EXPECT_GT(where.bottom(), screen.bottom() - w.settings().DisplayerBottom - 20);
    EXPECT_GT(countLetterPixels(shot, where), 100);
    EXPECT_EQ(countLetterPixels(shot, screen.adjusted(0, 0, 0, -(screen.height() - where.top()))), 0)
        << "letters above the line window";
    EXPECT_FALSE(w.Form4->isVisible());

    // Playing on: the last line comes by itself, and a click on it leaves the focus alone.
    engine->Play();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.subtitles().DisplayedText() == QStringLiteral("Ostatnia|linia"); }, 6000));
    EXPECT_GE(engine->CurrentPosition(), 7.9);
    QTest::mouseClick(w.Form4, Qt::LeftButton, {}, QPoint(w.Form4->width() / 2, 2));
    QTest::qWait(200);
    EXPECT_FALSE(focusTaken) << "a line window held the focus";
    focusWatch.stop();
}

TEST(PlayingWithSubtitles, AFilmOpenedThroughTheOneWayInBringsItsSubtitles)
{
    SubtitleApp app(TForm9::mpvEngine(false));
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(w.settings().AutoPlay);
    ASSERT_TRUE(w.settings().AutoLoadText);
    // The generated clip has its time-line subtitles beside it, under the same name.
    const QString clip = zv::test::mediaFile(QStringLiteral("clip.avi"));
    const QString subtitles = zv::test::mediaFile(QStringLiteral("clip.txt"));
    w.files().MainAddProc(clip, 31, true, true, true, true, w.state().DefaultDropPoint);

    ASSERT_TRUE(QTest::qWaitFor([&] { return w.subtitles().CurrentSubtitleFile() == subtitles; }, 15000));
    EXPECT_TRUE(app.messages.isEmpty());
    EXPECT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_DOUBLE_EQ(w.session().MediaFrameRate, 25.0);
    const QList<zv::TSubtitleRecord> &rows = w.Form7->database().rows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].AssociatedWith, QStringLiteral("clip.avi"));

    // The lines come in turn as the clip plays.
    for (const QString &line : {QStringLiteral("Dzień dobry!|To jest film próbny."),
                                QStringLiteral("Zażółć gęślą jaźń.")}) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.subtitles().DisplayedText() == line; }, 8000))
            << w.subtitles().DisplayedText().toStdString();
        EXPECT_TRUE(w.Form3->isVisible());
    }
}

} // namespace
