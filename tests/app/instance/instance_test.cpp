#include "app/single_instance.h"
#include "app/start_question.h"

#include <QAbstractButton>
#include <QApplication>
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

using namespace zv;

namespace {

// zv_instance_host run against the test's runtime folder ($ZENTAVISTA_RUNTIME_DIR, inherited).
class Host {
public:
    explicit Host(const QStringList &args, const QStringList &env = {}, const QString &workDir = {},
                  const QString &program = QStringLiteral(ZV_INSTANCE_HOST))
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        proc.setProcessEnvironment(e);
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.setWorkingDirectory(workDir);
        proc.start(program, args);
    }
    ~Host()
    {
        proc.kill();
        proc.waitForFinished(5000);
    }
    // The next unread stdout line starting with `prefix`, or empty after the timeout.
    QString waitForLine(const QString &prefix, int timeoutMs = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            out += proc.readAllStandardOutput();
            qsizetype nl;
            while ((nl = out.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(out.left(nl));
                out.remove(0, nl + 1);
                if (line.startsWith(prefix))
                    return line;
            }
            if (clock.elapsed() >= timeoutMs || proc.state() == QProcess::NotRunning)
                return QString();
            proc.waitForReadyRead(50);
        }
    }
    int finish(int timeoutMs = 15000)
    {
        if (proc.state() != QProcess::NotRunning && !proc.waitForFinished(timeoutMs))
            return -1;
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -2;
    }
    void signal(int sig) { ::kill(pid_t(proc.processId()), sig); }

    QProcess proc;
    QByteArray out;
};

class Instance : public ::testing::Test {
protected:
    void SetUp() override { qputenv("ZENTAVISTA_RUNTIME_DIR", runtime.path().toUtf8()); }
    void TearDown() override { qunsetenv("ZENTAVISTA_RUNTIME_DIR"); }

    QString makeFile(const QString &name)
    {
        QFile f(files.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    }
    static std::unique_ptr<Host> startPrimary(const QStringList &env = {})
    {
        auto host = std::make_unique<Host>(QStringList(), env);
        EXPECT_FALSE(host->waitForLine("primary ").isEmpty()) << "host did not become primary";
        return host;
    }
    static int handOffFrom(const QStringList &args, const QString &workDir = {})
    {
        return Host(args, {"ZV_HOST_HANDOFF_MS=10000"}, workDir).finish();
    }

    QTemporaryDir runtime, files;
};

QByteArray message(const QByteArray &path)
{
    return "ZVOPEN1 " + QByteArray::number(path.size()) + "\n" + path;
}

// Sends raw bytes to the running instance; its reply, empty when it just hangs up.
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

TEST_F(Instance, SecondStartHandsOverOnlyItsFirstFile)
{
    const QString a = makeFile("pierwszy film.avi"), b = makeFile("drugi.avi");
    auto primary = startPrimary();

    EXPECT_EQ(handOffFrom({a, b}), 2);
    EXPECT_EQ(primary->waitForLine("file "), "file " + a);
    // A relative name arrives absolute, resolved where the second start ran.
    EXPECT_EQ(handOffFrom({"./drugi.avi", "/f"}, files.path()), 2);
    EXPECT_EQ(primary->waitForLine("file "), "file " + b);

    EXPECT_EQ(handOffFrom({}), 3);                           // nothing to hand over
    EXPECT_EQ(handOffFrom({files.filePath("brak.avi")}), 4); // refused: no such file
    EXPECT_EQ(handOffFrom({"/f", a}), 4);                    // only the first parameter counts
    EXPECT_EQ(handOffFrom({QString(100000, 'x')}), 4);
    // Bytes that are not UTF-8 reach argv untouched when a shell passes them.
    Host raw({"-c", QStringLiteral("exec '%1' \"$(printf '/tmp/\\377\\376.avi')\"").arg(ZV_INSTANCE_HOST)},
             {}, {}, "/bin/sh");
    EXPECT_EQ(raw.finish(), 4);
    EXPECT_TRUE(primary->waitForLine("file ", 300).isEmpty());
    EXPECT_EQ(primary->proc.state(), QProcess::Running);
}

TEST_F(Instance, DeadOwnersNeverBlockTheNextStart)
{
    const QString a = makeFile("a.avi");
    startPrimary()->proc.kill(); // SIGKILL leaves the lock and the socket behind
    ASSERT_TRUE(QFileInfo::exists(SingleInstance::lockPath()));
    ASSERT_TRUE(QFileInfo::exists(SingleInstance::socketPath()));
    auto second = startPrimary();
    EXPECT_EQ(handOffFrom({a}), 2);
    EXPECT_EQ(second->waitForLine("file "), "file " + a);
    second.reset();

    // An unreadable lock (a crash while writing it) that nobody holds is taken over...
    QFile lock(SingleInstance::lockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("garbage");
    lock.flush();
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    lock.close();
    auto third = startPrimary();
    // ...while a live holder's lock stays, however old.
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    EXPECT_EQ(handOffFrom({}), 3);
}

TEST_F(Instance, SimultaneousStartsLeaveExactlyOnePrimary)
{
    const QString a = makeFile("a.avi");
    constexpr int kStarts = 6;
    std::vector<std::unique_ptr<Host>> hosts;
    for (int i = 0; i < kStarts; ++i)
        hosts.push_back(std::make_unique<Host>(
            QStringList{a}, QStringList{"ZV_HOST_HANDOFF_MS=20000", "ZV_HOST_APP_NAME=Zentavista"}));
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
    for (auto &h : hosts) {
        if (h.get() != primary) {
            EXPECT_EQ(h->finish(), 2);
            EXPECT_EQ(primary->waitForLine("file "), "file " + a);
        }
    }
}

TEST_F(Instance, GarbageOnTheSocketIsIgnored)
{
    const QString a = makeFile("a.avi");
    const QString fifo = files.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto primary = startPrimary();

    const QByteArray cases[] = {
        "hello\n", "ZVOPEN1 x\n/tmp", "ZVOPEN1 -5\n", "ZVOPEN1 99999\n", "ZVOPEN1 0\n",
        "ZVOPEN1 3\n/tmpEXTRA", message("relative.avi"), message("/no/such/file.avi"),
        message(QFile::encodeName(fifo)), message(QFile::encodeName(a) + '\0'),
        message("/tmp/\xff\xfe.avi"), QByteArray(100 * 1024, 'Z'),
        "ZVOPEN1 4096\n" + QByteArray(10000, 'a'), "ZVOPEN1 " + QByteArray(64 * 1024, '1'),
    };
    for (const QByteArray &bytes : cases) {
        const QByteArray reply = sendRaw(bytes);
        EXPECT_TRUE(reply.isEmpty() || reply == "NO\n") << bytes.left(40).constData();
    }
    EXPECT_TRUE(primary->waitForLine("file ", 300).isEmpty());

    // A sender that hangs up without waiting for the answer is still heard.
    QLocalSocket quick;
    quick.connectToServer(SingleInstance::socketPath());
    ASSERT_TRUE(quick.waitForConnected(3000));
    quick.write(message(QFile::encodeName(a)));
    quick.flush();
    quick.abort();
    EXPECT_EQ(primary->waitForLine("file "), "file " + a);

    // Senders that never finish are dropped after a while and do not stall the instance.
    std::vector<std::unique_ptr<QLocalSocket>> idle(20);
    for (auto &s : idle) {
        s = std::make_unique<QLocalSocket>();
        s->connectToServer(SingleInstance::socketPath());
        s->waitForConnected(1000);
        s->write("ZVOPEN1 ");
        s->flush();
    }
    QThread::msleep(4000);
    EXPECT_EQ(sendRaw(message(QFile::encodeName(a))), "OK\n");
    EXPECT_EQ(primary->waitForLine("file "), "file " + a);
}

TEST_F(Instance, HandOffWaitsForAPrimaryThatIsStillStarting)
{
    const QString a = makeFile("a.avi");
    QLockFile lock(SingleInstance::lockPath()); // held here, listening only later
    ASSERT_TRUE(lock.tryLock(0));
    Host second({a}, {"ZV_HOST_HANDOFF_MS=8000"});
    QThread::msleep(700);
    QLocalServer server;
    ASSERT_TRUE(server.listen(SingleInstance::socketPath()));
    ASSERT_TRUE(server.waitForNewConnection(8000));
    QLocalSocket *s = server.nextPendingConnection();
    const QByteArray expected = message(QFile::encodeName(a));
    QByteArray got;
    while (got.size() < expected.size() && s->waitForReadyRead(5000))
        got += s->readAll();
    EXPECT_EQ(got, expected);
    s->write("OK\n");
    s->waitForBytesWritten(2000);
    EXPECT_EQ(second.finish(), 2);

    server.close(); // nobody listens: the second start gives up after its timeout
    EXPECT_EQ(Host({a}, {"ZV_HOST_HANDOFF_MS=600"}).finish(), 4);
}

TEST_F(Instance, PrimaryInThisProcessSignalsOnTheUiThread)
{
    const QString a = makeFile("a.avi");
    SingleInstance instance, other;
    ASSERT_TRUE(instance.becomePrimary());
    EXPECT_TRUE(instance.isListening());
    EXPECT_FALSE(other.becomePrimary());

    QStringList received;
    QEventLoop loop;
    QObject::connect(&instance, &SingleInstance::fileHandedOver, &loop, [&](const QString &p) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        received << p;
        loop.quit();
    });
    Host second({a});
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(received, QStringList{a});
    EXPECT_EQ(second.finish(), 2);
}

TEST_F(Instance, RuntimeFolderIsMadePrivate)
{
    const QByteArray dir = QFile::encodeName(runtime.filePath("nowy"));
    qputenv("ZENTAVISTA_RUNTIME_DIR", dir);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(SingleInstance::runtimeDir(), QFile::decodeName(dir));
        struct stat st {};
        ASSERT_EQ(::stat(dir.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ::chmod(dir.constData(), 0777); // a folder others may write to is closed first
    }
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
    EXPECT_FALSE(QFileInfo::exists(SingleInstance::lockPath()));
    EXPECT_FALSE(QFileInfo::exists(SingleInstance::socketPath()));
}

TEST_P(Signals, SecondSignalDuringSlowShutDownEndsAtOnce)
{
    auto host = startPrimary({"ZV_HOST_SLOW_CLOSE_MS=60000"});
    host->signal(SIGTERM);
    ASSERT_FALSE(host->waitForLine("closing ").isEmpty());
    host->signal(GetParam().sig);
    EXPECT_EQ(host->finish(10000), 128 + GetParam().sig);
}

INSTANTIATE_TEST_SUITE_P(Instance, Signals,
    ::testing::Values(SignalCase{SIGTERM, "term"}, SignalCase{SIGINT, "int"}, SignalCase{SIGHUP, "hup"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Instance, HangUpIgnoredAtStartStaysIgnored)
{
    Host host({"-c", QStringLiteral("trap '' HUP; exec '%1'").arg(ZV_INSTANCE_HOST)}, {}, {}, "/bin/sh");
    ASSERT_FALSE(host.waitForLine("primary ").isEmpty());
    host.signal(SIGHUP);
    EXPECT_TRUE(host.waitForLine("closing ", 500).isEmpty());
    host.signal(SIGTERM);
    EXPECT_EQ(host.waitForLine("closing "), QStringLiteral("closing %1").arg(SIGTERM));
    EXPECT_EQ(host.finish(), 0);
}

TEST(StartQuestion, OkRunsCancelDeclines)
{
    for (auto [button, expected] : {std::pair{QMessageBox::Ok, true}, std::pair{QMessageBox::Cancel, false}}) {
        QString title, text;
        bool questionIcon = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&, button = button] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                questionIcon = box->icon() == QMessageBox::Question && box->textFormat() == Qt::PlainText;
                box->button(button)->click();
            }
        });
        poll.start(20);
        EXPECT_EQ(askStartQuestion("Czy <b>grać</b>?"), expected);
        EXPECT_EQ(title, "Zentavista");
        EXPECT_EQ(text, "Czy <b>grać</b>?");
        EXPECT_TRUE(questionIcon);
    }
}

} // namespace
