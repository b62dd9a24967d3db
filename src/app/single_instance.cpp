#include "app/single_instance.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zv {

namespace {

// Message: "ZVOPEN1 <byte count>\n<UTF-8 path>"; the reply is "OK\n" or "NO\n".
constexpr char kMagic[] = "ZVOPEN1 ";
constexpr qsizetype kMagicLength = sizeof(kMagic) - 1;
constexpr qsizetype kMaxPathBytes = 4096;                  // PATH_MAX
constexpr qsizetype kMaxHeader = kMagicLength + 4 + 1;     // four digits and the newline
constexpr qsizetype kMaxMessage = kMaxHeader + kMaxPathBytes;
constexpr int kMaxConnections = 8;
constexpr int kReadTimeoutMs = 3000;
constexpr qint64 kLockSettleMs = 2000;
const char kDoneProperty[] = "zvHandOffDone";

enum class Parse { Incomplete, Malformed, Complete };

Parse parseMessage(const QByteArray &data, QByteArray *path)
{
    const qsizetype prefix = qMin(data.size(), kMagicLength);
    if (data.left(prefix) != QByteArray(kMagic, prefix))
        return Parse::Malformed;
    const qsizetype newline = data.indexOf('\n');
    if (newline < 0)
        return data.size() >= kMaxHeader ? Parse::Malformed : Parse::Incomplete;
    const QByteArray digits = data.mid(kMagicLength, newline - kMagicLength);
    if (digits.isEmpty() || digits.size() > 4)
        return Parse::Malformed;
    qsizetype length = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return Parse::Malformed;
        length = length * 10 + (c - '0');
    }
    if (length == 0 || length > kMaxPathBytes)
        return Parse::Malformed;
    const qsizetype total = newline + 1 + length;
    if (data.size() < total)
        return Parse::Incomplete;
    if (data.size() > total)
        return Parse::Malformed;
    *path = data.mid(newline + 1);
    return Parse::Complete;
}

// The path the running instance may open, or empty: strict UTF-8, absolute, and an existing
// regular file or folder (a FIFO or device would stall whoever reads it).
QString acceptablePath(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString path = decoder(bytes);
    if (decoder.hasError() || path.contains(QChar(0)) || !QDir::isAbsolutePath(path))
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
        socket->setReadBufferSize(kMaxMessage + 1);
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
    if (available > kMaxMessage) {
        finish(socket, false);
        return;
    }
    QByteArray bytes;
    switch (parseMessage(socket->peek(available), &bytes)) {
    case Parse::Incomplete:
        return;
    case Parse::Malformed:
        finish(socket, false);
        return;
    case Parse::Complete:
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
    if (absolutePath.isEmpty() || absolutePath.contains(QChar(0)))
        return false;
    const QByteArray payload = absolutePath.toUtf8();
    if (payload.size() > kMaxPathBytes)
        return false;
    const QString name = socketPath();
    if (name.isEmpty() || !socketPathFits(name))
        return false;
    const QByteArray message = kMagic + QByteArray::number(payload.size()) + '\n' + payload;

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
