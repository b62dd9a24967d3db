#pragma once

// Real pointer input through the X server (xdotool), for drags and clicks that must travel
// the same way a user's do: grabs, drag-and-drop between processes, window stacking.

#include <QGuiApplication>
#include <QPoint>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QTest>

namespace zv::test {

// Runs xdotool with `args` while this process's event loop keeps running (a drag inside this
// program waits on it). True when xdotool succeeded.
inline bool xdotool(const QStringList &args, int timeoutMs = 15000)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForStarted(5000))
        return false;
    const bool ended = QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, timeoutMs);
    return ended && p.state() == QProcess::NotRunning && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline QStringList xy(QPoint p)
{
    return {QString::number(p.x()), QString::number(p.y())};
}

// Presses the left button at `from`, moves in steps to `to` and releases it there, with
// pauses that let both ends of a drag answer.
inline bool dragPointer(QPoint from, QPoint to)
{
    QStringList args;
    args << "mousemove" << xy(from) << "sleep" << "0.2" << "mousedown" << "1" << "sleep" << "0.2";
    for (int step = 1; step <= 6; ++step) {
        const QPoint p = from + (to - from) * step / 6;
        args << "mousemove" << xy(p) << "sleep" << "0.15";
    }
    args << "mousemove" << xy(to + QPoint(1, 0)) << "sleep" << "0.3" << "mousemove" << xy(to) << "sleep" << "0.3"
         << "mouseup" << "1" << "sleep" << "0.3";
    return xdotool(args);
}

// Drags `files` from another process (ZV_URI_DRAG_SOURCE, a small file-manager stand-in in
// the screen's bottom-right corner) and drops them at `to`, in global coordinates.
inline bool dragFilesFromOutside(const QStringList &files, QPoint to)
{
    QProcess source;
    source.start(QStringLiteral(ZV_URI_DRAG_SOURCE), files);
    if (!source.waitForStarted(5000)
        || !QTest::qWaitFor([&source] { return source.canReadLine() || source.state() != QProcess::Running; },
                            10000)
        || source.state() != QProcess::Running)
        return false;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const bool ok = dragPointer(QPoint(screen.right() - 35, screen.bottom() - 35), to);
    if (!QTest::qWaitFor([&source] { return source.state() == QProcess::NotRunning; }, 5000)) {
        source.kill();
        source.waitForFinished(2000);
    }
    return ok;
}

} // namespace zv::test
