#include "core/media/film_input.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zv::media::detail {

FilmInput::~FilmInput()
{
    if (ctx_)
        avformat_close_input(&ctx_);
}

int FilmInput::interrupt(void *self)
{
    auto *in = static_cast<FilmInput *>(self);
    if (!in->aborted_ && in->onIo_ && !in->onIo_())
        in->aborted_ = true;
    return in->aborted_ ? 1 : 0;
}

bool FilmInput::open(const QString &path, std::function<bool()> onIo)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error_ = QStringLiteral("Plik „%1” nie istnieje.").arg(path);
        return false;
    }
    // A FIFO or a device would block the reader in open() itself, beyond any interrupt.
    if (!info.isFile()) {
        error_ = QStringLiteral("„%1” nie jest zwykłym plikiem.").arg(path);
        return false;
    }
    fileSize_ = info.size();
    path_ = path;
    onIo_ = std::move(onIo);

    ctx_ = avformat_alloc_context();
    if (!ctx_) {
        error_ = QStringLiteral("Za mało pamięci, by otworzyć film.");
        return false;
    }
    ctx_->interrupt_callback.callback = &FilmInput::interrupt;
    ctx_->interrupt_callback.opaque = this;
    AVDictionary *options = nullptr;
    // Bounded probing: a damaged or odd file must not make the reader scan gigabytes.
    av_dict_set(&options, "probesize", "5000000", 0);
    av_dict_set(&options, "analyzeduration", "3000000", 0);
    // Local files only: a playlist-like container must not make the reader fetch URLs.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The "file:" prefix keeps a name such as "pipe:1.mkv" or "concat:a|b" a file name.
    const QByteArray local = "file:" + QFile::encodeName(path);
    int rc = avformat_open_input(&ctx_, local.constData(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) { // avformat_open_input frees the context on failure
        ctx_ = nullptr;
        error_ = aborted_ ? QString()
                          : QStringLiteral("Nie można otworzyć filmu „%1”: %2.")
                                .arg(info.fileName(), describeAvError(rc));
        return false;
    }
    // Containers that announce their streams in the header need no look at the packets (and a
    // look at them costs time on a long film); the others are probed within the bounds above.
    if (ctx_->nb_streams == 0 || (ctx_->ctx_flags & AVFMTCTX_NOHEADER)) {
        rc = avformat_find_stream_info(ctx_, nullptr);
        if (rc < 0 && !aborted_) {
            error_ = QStringLiteral("Nie można odczytać ścieżek filmu „%1”: %2.")
                         .arg(info.fileName(), describeAvError(rc));
            return false;
        }
    }
    if (aborted_)
        return false;
    if (ctx_->nb_streams == 0) {
        error_ = QStringLiteral("Plik „%1” nie zawiera żadnej ścieżki.").arg(info.fileName());
        return false;
    }
    return true;
}

double FilmInput::bytePosition() const
{
    if (!ctx_ || !ctx_->pb || fileSize_ <= 0)
        return 0;
    const double at = double(avio_tell(ctx_->pb)) / double(fileSize_);
    return at < 0 ? 0 : at > 1 ? 1 : at;
}

namespace {

// An EBML variable-length number at `at`; its length goes to `*length`, -1 for the "unknown size"
// value, -2 when the bytes are not one.
int64_t ebmlNumber(const QByteArray &b, qsizetype at, int *length, bool keepMarker)
{
    if (at >= b.size())
        return -2;
    const auto first = uint8_t(b[at]);
    int len = 1;
    while (len <= 8 && !(first & (0x80 >> (len - 1))))
        ++len;
    if (len > 8 || at + len > b.size())
        return -2;
    uint64_t value = keepMarker ? first : (first & (0xFF >> len));
    bool allOnes = (first & (0xFF >> len)) == (0xFF >> len);
    for (int i = 1; i < len; ++i) {
        const auto byte = uint8_t(b[at + i]);
        value = (value << 8) | byte;
        allOnes = allOnes && byte == 0xFF;
    }
    *length = len;
    return (!keepMarker && allOnes) ? -1 : int64_t(value);
}

} // namespace

bool FilmInput::endsEarly() const
{
    if (!ctx_ || !ctx_->iformat || qstrncmp(ctx_->iformat->name, "matroska", 8) != 0)
        return false;
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4096);
    // EBML header element, then the Segment element whose size covers the rest of the film.
    int len = 0;
    qsizetype at = 0;
    if (ebmlNumber(head, at, &len, true) != 0x1A45DFA3)
        return false;
    at += len;
    const int64_t headerSize = ebmlNumber(head, at, &len, false);
    if (headerSize < 0)
        return false;
    at += len + headerSize;
    if (ebmlNumber(head, at, &len, true) != 0x18538067)
        return false;
    at += len;
    const int64_t segmentSize = ebmlNumber(head, at, &len, false);
    if (segmentSize < 0) // unknown: a live recording, nothing to compare with
        return false;
    return at + len + segmentSize > fileSize_;
}

bool isImageSubtitle(AVCodecID id)
{
    const AVCodecDescriptor *d = avcodec_descriptor_get(id);
    return d && (d->props & AV_CODEC_PROP_BITMAP_SUB);
}

QString describeAvError(int code)
{
    switch (code) {
    case AVERROR(ENOENT): return QStringLiteral("plik nie istnieje");
    case AVERROR(EACCES):
    case AVERROR(EPERM): return QStringLiteral("brak dostępu do pliku");
    case AVERROR(ENOMEM): return QStringLiteral("za mało pamięci");
    case AVERROR(EIO): return QStringLiteral("błąd odczytu");
    case AVERROR(EISDIR): return QStringLiteral("to jest folder");
    case AVERROR_EOF: return QStringLiteral("plik kończy się przedwcześnie");
    case AVERROR_INVALIDDATA:
        return QStringLiteral("to nie jest film ani nagranie w znanym formacie albo plik jest uszkodzony");
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_PATCHWELCOME: return QStringLiteral("nieobsługiwany format");
    default: return QStringLiteral("błąd %1").arg(code);
    }
}

} // namespace zv::media::detail
