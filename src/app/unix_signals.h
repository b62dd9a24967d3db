#pragma once

#include <QObject>

class QSocketNotifier;

namespace zv {

// Turns SIGTERM (desktop logout), SIGINT and SIGHUP (terminal) into a signal on the UI
// thread, so that the main window closes through its normal path. The handler only writes
// the signal number into a pipe; a second such signal while the first is being handled
// ends the process at once with 128 + the signal number. A signal ignored when the program
// started (nohup, background jobs) stays ignored.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    // Installs the handlers once per process; later calls return the same watcher.
    // nullptr when the pipe cannot be made.
    static UnixSignalWatcher *install(QObject *parent);
    ~UnixSignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    explicit UnixSignalWatcher(int readFd, QObject *parent);
    void drain();

    int readFd_;
    QSocketNotifier *notifier_;
};

} // namespace zv
