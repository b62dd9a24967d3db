#include "app/single_instance.h"
#include "app/start_question.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

using namespace zv;

namespace {

// A host process: zv_instance_host run with a private runtime folder.
class Host {
public:
    Host(const QString &runtime, const QStringList &args, const QStringList &env = {},
         const QString &workDir = {})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("ZENTAVISTA_RUNTIME_DIR", runtime);
        for (const QString &kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        proc.setProcessEnvironment(e);
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!workDir.isEmpty())
            proc.setWorkingDirectory(workDir);
        proc.start(QStringLiteral(ZV_INSTANCE_HOST), args);
    }
    ~Host()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(5000);
        }
    }

    // Reads stdout until a line starting with `prefix` arrives; returns it, or empty.
    QString waitForLine(const QString &prefix, int timeoutMs = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            slurp();
            for (qsizetype i = seen; i < lines.size(); ++i) {
                if (lines[i].startsWith(prefix)) {
                    seen = i + 1;
                    return lines[i];
                }
            }
            const int left = int(timeoutMs - clock.elapsed());
            if (left <= 0 || proc.state() == QProcess::NotRunning)
                return QString();
            proc.waitForReadyRead(qMin(left, 200));
        }
    }
    QStringList linesStartingWith(const QString &prefix)
    {
        slurp();
        QStringList out;
        for (const QString &l : std::as_const(lines))
            if (l.startsWith(prefix))
                out << l;
        return out;
    }
    int finish(int timeoutMs = 15000)
    {
        if (proc.state() != QProcess::NotRunning && !proc.waitForFinished(timeoutMs))
            return -1;
        slurp();
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -2;
    }
    void signal(int sig) { ::kill(pid_t(proc.processId()), sig); }

    QProcess proc;

private:
    void slurp()
    {
        partial += proc.readAllStandardOutput();
        qsizetype nl;
        while ((nl = partial.indexOf('\n')) >= 0) {
            lines << QString::fromUtf8(partial.left(nl));
            partial.remove(0, nl + 1);
        }
    }
    QByteArray partial;
    QStringList lines;
    qsizetype seen = 0;
};

class Instance : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        ASSERT_TRUE(files.isValid());
        previous = qgetenv("ZENTAVISTA_RUNTIME_DIR");
        qputenv("ZENTAVISTA_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void TearDown() override { qputenv("ZENTAVISTA_RUNTIME_DIR", previous); }

    QString makeFile(const QString &name)
    {
        const QString path = files.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    std::unique_ptr<Host> startPrimary(const QStringList &env = {})
    {
        auto host = std::make_unique<Host>(runtime.path(), QStringList(), env);
        EXPECT_FALSE(host->waitForLine("primary ").isEmpty()) << "host did not become primary";
        return host;
    }
    int handOffFrom(const QStringList &args, const QString &workDir = {})
    {
        Host second(runtime.path(), args, {"ZV_HOST_HANDOFF_MS=10000"}, workDir);
        return second.finish();
    }

    QTemporaryDir runtime, files;
    QByteArray previous;
};

// Sends raw bytes to the running instance; returns its reply (empty when it just hangs up).
QByteArray sendRaw(const QByteArray &bytes)
{
    QLocalSocket s;
    s.connectToServer(SingleInstance::socketPath());
    if (!s.waitForConnected(3000))
        return "no connection";
    s.write(bytes);
    s.waitForBytesWritten(3000);
    QByteArray reply;
    while (s.state() == QLocalSocket::ConnectedState && s.waitForReadyRead(5000))
        reply += s.readAll();
    return reply + s.readAll();
}

QByteArray message(const QByteArray &path)
{
    return "ZVOPEN1 " + QByteArray::number(path.size()) + "\n" + path;
}

TEST_F(Instance, SecondStartHandsOverOnlyItsFirstFile)
{
    const QString a = makeFile("pierwszy film.avi"), b = makeFile("drugi.avi");
    auto primary = startPrimary();

    EXPECT_EQ(handOffFrom({a, b}), 2);
    EXPECT_EQ(primary->waitForLine("file "), "file " + a);
    // A relative name arrives as the absolute path, resolved where the second start ran.
    EXPECT_EQ(handOffFrom({"./drugi.avi", "/f"}, files.path()), 2);
    EXPECT_EQ(primary->waitForLine("file "), "file " + b);

    EXPECT_EQ(handOffFrom({}), 3);                          // nothing to hand over
    EXPECT_EQ(handOffFrom({files.filePath("brak.avi")}), 4); // refused: no such file
    EXPECT_EQ(handOffFrom({"/f", a}), 4);                    // only the first parameter counts
    EXPECT_EQ(primary->linesStartingWith("file ").size(), 2);
    EXPECT_EQ(primary->proc.state(), QProcess::Running);
}

TEST_F(Instance, KilledPrimaryNeverBlocksTheNextStart)
{
    const QString a = makeFile("a.avi");
    auto first = startPrimary();
    first->proc.kill();
    first->proc.waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(SingleInstance::lockPath()));
    ASSERT_TRUE(QFileInfo::exists(SingleInstance::socketPath()));

    QElapsedTimer clock;
    clock.start();
    auto second = startPrimary();
    EXPECT_LT(clock.elapsed(), 5000); // no waiting for the stale marker to age
    EXPECT_EQ(handOffFrom({a}), 2);
    EXPECT_EQ(second->waitForLine("file "), "file " + a);
}

TEST_F(Instance, OldLockWithoutALiveHolderIsTakenOver)
{
    // An unreadable lock (a crash while writing it) whose flock nobody holds.
    {
        QFile lock(SingleInstance::lockPath());
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write("garbage");
        lock.flush();
        ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    }
    auto primary = startPrimary();
    // The live holder's lock, however old, stays.
    QFile lock(SingleInstance::lockPath());
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    EXPECT_EQ(handOffFrom({}), 3);
    EXPECT_EQ(primary->proc.state(), QProcess::Running);
}

TEST_F(Instance, SimultaneousStartsLeaveExactlyOnePrimary)
{
    const QString a = makeFile("a.avi");
    constexpr int kStarts = 6;
    std::vector<std::unique_ptr<Host>> hosts;
    for (int i = 0; i < kStarts; ++i)
        hosts.push_back(std::make_unique<Host>(runtime.path(), QStringList{a},
                                               QStringList{"ZV_HOST_HANDOFF_MS=20000"}));
    QElapsedTimer clock;
    clock.start();
    std::vector<Host *> running;
    do {
        running.clear();
        for (auto &h : hosts)
            if (h->proc.state() != QProcess::NotRunning && !h->proc.waitForFinished(20))
                running.push_back(h.get());
    } while (running.size() > 1 && clock.elapsed() < 30000);
    ASSERT_EQ(running.size(), 1u);
    Host *primary = running.front();
    EXPECT_FALSE(primary->waitForLine("primary ", 0).isEmpty());
    int handedOff = 0;
    for (auto &h : hosts)
        handedOff += h.get() != primary && h->finish() == 2;
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(handedOff, kStarts - 1);
    for (int i = 0; i < kStarts - 1; ++i)
        EXPECT_EQ(primary->waitForLine("file "), "file " + a);
}

TEST_F(Instance, GarbageOnTheSocketIsIgnored)
{
    const QString a = makeFile("a.avi");
    const QString fifo = files.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto primary = startPrimary();

    const QByteArray cases[] = {
        "hello\n",
        "ZVOPEN1 x\n/tmp",
        "ZVOPEN1 -5\n",
        "ZVOPEN1 99999\n",
        "ZVOPEN1 0\n",
        "ZVOPEN1 3\n/tmpEXTRA",
        message("relative.avi"),
        message("/no/such/file.avi"),
        message(QFile::encodeName(fifo)),
        message(QFile::encodeName(a) + '\0'),
        message("/tmp/\xff\xfe.avi"),
        QByteArray(100 * 1024, 'Z'),
        "ZVOPEN1 4096\n" + QByteArray(10000, 'a'),
        "ZVOPEN1 " + QByteArray(64 * 1024, '1'),
    };
    for (const QByteArray &bytes : cases) {
        const QByteArray reply = sendRaw(bytes);
        EXPECT_TRUE(reply.isEmpty() || reply == "NO\n") << bytes.left(40).constData();
    }
    // A sender that hangs up without waiting for the answer.
    {
        QLocalSocket s;
        s.connectToServer(SingleInstance::socketPath());
        ASSERT_TRUE(s.waitForConnected(3000));
        s.write(message(QFile::encodeName(a)));
        s.flush();
        s.abort();
    }
    EXPECT_EQ(primary->waitForLine("file "), "file " + a);
    // Connections that never finish their message are dropped after a while and never
    // stall the instance for good.
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 20; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(SingleInstance::socketPath());
        idle.back()->waitForConnected(1000);
        idle.back()->write("ZVOPEN1 ");
        idle.back()->flush();
    }
    QThread::msleep(4000);
    EXPECT_EQ(sendRaw(message(QFile::encodeName(a))), "OK\n");
    EXPECT_EQ(primary->waitForLine("file "), "file " + a);
    EXPECT_EQ(primary->proc.state(), QProcess::Running);
}

TEST_F(Instance, HandOffWaitsForAPrimaryThatIsStillStarting)
{
    const QString a = makeFile("a.avi");
    // This process holds the lock but listens only later.
    QLockFile lock(SingleInstance::lockPath());
    ASSERT_TRUE(lock.tryLock(0));
    Host second(runtime.path(), {a}, {"ZV_HOST_HANDOFF_MS=8000"});
    QThread::msleep(700);
    QLocalServer server;
    ASSERT_TRUE(server.listen(SingleInstance::socketPath()));
    ASSERT_TRUE(server.waitForNewConnection(8000));
    QLocalSocket *s = server.nextPendingConnection();
    QByteArray got;
    while (got.size() < message(QFile::encodeName(a)).size() && s->waitForReadyRead(5000))
        got += s->readAll();
    EXPECT_EQ(got, message(QFile::encodeName(a)));
    s->write("OK\n");
    s->waitForBytesWritten(2000);
    EXPECT_EQ(second.finish(), 2);

    // Nobody ever listens: the second start gives up after its timeout.
    server.close();
    QElapsedTimer clock;
    clock.start();
    Host third(runtime.path(), {a}, {"ZV_HOST_HANDOFF_MS=600"});
    EXPECT_EQ(third.finish(), 4);
    EXPECT_LT(clock.elapsed(), 8000);
}

TEST_F(Instance, PrimaryInThisProcessDeliversOnTheUiThread)
{
    const QString a = makeFile("a.avi");
    SingleInstance instance;
    ASSERT_TRUE(instance.becomePrimary());
    EXPECT_TRUE(instance.isListening());
    SingleInstance other;
    EXPECT_FALSE(other.becomePrimary());

    QStringList received;
    QEventLoop loop;
    QObject::connect(&instance, &SingleInstance::fileHandedOver, &loop, [&](const QString &p) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        received << p;
        loop.quit();
    });
    Host second(runtime.path(), {a});
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(received, QStringList{a});
    EXPECT_EQ(second.finish(), 2);

    // Only this user may reach the marker.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(SingleInstance::runtimeDir()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST_F(Instance, RuntimeFolderIsCreatedPrivate)
{
    const QString sub = runtime.filePath("nowy/folder");
    qputenv("ZENTAVISTA_RUNTIME_DIR", QFile::encodeName(runtime.filePath("nowy")));
    EXPECT_EQ(SingleInstance::runtimeDir(), runtime.filePath("nowy"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(runtime.filePath("nowy")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Someone else's writable folder is made private before use.
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.filePath("nowy")).constData(), 0777), 0);
    EXPECT_FALSE(SingleInstance::runtimeDir().isEmpty());
    ASSERT_EQ(::stat(QFile::encodeName(runtime.filePath("nowy")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
    Q_UNUSED(sub);
}

struct SignalCase {
    int sig;
    const char *name;
};

class Signals : public Instance, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(Signals, CloseThroughTheNormalPath)
{
    auto host = startPrimary();
    host->signal(GetParam().sig);
    EXPECT_EQ(host->waitForLine("closing "), QStringLiteral("closing %1").arg(GetParam().sig));
    EXPECT_EQ(host->finish(), 0);
    // The clean exit takes the marker away.
    EXPECT_FALSE(QFileInfo::exists(SingleInstance::lockPath()));
    EXPECT_FALSE(QFileInfo::exists(SingleInstance::socketPath()));
}

TEST_P(Signals, SecondSignalDuringSlowShutDownEndsAtOnce)
{
    auto host = startPrimary({"ZV_HOST_SLOW_CLOSE_MS=60000"});
    host->signal(SIGTERM);
    ASSERT_FALSE(host->waitForLine("closing ").isEmpty());
    QElapsedTimer clock;
    clock.start();
    host->signal(GetParam().sig);
    EXPECT_EQ(host->finish(10000), 128 + GetParam().sig);
    EXPECT_LT(clock.elapsed(), 10000);
}

INSTANTIATE_TEST_SUITE_P(Instance, Signals,
    ::testing::Values(SignalCase{SIGTERM, "term"}, SignalCase{SIGINT, "int"}, SignalCase{SIGHUP, "hup"}),
    [](const auto &info) { return std::string(info.param.name); });

// Answers the start question through its buttons once it is shown.
void answerWith(QMessageBox::StandardButton button, QString *title, QString *text, bool *questionIcon)
{
    QTimer::singleShot(50, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            answerWith(button, title, text, questionIcon);
            return;
        }
        *title = box->windowTitle();
        *text = box->text();
        *questionIcon = box->icon() == QMessageBox::Question && box->textFormat() == Qt::PlainText;
        box->button(button)->click();
    });
}

TEST(StartQuestion, OkRunsCancelDeclines)
{
    const struct { QMessageBox::StandardButton button; bool expected; } cases[] = {
        {QMessageBox::Ok, true}, {QMessageBox::Cancel, false}};
    for (const auto &c : cases) {
        QString title, text;
        bool icon = false;
        answerWith(c.button, &title, &text, &icon);
        EXPECT_EQ(askStartQuestion("Czy <b>grać</b>?"), c.expected);
        EXPECT_EQ(title, "Zentavista");
        EXPECT_EQ(text, "Czy <b>grać</b>?");
        EXPECT_TRUE(icon);
    }
}

} // namespace
