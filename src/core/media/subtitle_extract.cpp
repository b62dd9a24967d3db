#include "core/media/cue_text.h"
#include "core/media/film_input.h"
#include "core/media/film_tracks.h"

#include "core/common/text_codec.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zv::media {

namespace {

using detail::CueMarkup;
using Clock = std::chrono::steady_clock;

// A cue without a duration of its own shows until the next one, but never longer than this.
constexpr int64_t kDefaultCueMs = 4000;

struct RawCue {
    int64_t startMs = 0;
    int64_t endMs = -1; // -1: the track gave no duration
    QByteArray text;    // as stored: any encoding, the track's markup
};

struct PacketDeleter {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct DecoderDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};

// Codecs whose packets are the cue text itself; the others go through libavcodec's decoder,
// which turns them into ASS events.
bool packetIsText(AVCodecID id)
{
    return id == AV_CODEC_ID_SUBRIP || id == AV_CODEC_ID_TEXT || id == AV_CODEC_ID_ASS
        || id == AV_CODEC_ID_SSA || id == AV_CODEC_ID_WEBVTT;
}

CueMarkup markupOf(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_SUBRIP:
    case AV_CODEC_ID_TEXT: return CueMarkup::Html;
    case AV_CODEC_ID_WEBVTT: return CueMarkup::WebVtt;
    default: return CueMarkup::Ass;
    }
}

// Subtitle tracks are UTF-8 by the containers' rules, but old files were muxed from Windows-1250
// or ISO-8859-2 .srt files byte for byte. The track is read as an 8-bit code page when more of
// its cues are not UTF-8 than are UTF-8 with Polish letters; otherwise stray bad bytes become
// U+FFFD.
TextEncoding trackEncoding(const std::vector<RawCue> &cues)
{
    qsizetype invalid = 0, utf8Letters = 0;
    for (const RawCue &c : cues) {
        if (!isValidUtf8(c.text))
            ++invalid;
        else if (std::any_of(c.text.begin(), c.text.end(), [](char ch) { return ch & 0x80; }))
            ++utf8Letters;
    }
    if (invalid == 0 || invalid <= utf8Letters)
        return TextEncoding::Utf8;
    EightBitVotes votes;
    for (const RawCue &c : cues)
        votes.add(c.text);
    return votes.choice();
}

void appendTime(QByteArray &out, int64_t ms)
{
    char buf[32];
    const int64_t h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, f = ms % 1000;
    const int len = std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld,%03lld", (long long)h,
                                  (long long)m, (long long)s, (long long)f);
    out.append(buf, len);
}

struct Converted {
    int64_t startMs;
    int64_t endMs;
    QByteArray text;
};

} // namespace

ExtractedSubtitles extractSubtitleTrack(const QString &path, int subtitleNumber,
                                        const ReadProgress &progress)
{
    ExtractedSubtitles result;
    detail::FilmInput in;
    auto lastReport = Clock::now();
    double reported = 0; // a demuxer may step back to interleave; the fraction never does
    bool cancelled = false;
    // Called between packets and from inside the reads, so a long stretch of other streams'
    // data cannot keep a cancel waiting.
    auto report = [&](bool force) {
        if (!progress || cancelled)
            return !cancelled;
        const auto now = Clock::now();
        if (!force && now - lastReport < std::chrono::milliseconds(40))
            return true;
        lastReport = now;
        reported = std::max(reported, in.bytePosition());
        if (!progress(reported))
            cancelled = true;
        return !cancelled;
    };
    if (!in.open(path, [&] { return report(false); })) {
        result.cancelled = cancelled;
        result.error = in.error();
        return result;
    }
    AVFormatContext *ctx = in.context();
    const QString name = QFileInfo(path).fileName();

    AVStream *stream = nullptr;
    int count = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream *st = ctx->streams[i];
        st->discard = AVDISCARD_ALL;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && ++count == subtitleNumber)
            stream = st;
    }
    if (!stream) {
        result.error = count == 0
            ? QStringLiteral("Film „%1” nie zawiera ścieżek napisów.").arg(name)
            : QStringLiteral("Film „%1” nie ma ścieżki napisów %2 (ma ścieżki od 1 do %3).")
                  .arg(name).arg(subtitleNumber).arg(count);
        return result;
    }
    const AVCodecID codecId = stream->codecpar->codec_id;
    if (detail::isImageSubtitle(codecId)) {
        result.error = QStringLiteral("Ścieżka napisów %1 filmu „%2” zawiera obrazy, nie tekst: "
                                      "nie można jej wczytać.")
                           .arg(subtitleNumber).arg(name);
        return result;
    }
    stream->discard = AVDISCARD_DEFAULT;

    std::unique_ptr<AVCodecContext, DecoderDeleter> decoder;
    if (!packetIsText(codecId)) {
        const AVCodec *codec = avcodec_find_decoder(codecId);
        if (codec)
            decoder.reset(avcodec_alloc_context3(codec));
        if (decoder) {
            avcodec_parameters_to_context(decoder.get(), stream->codecpar);
            decoder->pkt_timebase = stream->time_base;
            // The text is checked and converted here, as for every other track.
            decoder->sub_charenc_mode = FF_SUB_CHARENC_MODE_IGNORE;
            if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
                decoder.reset();
        }
        if (!decoder) {
            result.error = QStringLiteral("Napisów w formacie „%1” (ścieżka %2) nie można odczytać.")
                               .arg(QString::fromLatin1(avcodec_get_name(codecId)))
                               .arg(subtitleNumber);
            return result;
        }
    }

    // Films are played from their first timestamp on, so cue times count from there.
    const int64_t originMs =
        ctx->start_time != AV_NOPTS_VALUE ? av_rescale(ctx->start_time, 1000, AV_TIME_BASE) : 0;
    const AVRational ms{1, 1000};
    std::vector<RawCue> raw;
    qsizetype damagedPackets = 0;
    bool readError = false;
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    for (;;) {
        const int rc = av_read_frame(ctx, packet.get());
        if (rc < 0) {
            readError = !cancelled && (rc != AVERROR_EOF || in.endsEarly());
            break;
        }
        if (packet->stream_index == stream->index) {
            const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (pts == AV_NOPTS_VALUE) {
                ++damagedPackets;
            } else {
                RawCue cue;
                cue.startMs = av_rescale_q(pts, stream->time_base, ms) - originMs;
                if (packet->duration > 0)
                    cue.endMs = cue.startMs + av_rescale_q(packet->duration, stream->time_base, ms);
                if (!decoder) {
                    cue.text = QByteArray(reinterpret_cast<const char *>(packet->data), packet->size);
                } else {
                    AVSubtitle sub{};
                    int got = 0;
                    if (avcodec_decode_subtitle2(decoder.get(), &sub, &got, packet.get()) < 0) {
                        ++damagedPackets;
                    } else if (got) {
                        for (unsigned r = 0; r < sub.num_rects; ++r) {
                            if (sub.rects[r]->ass) {
                                if (!cue.text.isEmpty())
                                    cue.text += "\\N";
                                cue.text += detail::splitAssEvent(sub.rects[r]->ass).text;
                            }
                        }
                        if (cue.endMs < 0 && sub.end_display_time > 0 && sub.end_display_time != UINT32_MAX)
                            cue.endMs = cue.startMs + sub.end_display_time;
                        avsubtitle_free(&sub);
                    }
                }
                if (!cue.text.isEmpty())
                    raw.push_back(std::move(cue));
            }
        }
        av_packet_unref(packet.get());
        if (!report(false))
            break;
    }
    if (cancelled) {
        result.cancelled = true;
        return result;
    }

    // Text: one encoding for the track, then each cue's markup to SubRip's.
    const TextEncoding encoding = trackEncoding(raw);
    const CueMarkup markup = markupOf(codecId);
    QHash<QByteArray, detail::TextStyle> styles;
    if (markup == CueMarkup::Ass && !decoder && stream->codecpar->extradata)
        styles = detail::assStyles(QByteArrayView(
            reinterpret_cast<const char *>(stream->codecpar->extradata), stream->codecpar->extradata_size));
    std::vector<Converted> cues;
    cues.reserve(raw.size());
    QByteArray utf8;
    for (RawCue &c : raw) {
        utf8.clear();
        if (encoding == TextEncoding::Utf8 && isValidUtf8(c.text))
            utf8 = std::move(c.text);
        else
            appendAsUtf8(utf8, c.text, encoding);
        QByteArray text;
        if (markup == CueMarkup::Ass && !decoder) {
            const detail::AssEvent event = detail::splitAssEvent(utf8);
            QByteArray style(event.style.data(), event.style.size());
            if (style.startsWith('*')) // "*Default": the renderer's own mark for a style
                style.remove(0, 1);
            text = detail::toSubRipText(event.text, markup, styles.value(style));
        } else {
            text = detail::toSubRipText(utf8, markup);
        }
        if (!text.isEmpty())
            cues.push_back({std::max<int64_t>(c.startMs, 0), c.endMs, std::move(text)});
    }
    raw.clear();

    std::stable_sort(cues.begin(), cues.end(),
                     [](const Converted &a, const Converted &b) { return a.startMs < b.startMs; });
    int64_t nextStart = -1; // the first start after the cues seen so far, walking backwards
    for (auto it = cues.rbegin(); it != cues.rend(); ++it) {
        if (it->endMs <= it->startMs) {
            const int64_t byDefault = it->startMs + kDefaultCueMs;
            it->endMs = nextStart > it->startMs ? std::min(nextStart, byDefault) : byDefault;
        }
        if (std::next(it) == cues.rend() || std::next(it)->startMs < it->startMs)
            nextStart = it->startMs;
    }

    QByteArray &out = result.subRip;
    out.reserve(qsizetype(cues.size()) * 64);
    qsizetype number = 0;
    for (const Converted &c : cues) {
        out += QByteArray::number(++number);
        out += '\n';
        appendTime(out, c.startMs);
        out += " --> ";
        appendTime(out, c.endMs);
        out += '\n';
        out += c.text;
        out += "\n\n";
    }
    result.cues = number;

    QStringList warnings;
    if (readError)
        warnings << QStringLiteral("Film „%1” jest uszkodzony lub niepełny: wczytano tylko napisy "
                                   "sprzed miejsca błędu (%2).")
                        .arg(name).arg(number);
    if (damagedPackets > 0)
        warnings << QStringLiteral("Pominięto uszkodzone napisy: %1.").arg(damagedPackets);
    result.warning = warnings.join(u' ');
    if (progress)
        progress(1.0);
    return result;
}

} // namespace zv::media
