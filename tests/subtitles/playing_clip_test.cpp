// The subtitle of a playing clip, seen on the screen over the real picture.
#include "core/common/text_codec.h"
#include "core/config/settings.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_timer.h"
#include "playback/mpv_engine.h"
#include "subtitles/overlay_window.h"
#include "subtitles/subtitle_display.h"
#include "support/open_clip.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace zv;

namespace {

// Colours the test pattern does not hold.
constexpr QRgb kLetters = 0xFFF08020; // FontColor 0x002080F0, orange
constexpr QRgb kBackground = 0xFF123456;   // BackGroundColor 0x00563412, slate

QImage grabScreen(const QString &name)
{
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
    shot.save(QString::fromLocal8Bit(qgetenv("ZV_TEST_BIN_DIR")) + u'/' + name);
    return shot;
}

int countIn(const QImage &shot, const QRect &rect, const std::function<bool(QPoint, QRgb)> &pred)
{
    int n = 0;
    const QRect r = rect & shot.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += pred(QPoint(x, y), shot.pixel(x, y)) ? 1 : 0;
    return n;
}

} // namespace

TEST(PlayingClip, SubtitleDueIsOnTheScreenAndThePictureShowsBetweenTheLetters)
{
    QFile file(test::mediaFile(QStringLiteral("clip.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = splitLines(decodeText(file.readAll()).text);
    const LoadResult loaded = LoadProc0(lines, LoadSettings{});
    ASSERT_FALSE(loaded.failed);

    Settings settings;
    settings.FontColor = 0x002080F0;
    settings.BackGroundColor = 0x00563412;
    settings.DisplayMode = 2;

    // The player stand-in: a full-screen window whose native child shows the picture.
    QWidget main(nullptr, Qt::FramelessWindowHint);
    main.setGeometry(QGuiApplication::primaryScreen()->geometry());
    auto *video = new QWidget(&main);
    video->setAttribute(Qt::WA_NativeWindow);
    video->setGeometry(main.rect());
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    std::array<SubtitleOverlayWindow *, 3> windows{};
    for (int k = 0; k < 3; ++k)
        windows[k] = new SubtitleOverlayWindow(k + 1, &main);
    SubtitleDisplay display(settings, {windows[0], windows[1], windows[2]}, &main);
    display.setCompositorProbe([] { return false; });
    display.setLinesShown(true);

    auto engine = std::make_unique<MpvEngine>(quint64(video->winId()), false);
    ASSERT_TRUE(engine->isUsable());
    ASSERT_TRUE(zv::test::openClip(engine.get()));
    engine->Play();

    // The subtitle timer as the main window runs it.
    SubtitleDisplayState state;
    QTimer timer1;
    timer1.setInterval(200);
    QObject::connect(&timer1, &QTimer::timeout, [&] {
        SubtitleTimerInput in;
        in.CurrentPosition = engine->CurrentPosition();
        in.MediaFrameRate = 25;
        in.TextDelay = settings.TextDelay;
        in.OverlayDragging = display.OverlayDragging();
        if (const std::optional<QString> text = Timer1Timer(loaded.table, in, state))
            display.RobNapis(*text);
    });
    timer1.start();
    const QString due = QStringLiteral("Dzień dobry!|To jest film próbny.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.DisplayedText() == due; }, 15000))
        << display.DisplayedText().toStdString();
    timer1.stop();
    engine->Pause();
    QTest::qWait(800); // the last frame settles

    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows[1]));
    QTest::qWait(300);
    const QImage withLetters = grabScreen(QStringLiteral("playing_clip_mode2.png"));
    display.setLinesShown(false);
    QTest::qWait(500);
    const QImage pictureOnly = grabScreen(QStringLiteral("playing_clip_picture.png"));

    for (int k = 0; k < 2; ++k) {
        const QRect where = display.renderer().line(k).geometry;
        ASSERT_FALSE(where.isEmpty());
        EXPECT_GT(countIn(withLetters, where, [](QPoint, QRgb p) { return p == kLetters; }), 50);
        EXPECT_EQ(countIn(pictureOnly, where, [](QPoint, QRgb p) { return p == kLetters; }), 0);
        // Between the letters the window is cut away: the picture itself shows there.
        const int picture = countIn(withLetters, where, [&](QPoint at, QRgb p) {
            return p == pictureOnly.pixel(at) && p != kLetters;
        });
        EXPECT_GT(picture, where.width() * where.height() / 3) << "line " << k + 1;
        EXPECT_EQ(countIn(withLetters, where, [](QPoint, QRgb p) { return p == kBackground; }), 0);
    }

    // The opaque mode covers the picture with the background colour instead.
    settings.DisplayMode = 0;
    display.setLinesShown(true);
    display.RobNapis(due);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows[1]));
    QTest::qWait(500);
    const QImage opaque = grabScreen(QStringLiteral("playing_clip_mode0.png"));
    const QRect where = display.renderer().line(1).geometry;
    EXPECT_GT(countIn(opaque, where, [](QPoint, QRgb p) { return p == kBackground; }),
              where.width() * where.height() / 3);

    engine.reset(); // before the window it draws into
}
