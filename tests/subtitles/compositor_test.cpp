#include "subtitles/subtitle_compositor.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

// Xlib last: its macros collide with names in Qt's headers.
#include <X11/Xlib.h>

// The test display runs no compositing manager; a window that takes the manager's selection
// stands in for one.
TEST(CompositingManager, OwnerOfTheScreensSelectionCounts)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    Display *display = x11->display();
    ASSERT_NE(display, nullptr);
    // Taking the selection from a real manager would make it quit: only on a bare display.
    if (zv::compositingManagerRunning())
        GTEST_SKIP() << "a compositing manager runs on this display";

    QWidget owner;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    XSetSelectionOwner(display, selection, Window(owner.winId()), CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(zv::compositingManagerRunning());

    XSetSelectionOwner(display, selection, None, CurrentTime);
    XSync(display, False);
    EXPECT_FALSE(zv::compositingManagerRunning());
}
