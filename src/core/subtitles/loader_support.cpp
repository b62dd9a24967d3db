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

} // namespace zv::loader_support
