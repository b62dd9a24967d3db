#pragma once

// Opening a film with libavformat for the readers in this folder: bounded probing, an interrupt
// callback for progress and cancelling, and the reasons for a failure in Polish.

#include <QString>

#include <chrono>
#include <functional>

extern "C" {
#include <libavformat/avformat.h>
}

namespace zv::media::detail {

class FilmInput {
public:
    FilmInput() = default;
    FilmInput(const FilmInput &) = delete;
    FilmInput &operator=(const FilmInput &) = delete;
    ~FilmInput();

    // Opens `path` and reads the container's header; false with `error()` set when it is not a
    // film that libavformat can read. `onIo` is called from inside the reads (every 32 KiB or
    // so); returning false aborts the read in progress.
    bool open(const QString &path, std::function<bool()> onIo = {});

    AVFormatContext *context() const { return ctx_; }
    const QString &error() const { return error_; }
    // How far the reading got, from 0 to 1 by bytes.
    double bytePosition() const;
    // True when the container says it is longer than the file: a download or copy cut short.
    // Matroska's demuxer reads such a file to its end as if it were complete.
    bool endsEarly() const;

private:
    static int interrupt(void *self);

    AVFormatContext *ctx_ = nullptr;
    std::function<bool()> onIo_;
    bool aborted_ = false;
    int64_t fileSize_ = 0;
    QString path_;
    QString error_;
};

// Subtitles drawn as pictures (PGS, VobSub, DVB): nothing to read as text.
bool isImageSubtitle(AVCodecID id);

// "plik nie istnieje", ... for a libav error code.
QString describeAvError(int code);

} // namespace zv::media::detail
