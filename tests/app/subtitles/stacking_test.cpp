// The line windows under a real window manager (openbox): they stay above the player's
// picture, in a window and in full screen, but a dialog or another program raised over the
// player covers them; in a window they never cover the player's own controls.
#include "subtitle_app.h"

#include "config/options_dialog.h"
#include "library/subtitle_database_window.h"
#include "playlist/playlist_window.h"
#include "subtitles/line_windows.h"
#include "subtitles/subtitle_editor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

// Xlib last: its macros collide with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// The managed windows bottom to top, as the window manager stacks them.
QList<quint64> stacking()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *d = x11 ? x11->display() : nullptr;
    QList<quint64> ids;
    if (!d)
        return ids;
    XSync(d, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const Atom list = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False);
    if (XGetWindowProperty(d, DefaultRootWindow(d), list, 0, 4096, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success && data) {
        const auto *w = reinterpret_cast<const Window *>(data);
        for (unsigned long i = 0; i < count; ++i)
            ids << quint64(w[i]);
        XFree(data);
    }
    return ids;
}

// A window manager that follows the desktop's rules announces itself on the root window.
bool windowManagerRuns()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *d = x11 ? x11->display() : nullptr;
    if (!d)
        return false;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const bool found = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format,
                                          &count, &after, &data) == Success && data && count == 1;
    if (data)
        XFree(data);
    return found;
}

// True once every window of `below` is stacked under `above`.
bool stackedUnder(const QList<QWidget *> &below, QWidget *above)
{
    const QList<quint64> order = stacking();
    const qsizetype top = order.indexOf(above->winId());
    if (top < 0)
        return false;
    for (QWidget *w : below)
        if (order.indexOf(w->winId()) < 0 || order.indexOf(w->winId()) > top)
            return false;
    return true;
}

QList<QWidget *> shownLines(TZentavistaApp &w)
{
    QList<QWidget *> lines;
    for (QWidget *line : {static_cast<QWidget *>(w.Form3), static_cast<QWidget *>(w.Form4),
                          static_cast<QWidget *>(w.Form5)})
        if (line->isVisible())
            lines << line;
    return lines;
}

TEST(SubtitleStacking, DialogsCoverTheLinesAndTheLinesCoverThePicture)
{
    if (!windowManagerRuns()) {
        // Under the launcher a missing manager is a failure, not a reason to skip.
        ASSERT_TRUE(qEnvironmentVariableIsEmpty("ZV_WINDOW_MANAGER")) << "the window manager did not start";
        GTEST_SKIP() << "no window manager on this display (the test runs under with_window_manager.sh)";
    }
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.subtitles().LadujText(app.write(QStringLiteral("a.txt"), {QStringLiteral("0:00:01:Ala ma kota")}));
    if (!w.commands().isChecked(zv::Cmd::Wy1))
        w.commands().run(zv::Cmd::Wy1);
    w.subtitles().RobNapis(QStringLiteral("Ala ma kota"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownLines(w).isEmpty(); }, 5000));
    const QList<QWidget *> lines = shownLines(w);

    // In a window: above the player, below a dialog raised over it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return stackedUnder({&w}, lines.first()); }, 5000));
    w.commands().run(zv::Cmd::Opcje1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.Form2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return stackedUnder(lines, w.Form2); }, 5000))
        << "the options dialog must cover the subtitles";
    w.Form2->hide();

    // In full screen: the lines stay above the picture.
    w.session().LoadMediafile(app.write(QStringLiteral("film.avi"), {QStringLiteral("x")}));
    scripted(w)->finishOpen(100, 2500, 320, 240);
    if (!w.commands().isChecked(zv::Cmd::Wy1))   // no subtitle file found for the film
        w.commands().run(zv::Cmd::Wy1);
    w.commands().run(zv::Cmd::FullScr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isFullScreen(); }, 5000));
    w.subtitles().RobNapis(QStringLiteral("Ala ma kota"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shownLines(w).isEmpty() && stackedUnder({&w}, shownLines(w).first()); },
                                5000))
        << "full screen must keep the subtitles over the picture";
    w.commands().run(zv::Cmd::FullScr);
}

// Reads a window's 32-bit property as numbers (atoms or cardinals); empty when it is not set.
QList<quint64> property32(quint64 window, const char *name)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *d = x11->display();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QList<quint64> values;
    if (XGetWindowProperty(d, Window(window), XInternAtom(d, name, False), 0, 64, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success && data && format == 32) {
        const auto *v = reinterpret_cast<const unsigned long *>(data);
        for (unsigned long i = 0; i < count; ++i)
            values << quint64(v[i]);
    }
    if (data)
        XFree(data);
    return values;
}

quint64 atomOf(const char *name)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return quint64(XInternAtom(x11->display(), name, False));
}

// The line windows are no tasks of their own and cast no compositor shadow; the windows the
// keys open take the keys, and Escape closes the editor like the other windows.
TEST(SubtitleStacking, LinesAreNoTasksAndOpenedWindowsTakeTheKeys)
{
    if (!windowManagerRuns()) {
        // Under the launcher a missing manager is a failure, not a reason to skip.
        ASSERT_TRUE(qEnvironmentVariableIsEmpty("ZV_WINDOW_MANAGER")) << "the window manager did not start";
        GTEST_SKIP() << "no window manager on this display (the test runs under with_window_manager.sh)";
    }
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.subtitles().LadujText(app.write(QStringLiteral("a.txt"), {QStringLiteral("0:00:01:Ala")}));
    if (!w.commands().isChecked(zv::Cmd::Wy1))
        w.commands().run(zv::Cmd::Wy1);
    w.subtitles().RobNapis(QStringLiteral("Ala"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownLines(w).isEmpty(); }, 5000));
    const quint64 line = shownLines(w).first()->winId();
    const QList<quint64> states = property32(line, "_NET_WM_STATE");
    EXPECT_TRUE(states.contains(atomOf("_NET_WM_STATE_SKIP_TASKBAR")));
    EXPECT_TRUE(states.contains(atomOf("_NET_WM_STATE_SKIP_PAGER")));
    EXPECT_EQ(property32(line, "_COMPTON_SHADOW"), QList<quint64>{0});

    struct Case {
        int key;
        QWidget *window;
    };
    const Case cases[] = {{Qt::Key_P, w.Form6},
                          {Qt::Key_T, w.Form7}};
    for (const Case &c : cases) {
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.windowHandle(), Qt::Key(c.key));
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == c.window; }, 5000))
            << c.window->objectName().toStdString();
    }

    w.commands().run(zv::Cmd::Edytortxt1);
    QWidget *editor = w.Form12;
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == editor; }, 5000));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zostaje"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    w.commands().run(zv::Cmd::Edytortxt1);
    EXPECT_TRUE(editor->findChild<QPlainTextEdit *>()->toPlainText().contains(QStringLiteral("zostaje")));
}

} // namespace
