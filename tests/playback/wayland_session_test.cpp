// The engine drawing into our window in a Wayland session, where the program is an X11 client of
// XWayland while WAYLAND_DISPLAY still names the compositor: a real weston with XWayland.

#include "playback/engine_test_support.h"
#include "playback/mpv_engine.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

using zv::test::EngineEvents;
using zv::test::mediaFile;

// Every local socket this process connects to while watched, whichever library connects: the
// test binary exports this connect(), so it stands in for the C library's in libmpv and the
// libraries it loads.
namespace {
std::atomic<bool> watching{false};
std::mutex connectedMutex;
QStringList connectedPaths;

void watchConnections()
{
    std::lock_guard lock(connectedMutex);
    connectedPaths.clear();
    watching = true;
}

QStringList watchedConnections()
{
    std::lock_guard lock(connectedMutex);
    watching = false;
    return std::exchange(connectedPaths, {});
}
} // namespace

extern "C" int connect(int fd, const struct sockaddr *addr, socklen_t len)
{
    using Connect = int (*)(int, const struct sockaddr *, socklen_t);
    static const auto next = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "connect"));
    constexpr socklen_t pathAt = offsetof(sockaddr_un, sun_path);
    if (watching && addr && addr->sa_family == AF_UNIX && len > pathAt) {
        const auto *un = reinterpret_cast<const sockaddr_un *>(addr);
        const bool abstract = un->sun_path[0] == '\0';
        const char *path = un->sun_path + (abstract ? 1 : 0);
        const size_t size = abstract ? size_t(len - pathAt - 1) : strnlen(path, len - pathAt);
        const QString name = QString::fromLocal8Bit(path, qsizetype(size));
        std::lock_guard lock(connectedMutex);
        connectedPaths.push_back(name);
    }
    return next(fd, addr, len);
}

namespace {

// weston, headless with software rendering, and its XWayland, in a private runtime folder.
class Weston {
public:
    static constexpr char kSocket[] = "zv-wayland";

    Weston()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("weston"));
        if (program.isEmpty()) {
            failure_ = QStringLiteral("weston is not installed");
            return;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"WAYLAND_DISPLAY", "WAYLAND_SOCKET", "DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, {QStringLiteral("--backend=headless-backend.so"),
                                 QStringLiteral("--use-pixman"), QStringLiteral("--xwayland"),
                                 QStringLiteral("--shell=kiosk-shell.so"),
                                 QStringLiteral("--no-config"), QStringLiteral("--idle-time=0"),
                                 QStringLiteral("--socket=%1").arg(kSocket),
                                 QStringLiteral("--log=%1").arg(logPath())});
        const QRegularExpression listening(QStringLiteral("xserver listening on display :(\\d+)"));
        const bool up = QTest::qWaitFor(
            [&] {
                const auto m = listening.match(log());
                if (m.hasMatch() && QFileInfo::exists(socketPath()))
                    display_ = QStringLiteral(":") + m.captured(1);
                return !display_.isEmpty() || process_.state() == QProcess::NotRunning;
            },
            10000);
        if (!up || display_.isEmpty())
            failure_ = QStringLiteral("weston did not start: ") + log() +
                       QString::fromLocal8Bit(process_.readAll());
    }

    ~Weston()
    {
        process_.terminate(); // weston ends its XWayland on the way out
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
    }

    // Empty when weston runs.
    QString failure() const { return failure_; }
    QString runtimeDir() const { return runtime_.path(); }
    QString socketPath() const { return runtime_.filePath(QString::fromLatin1(kSocket)); }
    QString display() const { return display_; }
    QString log() const
    {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // weston starts XWayland at the first connection to its display; waits for its window
    // manager, so that opening the display afterwards cannot hang on an XWayland that failed.
    bool startXWayland()
    {
        const QByteArray path = "/tmp/.X11-unix/X" + display_.mid(1).toLatin1();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path) - 1);
        ::connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof(addr));
        const bool up = QTest::qWaitFor([&] { return log().contains(QLatin1String("created wm")); },
                                        15000);
        ::close(fd);
        return up;
    }

private:
    QString logPath() const { return runtime_.filePath(QStringLiteral("weston.log")); }

    QTemporaryDir runtime_; // made private to its owner, as a runtime folder must be
    QProcess process_;
    QString display_;
    QString failure_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QString &value)
        : name_(name)
        , had_(qEnvironmentVariableIsSet(name))
        , old_(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

// A plain top-level X window standing for the video panel, black until something draws in it.
struct XWindow {
    explicit XWindow(const QString &display)
        : d(XOpenDisplay(display.toLatin1().constData()))
    {
        if (!d)
            return;
        const int s = DefaultScreen(d);
        w = XCreateSimpleWindow(d, RootWindow(d, s), 0, 0, 320, 240, 0, BlackPixel(d, s),
                                BlackPixel(d, s));
        XStoreName(d, w, "panel");
        XMapWindow(d, w);
        XFlush(d);
    }
    ~XWindow()
    {
        if (!d)
            return;
        XDestroyWindow(d, w);
        XCloseDisplay(d);
    }

    bool viewable()
    {
        XWindowAttributes a{};
        return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
    }

    // What the window shows, its subwindows (mpv's) included.
    QImage grab()
    {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, w, &a))
            return {};
        XImage *x = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (!x)
            return {};
        QImage image(a.width, a.height, QImage::Format_RGB32);
        for (int y = 0; y < a.height; ++y) {
            for (int i = 0; i < a.width; ++i) {
                const unsigned long p = XGetPixel(x, i, y);
                image.setPixel(i, y, qRgb(int((p & x->red_mask) >> 16),
                                          int((p & x->green_mask) >> 8), int(p & x->blue_mask)));
            }
        }
        XDestroyImage(x);
        return image;
    }

    Display *d = nullptr;
    Window w = 0;
};

// The test clip is a pattern of strong reds, greens and blues; an empty panel is black.
bool showsTestPattern(const QImage &image)
{
    int strong[3] = {0, 0, 0};
    int samples = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4, ++samples) {
            const QColor c = image.pixelColor(x, y);
            const int channel[3] = {c.red(), c.green(), c.blue()};
            for (int i = 0; i < 3; ++i) {
                if (channel[i] > 160 && channel[(i + 1) % 3] < 96 && channel[(i + 2) % 3] < 96)
                    ++strong[i];
            }
        }
    }
    const int enough = samples / 200;
    return samples > 0 && strong[0] > enough && strong[1] > enough && strong[2] > enough;
}

TEST(WaylandSession, EmbeddedPictureIsDrawnThroughX11WithoutTouchingTheCompositor)
{
    Weston weston;
    if (!weston.failure().isEmpty())
        GTEST_SKIP() << "weston cannot run here: " << weston.failure().toStdString();
    ASSERT_TRUE(weston.startXWayland()) << weston.log().toStdString();

    // The session as the program sees it under GNOME or KDE: both displays named.
    ScopedEnv runtime("XDG_RUNTIME_DIR", weston.runtimeDir());
    ScopedEnv wayland("WAYLAND_DISPLAY", QString::fromLatin1(Weston::kSocket));
    ScopedEnv x11("DISPLAY", weston.display());

    XWindow panel(weston.display());
    ASSERT_TRUE(panel.d) << weston.log().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.viewable(); }, 5000));
    watchConnections();

    QImage shown;
    {
        MpvEngine engine(panel.w, false);
        ASSERT_TRUE(engine.isUsable());
        EXPECT_TRUE(engine.gpuContext().startsWith(QLatin1String("x11")))
            << engine.gpuContext().toStdString();
        EngineEvents events(&engine);
        engine.Open(mediaFile(QStringLiteral("clip.avi")));
        ASSERT_TRUE(events.waitFor(QStringLiteral("open 5>6")))
            << events.log.join(',').toStdString();
        engine.Play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return engine.CurrentPosition() >= 0.5; }, 10000));
        // Checked below, where the picture is kept for a failure report.
        (void)QTest::qWaitFor([&] { return showsTestPattern(shown = panel.grab()); }, 5000);
    }

    // The engine went to the X server only (which also shows that connections are seen).
    const QStringList paths = watchedConnections();
    EXPECT_FALSE(paths.contains(weston.socketPath())) << "the engine connected to the compositor";
    EXPECT_TRUE(paths.contains(QLatin1String("/tmp/.X11-unix/X") + weston.display().mid(1)))
        << paths.join(' ').toStdString();

    const QString shot = qEnvironmentVariable("ZV_TEST_BIN_DIR", QDir::tempPath()) +
                         QStringLiteral("/wayland_panel.png");
    EXPECT_TRUE(showsTestPattern(shown))
        << "the panel does not show the film; what it showed: "
        << (shown.save(shot) ? shot.toStdString() : std::string("nothing"));
}

} // namespace
