#include "core/config/settings.h"
#include "subtitles/overlay_window.h"
#include "subtitles/subtitle_display.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace zv;

// Xlib last: its macros collide with names in Qt's headers.
#include <X11/Xlib.h>
#undef None
#undef Bool
#undef Status

namespace {

constexpr QRgb kYellow = 0xFFFFFF00; // FontColor 0x0000FFFF
constexpr QRgb kBlue = 0xFF0000FF;   // BackGroundColor 0x00FF0000
constexpr QRgb kGreen = 0xFF00A000;  // the stand-in for the picture

const QString kTwoLines = QStringLiteral("Ala ma kota|Zażółć gęślą jaźń");

// A full-screen green main window stands in for the player and its picture; three line
// windows float above it.
class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.FontColor = 0x0000FFFF;
        settings.BackGroundColor = 0x00FF0000;
        settings.ShadowColor = 0x000000FF;
        settings.DisplayerBottom = 70;
        settings.DisplayerDistance = 4;
        main = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        main->setAutoFillBackground(true);
        QPalette pal = main->palette();
        pal.setColor(QPalette::Window, QColor::fromRgb(kGreen));
        main->setPalette(pal);
        main->setGeometry(QGuiApplication::primaryScreen()->geometry());
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        for (int k = 0; k < 3; ++k)
            lines[k] = new SubtitleOverlayWindow(k + 1, main.get());
        display = std::make_unique<SubtitleDisplay>(settings, SubtitleDisplay::LineWindows{
                                                                  lines[0], lines[1], lines[2]},
                                                    main.get());
        display->setCompositorProbe([this] { return compositor; });
        display->setLinesShown(true);
    }

    void TearDown() override
    {
        display.reset();
        main.reset();
    }

    void waitShown()
    {
        for (SubtitleOverlayWindow *w : lines) {
            if (w->isVisible()) {
                ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
            }
        }
        QTest::qWait(300);
    }

    QImage grab(const char *name)
    {
        QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
            QImage::Format_RGB32);
        shot.save(QString::fromLocal8Bit(qgetenv("ZV_TEST_BIN_DIR")) + u'/' + QLatin1String(name));
        return shot;
    }

    static int countIn(const QImage &shot, const QRect &rect, QRgb colour)
    {
        int n = 0;
        const QRect r = rect & shot.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += (shot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        return n;
    }

    Settings settings;
    bool compositor = false;
    std::unique_ptr<QWidget> main;
    std::array<SubtitleOverlayWindow *, 3> lines{};
    std::unique_ptr<SubtitleDisplay> display;
};

} // namespace

TEST_F(OverlayTest, ScreenShowsTheLettersInTheirWindowsAndThePictureBetween)
{
    const struct {
        int mode;
        const char *shot;
        bool pictureBetweenLetters;
    } cases[] = {
        {0, "overlay_mode0.png", false},
        {2, "overlay_mode2.png", true},
        {3, "overlay_mode3_without_compositor.png", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        settings.DisplayMode = c.mode;
        display->RobNapis(kTwoLines);
        waitShown();
        const QImage shot = grab(c.shot);
        const int e = 2;
        EXPECT_EQ(lines[1]->geometry().bottom() + 1, 1080 - 70 + e);
        for (int k = 0; k < 2; ++k) {
            const QRect where = lines[k]->geometry();
            EXPECT_TRUE(lines[k]->isVisible());
            EXPECT_EQ(where, display->renderer().line(k).geometry);
            EXPECT_GT(countIn(shot, where, kYellow), 50) << "line " << k + 1;
            if (c.pictureBetweenLetters) {
                EXPECT_GT(countIn(shot, where, kGreen), where.width()) << "line " << k + 1;
                EXPECT_EQ(countIn(shot, where, kBlue), 0);
            } else {
                EXPECT_EQ(countIn(shot, where, kGreen), 0) << "line " << k + 1;
                EXPECT_GT(countIn(shot, where, kBlue), where.width());
            }
        }
        EXPECT_FALSE(lines[2]->isVisible());
        // Nothing yellow outside the line windows.
        const int all = countIn(shot, shot.rect(), kYellow);
        EXPECT_EQ(all, countIn(shot, lines[0]->geometry(), kYellow)
                           + countIn(shot, lines[1]->geometry(), kYellow));
    }

    // An empty text hides them, the windows shrunk to 1 x 1 at the corner.
    display->RobNapis(QString());
    for (SubtitleOverlayWindow *w : lines) {
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->geometry(), QRect(0, 0, 1, 1));
    }
    // So does switching the display off; switching it on brings the lines back.
    display->RobNapis(kTwoLines);
    display->setLinesShown(false);
    EXPECT_FALSE(lines[0]->isVisible());
    display->setLinesShown(true);
    EXPECT_TRUE(lines[0]->isVisible());
    EXPECT_TRUE(lines[1]->isVisible());
    EXPECT_FALSE(lines[2]->isVisible());
}

TEST_F(OverlayTest, DragMovesAllThreeAndTheNextRenderingKeepsThePlace)
{
    settings.DisplayMode = 2;
    display->RobNapis(kTwoLines);
    waitShown();
    std::array<int, 3> tops{};
    for (int k = 0; k < 3; ++k)
        tops[k] = lines[k]->y();
    QSignalSpy dragging(display.get(), &SubtitleDisplay::overlayDraggingChanged);

    const QPoint at = lines[1]->rect().center();
    QTest::mousePress(lines[1], Qt::LeftButton, {}, at);
    EXPECT_TRUE(display->OverlayDragging());
    QTest::mouseMove(lines[1], at + QPoint(7, -30));
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(lines[k]->y(), tops[k] - 30) << "line " << k + 1;
    EXPECT_EQ(settings.DisplayerBottom, 100);
    // The window has followed the cursor, so the cursor is back at its old place inside it.
    QTest::mouseRelease(lines[1], Qt::LeftButton, {}, at + QPoint(7, 0));
    EXPECT_FALSE(display->OverlayDragging());
    ASSERT_EQ(dragging.count(), 2);
    EXPECT_TRUE(dragging.at(0).at(0).toBool());
    EXPECT_FALSE(dragging.at(1).at(0).toBool());

    // Moves after the release change nothing.
    QTest::mouseMove(lines[1], at + QPoint(0, 50));
    EXPECT_EQ(lines[1]->y(), tops[1] - 30);

    display->RobNapis(kTwoLines);
    EXPECT_EQ(lines[0]->y(), tops[0] - 30);
    EXPECT_EQ(lines[1]->y(), tops[1] - 30);
    EXPECT_TRUE(QApplication::activeWindow() == main.get());
}

TEST_F(OverlayTest, ClickWithoutMovementKeepsEverythingAndGivesTheFocusBack)
{
    for (const char *text : {"Ala ma kota", "Ala|ma|kota"}) {
        settings.DisplayMode = 0;
        display->RobNapis(QString::fromUtf8(text));
        waitShown();
        const QRect before = lines[0]->geometry();
        QTest::mouseClick(lines[0], Qt::LeftButton);
        EXPECT_EQ(settings.DisplayerBottom, 70) << text;
        display->RobNapis(QString::fromUtf8(text));
        EXPECT_EQ(lines[0]->geometry(), before) << text;
        EXPECT_TRUE(QApplication::activeWindow() == main.get());
    }
}

TEST_F(OverlayTest, ActivationOfALineWindowReturnsTheFocus)
{
    display->RobNapis(kTwoLines);
    waitShown();
    EXPECT_TRUE(QApplication::activeWindow() == main.get());

    QWidget other;
    other.setGeometry(10, 10, 200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    // As a window manager would report it: the line window became active.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(lines[0], &activate);
    EXPECT_TRUE(QTest::qWaitForWindowActive(main.get()));
    for (SubtitleOverlayWindow *w : lines)
        EXPECT_FALSE(w->isActiveWindow());
}

TEST_F(OverlayTest, PositionCommands)
{
    settings.DisplayMode = 0;
    display->RobNapis(kTwoLines);
    const int top = lines[1]->y();
    const struct {
        std::function<void()> command;
        int bottom;
        int top;
    } steps[] = {
        {[&] { display->DisplayerUp1Click(false); }, 90, top - 20},
        {[&] { display->DisplayerDown1Click(true); }, 89, top - 19},
        {[&] { display->DisplayerUp1Click(true); }, 90, top - 20},
        {[&] { display->DisplayerDown1Click(false); }, 70, top},
        {[&] { display->ResetPosition(); }, 40, top + 30}, // lower edge at 1080 - 40 + e
        // A changed screen renders the shown text again with the options of the moment.
        {[&] { settings.DisplayerBottom = 140; display->WMDisplayChange(); }, 140, top - 70},
    };
    for (const auto &s : steps) {
        s.command();
        EXPECT_EQ(settings.DisplayerBottom, s.bottom);
        EXPECT_EQ(lines[1]->y(), s.top);
        EXPECT_EQ(display->DisplayedText(), kTwoLines);
    }
}

// A compositor that quits while a translucent line shows: the lines are drawn again at once
// (shaped), not left on black boxes until the next line or the periodic check.
TEST_F(OverlayTest, ACompositorThatQuitsIsNoticedAtOnce)
{
    Display *other = XOpenDisplay(nullptr);   // the compositor: another client
    ASSERT_NE(other, nullptr);
    const Window owner = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(other));
    XSetSelectionOwner(other, XInternAtom(other, name.constData(), False), owner, CurrentTime);
    XSync(other, False);

    settings.DisplayMode = 1;
    compositor = true;
    display->SetTransparentColor();
    display->RobNapis(kTwoLines);
    waitShown();
    ASSERT_EQ(display->renderer().paint(), OverlayPaint::Translucent);

    compositor = false;
    XDestroyWindow(other, owner);
    XSync(other, False);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lines[0]->mask().isEmpty(); }, 2000))
        << "the lines wait for the next check";
    EXPECT_EQ(display->renderer().paint(), OverlayPaint::Mask);
    XCloseDisplay(other);
}

TEST_F(OverlayTest, CompositorChoosesTranslucencyAndItsLossIsNoticed)
{
    settings.DisplayMode = 3;
    display->RobNapis(kTwoLines);
    EXPECT_EQ(display->renderer().paint(), OverlayPaint::Mask);
    QSignalSpy usable(display.get(), &SubtitleDisplay::overlayUsableChanged);

    compositor = true;
    display->SetTransparentColor();
    EXPECT_TRUE(display->OverlayUsable());
    EXPECT_EQ(usable.count(), 1);
    EXPECT_EQ(display->renderer().paint(), OverlayPaint::Translucent);
    EXPECT_TRUE(lines[0]->mask().isEmpty());

    // Mode 1 without a compositor would show black boxes: it takes the mask this time.
    settings.DisplayMode = 1;
    compositor = false;
    display->RobNapis(kTwoLines);
    EXPECT_EQ(display->renderer().paint(), OverlayPaint::Mask);
    EXPECT_FALSE(lines[0]->mask().isEmpty());

    settings.DisplayMode = 0;
    display->RobNapis(kTwoLines);
    EXPECT_EQ(display->renderer().paint(), OverlayPaint::Opaque);

    // A mode outside 0..3 draws nothing: the windows keep what they had.
    const QRect before = lines[0]->geometry();
    settings.DisplayMode = 7;
    display->RobNapis(QStringLiteral("Inny tekst, całkiem inny"));
    EXPECT_EQ(lines[0]->geometry(), before);
    EXPECT_EQ(display->DisplayedText(), QStringLiteral("Inny tekst, całkiem inny"));
}
