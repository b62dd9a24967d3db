#include "app/unix_signals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zv {

namespace {

constexpr int kWatched[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe is made once and never closed: a handler may run at any moment, even while a
// watcher is being destroyed, and must never write to a reused descriptor.
int g_readFd = -1;
std::atomic<int> g_writeFd{-1};
std::atomic<int> g_received{0};
UnixSignalWatcher *g_watcher = nullptr;
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");

// Async-signal-safe: atomics, write() and _exit() only.
void onSignal(int sig)
{
    if (g_received.fetch_add(1) > 0)
        ::_exit(128 + sig);
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    const int fd = g_writeFd.load();
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

UnixSignalWatcher *UnixSignalWatcher::install(QObject *parent)
{
    if (g_watcher)
        return g_watcher;
    if (g_readFd < 0) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return nullptr;
        g_readFd = fds[0];
        g_writeFd.store(fds[1]);
    }
    g_watcher = new UnixSignalWatcher(g_readFd, parent);
    for (int sig : kWatched) {
        struct sigaction previous {};
        if (::sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // The other watched signals wait while one is handled, so the count stays exact.
        for (int other : kWatched)
            sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESTART;
        ::sigaction(sig, &action, nullptr);
    }
    return g_watcher;
}

UnixSignalWatcher::UnixSignalWatcher(int readFd, QObject *parent)
    : QObject(parent)
    , readFd_(readFd)
    , notifier_(new QSocketNotifier(readFd, QSocketNotifier::Read, this))
{
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalWatcher::drain);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    // The handlers stay installed: a signal after this still counts, and a second one
    // still ends the process. Only the delivery to this object stops.
    if (g_watcher == this)
        g_watcher = nullptr;
    notifier_->setEnabled(false);
}

void UnixSignalWatcher::drain()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(readFd_, bytes, sizeof bytes);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            emit terminationRequested(int(bytes[i]));
    }
}

} // namespace zv
