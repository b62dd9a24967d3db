#include "app/single_instance.h"

#include "core/app/handoff_message.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zv {

namespace {

constexpr int kMaxConnections = 8;
constexpr int kReadTimeoutMs = 3000;
constexpr qint64 kLockSettleMs = 2000;
const char kDoneProperty[] = "zvHandOffDone";

// The path the running instance may open, or empty: strict UTF-8, absolute, and an existing
// regular file or folder (a FIFO or device would stall whoever reads it).
QString acceptablePath(const QByteArray &bytes)
{
    const QString path = handOffPathText(bytes);
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (!info.exists() || !(info.isFile() || info.isDir()))
        return QString();
    return QDir::cleanPath(path);
}

// A folder only this user can write to: owned by us, no write bits for group or others.
// `createPrivate` makes it (0700) when missing; `noLinks` refuses a symbolic link, which in
// a shared folder such as /tmp could point anywhere.
bool privateFolder(const QByteArray &path, bool createPrivate, bool noLinks)
{
    struct stat st {};
    auto look = [&] { return (noLinks ? ::lstat(path.constData(), &st) : ::stat(path.constData(), &st)) == 0; };
    if (!look()) {
        if (!createPrivate || errno != ENOENT)
            return false;
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (!look())
            return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return createPrivate && ::chmod(path.constData(), 0700) == 0;
    return true;
}

bool socketPathFits(const QString &path)
{
    return QFile::encodeName(path).size() < qsizetype(sizeof(sockaddr_un::sun_path));
}

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    // The socket goes first: whoever takes the lock next owns the socket name.
    if (server_)
        server_->close();
    lock_.reset();
}

QString SingleInstance::runtimeDir()
{
    const QByteArray override = qgetenv("ZENTAVISTA_RUNTIME_DIR");
    if (!override.isEmpty())
        return privateFolder(override, true, false) ? QFile::decodeName(override) : QString();
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (xdg.startsWith('/') && privateFolder(xdg, false, false))
        return QFile::decodeName(xdg);
    const QByteArray fallback = "/tmp/zentavista-" + QByteArray::number(uint(::geteuid()));
    if (privateFolder(fallback, true, true))
        return QFile::decodeName(fallback);
    return QString();
}

QString SingleInstance::lockPath()
{
    const QString dir = runtimeDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/zentavista.lock");
}

QString SingleInstance::socketPath()
{
    const QString dir = runtimeDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/zentavista.socket");
}

bool SingleInstance::isListening() const
{
    return server_ && server_->isListening();
}

bool SingleInstance::becomePrimary()
{
    if (lock_ && lock_->isLocked())
        return true;
    const QString lockFile = lockPath();
    if (lockFile.isEmpty()) {
        qWarning("zentavista: no private runtime folder; running without the single-instance check");
        return true;
    }
    lock_ = std::make_unique<QLockFile>(lockFile);
    // The lock lives as long as the program; only a dead owner makes it stale, never its age.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        if (lock_->error() != QLockFile::LockFailedError) {
            qWarning("zentavista: cannot create %s; running without the single-instance check",
                     qPrintable(lockFile));
            lock_.reset();
            return true;
        }
        // The owner's flock dies with it, so an old lock that nobody holds (unreadable, or
        // its PID reused by another process) can go. removeStaleLockFile() refuses while a
        // live owner holds the flock.
        const QDateTime modified = QFileInfo(lockFile).lastModified();
        const qint64 age = modified.isValid() ? modified.msecsTo(QDateTime::currentDateTime()) : 0;
        if (age < kLockSettleMs || !lock_->removeStaleLockFile() || !lock_->tryLock(0)) {
            lock_.reset();
            return false;
        }
    }
    // We hold the lock, so any socket file left here belongs to a dead instance.
    const QString name = socketPath();
    QLocalServer::removeServer(name);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxConnections);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (!server_->listen(name))
        qWarning("zentavista: cannot listen on %s: %s", qPrintable(name),
                 qPrintable(server_->errorString()));
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        if (openConnections_ >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++openConnections_;
        // Past the limit Qt stops reading, and the size check below rejects the sender.
        socket->setReadBufferSize(kMaxHandOffMessage + 1);
        auto *timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, socket] { finish(socket, false); });
        timer->start(kReadTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readMessage(socket);
            finish(socket, false);
        });
        readMessage(socket);
    }
}

void SingleInstance::readMessage(QLocalSocket *socket)
{
    if (socket->property(kDoneProperty).toBool())
        return;
    const qint64 available = socket->bytesAvailable();
    if (available > kMaxHandOffMessage) {
        finish(socket, false);
        return;
    }
    QByteArray bytes;
    switch (parseHandOffMessage(socket->peek(available), &bytes)) {
    case HandOffParse::Incomplete:
        return;
    case HandOffParse::Malformed:
        finish(socket, false);
        return;
    case HandOffParse::Complete:
        break;
    }
    socket->read(available);
    const QString path = acceptablePath(bytes);
    finish(socket, !path.isEmpty());
    if (path.isEmpty())
        return;
    // Queued, so that whatever the receiver does (nested event loops included) runs after
    // this connection is done with.
    QMetaObject::invokeMethod(this, [this, path] { emit fileHandedOver(path); }, Qt::QueuedConnection);
}

void SingleInstance::finish(QLocalSocket *socket, bool accepted)
{
    if (socket->property(kDoneProperty).toBool())
        return;
    socket->setProperty(kDoneProperty, true);
    --openConnections_;
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(accepted ? "OK\n" : "NO\n");
        socket->disconnectFromServer();
    }
    if (socket->state() == QLocalSocket::UnconnectedState)
        socket->deleteLater();
    else
        QTimer::singleShot(1000, socket, [socket] { socket->abort(); socket->deleteLater(); });
}

bool SingleInstance::handOff(const QString &absolutePath, int timeoutMs)
{
    const QByteArray message = handOffMessage(absolutePath);
    if (message.isEmpty())
        return false;
    const QString name = socketPath();
    if (name.isEmpty() || !socketPathFits(name))
        return false;

    QElapsedTimer clock;
    clock.start();
    auto remaining = [&] { return int(qMax<qint64>(0, timeoutMs - clock.elapsed())); };
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(remaining())) {
            socket.write(message);
            while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(remaining())) {
            }
            if (socket.bytesToWrite() > 0)
                return false;
            while (socket.bytesAvailable() < 3 && socket.waitForReadyRead(remaining())) {
            }
            return socket.read(3) == "OK\n";
        }
        // The running instance may hold the lock but not listen yet.
        const auto error = socket.error();
        const bool notYet = error == QLocalSocket::ServerNotFoundError
            || error == QLocalSocket::ConnectionRefusedError;
        if (!notYet || remaining() == 0)
            return false;
        QThread::msleep(qMin(50, remaining()));
    }
}

} // namespace zv
