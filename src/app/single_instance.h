#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace zv {

// One running instance per user. The marker is a lock file plus a local socket in the user's
// runtime folder ($ZENTAVISTA_RUNTIME_DIR, else $XDG_RUNTIME_DIR, else a private 0700 folder
// under /tmp). A later start hands its file to the running one over the socket and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject *parent = nullptr); // name/folder from the environment override
    ~SingleInstance() override;

    // true: this process is the running instance (marker held, listening). Also true, with a
    // warning, when no private runtime folder can be had: the program then runs on its own.
    bool becomePrimary();
    bool isListening() const;

    // Second instance: sends `absolutePath` to the running one; true when delivered and
    // accepted. Retries while the running instance is still starting up, up to `timeoutMs`.
    static bool handOff(const QString &absolutePath, int timeoutMs = 2000);

    // The folder holding the marker, created 0700 if needed; empty when no safe folder exists.
    static QString runtimeDir();
    static QString lockPath();
    static QString socketPath();

signals:
    void fileHandedOver(const QString &absolutePath); // on the UI thread, only existing local files

private:
    void acceptConnections();
    void readMessage(QLocalSocket *socket);
    void finish(QLocalSocket *socket, bool accepted);

    std::unique_ptr<QLockFile> lock_;
    QLocalServer *server_ = nullptr;
    int openConnections_ = 0;
};

} // namespace zv
