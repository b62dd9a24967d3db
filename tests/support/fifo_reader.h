#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace zv::test {

// Holds a FIFO open for reading, without blocking: a writer then opens it at once and a short
// text fits whole in the pipe, so no reader thread is needed, and a writer that replaced the
// FIFO instead of opening it leaves readAll() empty rather than a test hanging.
class FifoReader {
public:
    explicit FifoReader(const QString &path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~FifoReader()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FifoReader(const FifoReader &) = delete;
    FifoReader &operator=(const FifoReader &) = delete;

    bool ok() const { return fd_ >= 0; }
    // What is in the pipe now.
    QByteArray readAll()
    {
        QByteArray out;
        char buf[4096];
        for (ssize_t n; fd_ >= 0 && (n = ::read(fd_, buf, sizeof buf)) > 0;)
            out.append(buf, qsizetype(n));
        return out;
    }

private:
    int fd_ = -1;
};

} // namespace zv::test
