#include "core/subtitles/loader_support.h"

namespace zv::loader_support {

namespace {
constexpr qint64 kProgressIntervalMs = 100;
}

ProgressTicker::ProgressTicker(const LoadProgress &callback, qsizetype total)
    : callback_(callback), total_(total)
{
    if (callback_)
        clock_.start();
}

void ProgressTicker::report(qsizetype done)
{
    if (clock_.elapsed() < kProgressIntervalMs)
        return;
    callback_(done, total_);
    clock_.restart();
}

QString takeTail(QString &line, qsizetype from)
{
    if (from >= line.size()) {
        line = QString();
        return QString();
    }
    // Removing a prefix of an unshared string only moves its start; a shared one is copied.
    if (from > 0)
        line.remove(0, from);
    return std::move(line);
}

} // namespace zv::loader_support
