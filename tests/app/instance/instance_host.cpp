// A stand-in for the program's entry: takes the marker or hands its first parameter over,
// prints what reaches it, and closes on a termination signal.
//   stdout: "primary <pid>", "file <path>" per hand-over, "closing <signal>".
//   exit:   0 closed normally, 2 handed off, 3 nothing to hand off, 4 hand-off failed.
//   env:    ZV_HOST_SLOW_CLOSE_MS  busy this long after "closing" (a slow shut-down)
//           ZV_HOST_HANDOFF_MS     hand-off timeout (default 2000)
//           ZV_HOST_APP_NAME       application name (the program's differs from its file name)
#include "app/single_instance.h"
#include "app/unix_signals.h"
#include "core/app/command_line.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZV_HOST_APP_NAME"))
        QCoreApplication::setApplicationName(qEnvironmentVariable("ZV_HOST_APP_NAME"));
    zv::UnixSignalWatcher *watcher = zv::UnixSignalWatcher::install(&app);
    if (!watcher)
        return 5;
    const zv::CommandLine cl = zv::parseCommandLine(app.arguments().mid(1));

    zv::SingleInstance instance;
    if (!instance.becomePrimary()) {
        if (cl.params.isEmpty())
            return 3;
        const int timeout = qEnvironmentVariableIsSet("ZV_HOST_HANDOFF_MS")
            ? qEnvironmentVariableIntValue("ZV_HOST_HANDOFF_MS") : 2000;
        return zv::SingleInstance::handOff(zv::LongPathOf(cl.params.first()), timeout) ? 2 : 4;
    }
    say(QStringLiteral("primary %1").arg(QCoreApplication::applicationPid()));

    QObject::connect(&instance, &zv::SingleInstance::fileHandedOver, &app,
                     [](const QString &path) { say(QStringLiteral("file ") + path); });
    QObject::connect(watcher, &zv::UnixSignalWatcher::terminationRequested, &app, [](int sig) {
        say(QStringLiteral("closing %1").arg(sig));
        QThread::msleep(qEnvironmentVariableIntValue("ZV_HOST_SLOW_CLOSE_MS"));
        QCoreApplication::quit();
    });
    return app.exec();
}
