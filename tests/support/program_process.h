#pragma once

// The real program run as a child process in private state and runtime folders, for tests of
// what only a whole process shows: signals, exit codes, the files left behind.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace zv::test {

struct Program {
    QTemporaryDir home, runtime;
    // Largest file the program may write, in bytes (RLIMIT_FSIZE); 0: no limit. Writes beyond
    // it fail as on a full disk (SIGXFSZ is ignored, so the write returns an error instead).
    rlim_t fileSizeLimit = 0;

    QString file(const QString &name) const { return QDir(home.path()).filePath(name); }
    QString ini() const { return file(QStringLiteral("zentavista.ini")); }

    // `program` is the path of the zentavista binary (the test target's ZV_PROGRAM).
    void start(QProcess &p, const QString &program, const QStringList &args = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZENTAVISTA_HOME", home.path());
        env.insert("ZENTAVISTA_RUNTIME_DIR", runtime.path());
        p.setProcessEnvironment(env);
        if (p.processChannelMode() == QProcess::SeparateChannels)
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const rlim_t limit = fileSizeLimit;
        if (limit != 0) {
            p.setChildProcessModifier([limit] {
                ::signal(SIGXFSZ, SIG_IGN);
                const struct rlimit r {limit, limit};
                ::setrlimit(RLIMIT_FSIZE, &r);
            });
        }
        p.start(program, args);
    }
    // Running once it listens for later starts; its signal watcher is in place by then, and a
    // signal from then on waits for the message loop.
    bool startRunning(QProcess &p, const QString &program)
    {
        start(p, program);
        return p.waitForStarted(10000)
            && QTest::qWaitFor([&] { return !QDir(runtime.path()).entryList(QDir::System).isEmpty(); }, 20000)
            && p.state() == QProcess::Running;
    }
};

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

} // namespace zv::test
