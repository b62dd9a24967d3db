#pragma once

#include "core/subtitles/subtitle_loader.h"

#include <QElapsedTimer>
#include <QString>

// Pieces shared by the three line-format loaders.
namespace zv::loader_support {

// What one line (or one bracket tag) turned out to be.
enum class LineStatus { Ok, Skipped, Unrecognised };

// Calls the progress callback at most about every 100 ms; the clock is looked at only every
// 1024 lines, so a normal line costs one test and branch.
class ProgressTicker {
public:
    ProgressTicker(const LoadProgress &callback, qsizetype total);
    void step(qsizetype done)
    {
        if (callback_ && done != 0 && (done & 1023) == 0)
            report(done);
    }

private:
    void report(qsizetype done);

    const LoadProgress &callback_;
    qsizetype total_;
    QElapsedTimer clock_;
};

// The part of `line` from index `from` on. Takes the line's own buffer when nobody else shares
// it (the loaders receive the candidate lines by value), so a text costs no copy.
QString takeTail(QString &line, qsizetype from);

} // namespace zv::loader_support
