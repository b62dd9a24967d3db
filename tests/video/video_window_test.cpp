#include "video/video_window.h"
#include "playback/engine_dialogs.h"
#include "playback/engine_test_support.h"
#include "playback/idle_animation.h"
#include "playback/scripted_engine.h"
#include "support/test_env.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

using zv::test::EngineEvents;
using zv::test::mediaFile;

namespace {

// Share of pixels that are clearly not black in what the X server shows of the window.
double litShare(QWidget *w)
{
    const QImage img = QGuiApplication::primaryScreen()->grabWindow(w->winId()).toImage();
    if (img.isNull() || img.width() * img.height() == 0)
        return 0.0;
    qint64 lit = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            lit += qGray(img.pixel(x, y)) > 40;
    return double(lit) / (img.width() * img.height());
}

TForm9::EngineFactory scripted()
{
    return [](quint64, QObject *parent) -> MediaEngine * { return new ScriptedEngine(parent); };
}

// A surface over the whole of a shown host window, with the scripted engine.
struct ShownSurface {
    explicit ShownSurface(QSize size = {320, 240})
    {
        host.resize(size);
        surface = new TForm9(&host, scripted());
        surface->setGeometry(QRect(QPoint(0, 0), size));
        host.show();
        exposed = QTest::qWaitForWindowExposed(&host);
    }
    QWidget host;
    TForm9 *surface = nullptr;
    bool exposed = false;
};

TEST(TForm9, DrawsTheFirstFrameWithTheRealVideoOutput)
{
    // Made first and placed afterwards, as the main window does: the engine's window must
    // survive the move into its panel.
    auto *surface = new TForm9(nullptr, TForm9::mpvEngine(false));
    QWidget host;
    host.resize(400, 300);
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    const WId before = surface->engineWindow()->winId();
    layout->addWidget(surface);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(surface->engineWindow()->winId(), before);

    // Nothing open: the animation runs, the engine's window is hidden.
    EXPECT_TRUE(surface->isIdle());
    EXPECT_TRUE(surface->RxGIFAnimator1->isVisible());
    EXPECT_TRUE(surface->RxGIFAnimator1->isRunning());
    EXPECT_FALSE(surface->engineWindow()->isVisible());
    EXPECT_EQ(surface->engineRect(), surface->Panel1->rect());
    EXPECT_EQ(surface->Panel1->rect(), surface->rect());

    EngineEvents events(surface->m());
    surface->m()->Open(mediaFile("clip.avi"));
    ASSERT_TRUE(events.waitFor(QStringLiteral("open 5>6"), 15000)) << events.log.join(',').toStdString();
    EXPECT_FALSE(surface->isIdle());
    EXPECT_FALSE(surface->RxGIFAnimator1->isRunning());
    EXPECT_TRUE(surface->engineWindow()->isVisible());
    EXPECT_EQ(surface->m()->ImageSourceWidth(), 320);

    // The test pattern is bright; an all-black grab means nothing was drawn.
    EXPECT_TRUE(QTest::qWaitFor([&] { return litShare(surface->engineWindow()) > 0.3; }, 8000))
        << litShare(surface->engineWindow());

    surface->m()->Play();
    QTest::qWait(300);
    // Closing brings the animation back.
    surface->m()->Open(QString());
    EXPECT_TRUE(surface->isIdle());
    EXPECT_TRUE(surface->RxGIFAnimator1->isRunning());

    // Ending while playing: the engine goes before its window (ASan watches this).
    surface->m()->Open(mediaFile("clip.mp4"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.count("open 5>6") == 2; }, 15000));
    surface->m()->Play();
    QTest::qWait(200);
    delete surface;
}

TEST(TForm9, ClosingTheWindowEndsTheEngineFirst)
{
    // Closing a top-level window destroys its X window and all inside it; mpv must be gone
    // before, or its X connection fails on its vanished window and ends the process.
    QWidget host;
    host.resize(320, 240);
    auto *surface = new TForm9(&host, TForm9::mpvEngine(false));
    surface->setGeometry(0, 0, 320, 240);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EngineEvents events(surface->m());
    surface->m()->Open(mediaFile("clip.mp4"));
    ASSERT_TRUE(events.waitFor(QStringLiteral("open 5>6"), 15000));
    surface->m()->Play();
    QTest::qWait(200);

    host.windowHandle()->close();
    QTest::qWait(300);
    EXPECT_EQ(surface->m()->PlayState(), MediaEngine::psClosed);
    // Still answers, as a closed engine that cannot open anything.
    surface->m()->Open(mediaFile("clip.mp4"));
    EXPECT_TRUE(events.waitFor(QStringLiteral("error")));
}

TEST(TForm9, EngineRectangleFillsUntilPlacedByTheCaller)
{
    ShownSurface fx(QSize(300, 200));
    ASSERT_TRUE(fx.exposed);
    TForm9 *surface = fx.surface;
    EXPECT_EQ(surface->engineRect(), QRect(0, 0, 300, 200));

    surface->setEngineRect(QRect(-30, 10, 360, 180)); // pan-scan: larger than the panel
    surface->resize(320, 240);
    EXPECT_EQ(surface->engineRect(), QRect(-30, 10, 360, 180));
    EXPECT_EQ(surface->Panel1->size(), QSize(320, 240));
    EXPECT_EQ(surface->RxGIFAnimator1->size(), QSize(320, 240));

    surface->fillEngineRect();
    EXPECT_EQ(surface->engineRect(), QRect(0, 0, 320, 240));
}

TEST(TForm9, IdleExactlyWhileClosed)
{
    QWidget host;
    auto *surface = new TForm9(&host, scripted());
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    auto *engine = static_cast<ScriptedEngine *>(surface->m());
    const struct {
        int state;
        bool idle;
    } table[] = {{6, true}, {0, false}, {2, false}, {1, false}, {3, false}, {6, true}};
    for (const auto &row : table) {
        engine->changePlayState(row.state);
        EXPECT_EQ(surface->isIdle(), row.idle) << row.state;
        EXPECT_EQ(surface->RxGIFAnimator1->isVisible(), row.idle) << row.state;
        EXPECT_EQ(surface->engineWindow()->isVisible(), !row.idle) << row.state;
    }
}

TEST(TForm9, IdleStripFramesComeFromTheXServerAsPainted)
{
    ShownSurface fx;
    ASSERT_TRUE(fx.exposed);
    QWidget &host = fx.host;
    TForm9 *surface = fx.surface;
    IdleAnimation *strip = surface->RxGIFAnimator1;
    const int first = strip->phase();
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip->phase() != first && strip->lastTickOnServer(); }, 3000));
    // What the screen shows where the motif sits is the frame of the current phase.
    const QPoint at = strip->mapTo(&host, QPoint((strip->width() - IdleAnimation::kMotifSize.width()) / 2,
                                                 (strip->height() - IdleAnimation::kMotifSize.height()) / 2));
    // The strip ticks on a thread of its own: a grab counts only when no tick fell during it.
    QImage shown;
    int phase = -1;
    for (int attempt = 0; attempt < 5 && phase < 0; ++attempt) {
        const int before = strip->phase();
        shown = QGuiApplication::primaryScreen()
                    ->grabWindow(host.winId(), at.x(), at.y(), IdleAnimation::kMotifSize.width(),
                                 IdleAnimation::kMotifSize.height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
        if (strip->phase() == before)
            phase = before;
    }
    ASSERT_GE(phase, 0);
    const QImage expected = strip->frame(phase);
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            differing += shown.size() != expected.size() || shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_EQ(differing, 0) << "phase " << phase;
    EXPECT_NE(strip->frame(0), strip->frame(3)); // it does move
    // Where the loop starts over, the strip joins without a jump.
    EXPECT_EQ(strip->frame(IdleAnimation::kLoopPixels), strip->frame(0));
}

TEST(TForm9, IdleStripRestsWhileAnotherWindowCoversIt)
{
    ShownSurface fx;
    ASSERT_TRUE(fx.exposed);
    TForm9 *surface = fx.surface;
    IdleAnimation *strip = surface->RxGIFAnimator1;
    ASSERT_TRUE(strip->isRunning());

    // No window manager here: a window that bypasses it lands exactly where asked, on top.
    QWidget cover(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    const QRect whole(strip->mapToGlobal(QPoint(0, 0)), strip->size());
    cover.setGeometry(whole);
    cover.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !strip->isRunning(); }, 3000));
    const int rested = strip->phase();
    QTest::qWait(2 * IdleAnimation::kTickMs);
    EXPECT_EQ(strip->phase(), rested);
    cover.move(whole.topLeft() + QPoint(0, 1)); // one row of the strip shows again
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip->isRunning(); }, 3000));
    cover.move(whole.topLeft());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !strip->isRunning(); }, 3000));
    cover.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip->isRunning(); }, 3000));
    // Qt's own events still reach the strip: the field the cover left is painted black again.
    EXPECT_TRUE(QTest::qWaitFor([&] { return litShare(strip) < 0.2; }, 3000)) << litShare(strip);
}

QList<EngineInfoDialog *> openDialogs()
{
    QList<EngineInfoDialog *> list;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<EngineInfoDialog *>(w); d && d->isVisible())
            list << d;
    return list;
}

TEST(TForm9, ShowsTheEnginesWindowsOnRequest)
{
    QWidget host;
    auto *surface = new TForm9(&host, scripted());
    host.show();
    auto *engine = static_cast<ScriptedEngine *>(surface->m());
    engine->stats = {{EngineStat::File, "/filmy/clip.avi"}, {EngineStat::EngineVersion, "mpv 0.35.1"}};

    engine->ShowDialog(MediaEngine::dkStatistics);
    engine->ShowDialog(MediaEngine::dkStatistics); // the same window again, not a second one
    ASSERT_EQ(openDialogs().size(), 1);
    EXPECT_EQ(openDialogs().first()->kind(), EngineInfoDialog::Statistics);
    EXPECT_EQ(openDialogs().first()->rows().first().second, "clip.avi");

    engine->AboutBox();
    engine->ShowDialog(MediaEngine::dkProperties);
    EXPECT_EQ(openDialogs().size(), 3);
    // The context menu only while the engine allows it.
    engine->ShowDialog(MediaEngine::dkContextMenu);
    EXPECT_EQ(engine->calls.last(), "ShowDialog 3");
    for (EngineInfoDialog *d : openDialogs())
        d->close();
}

} // namespace
