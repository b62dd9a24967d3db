#include "core/media/film_input.h"
#include "core/media/film_tracks.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace zv::media {

namespace {

int channelCount(const AVCodecParameters *par)
{
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 24, 100)
    return par->ch_layout.nb_channels;
#else
    return par->channels;
#endif
}

QString channelsLabel(int channels)
{
    switch (channels) {
    case 0: return {};
    case 1: return QStringLiteral("mono");
    case 2: return QStringLiteral("stereo");
    case 6: return QStringLiteral("5.1");
    case 7: return QStringLiteral("6.1");
    case 8: return QStringLiteral("7.1");
    default:
        return QStringLiteral("%1 %2").arg(channels).arg(channels <= 4 ? QStringLiteral("kanały")
                                                                        : QStringLiteral("kanałów"));
    }
}

QString codecName(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_AC3: return QStringLiteral("AC-3");
    case AV_CODEC_ID_EAC3: return QStringLiteral("E-AC-3");
    case AV_CODEC_ID_TRUEHD: return QStringLiteral("Dolby TrueHD");
    case AV_CODEC_ID_DTS: return QStringLiteral("DTS");
    case AV_CODEC_ID_AAC: return QStringLiteral("AAC");
    case AV_CODEC_ID_MP3: return QStringLiteral("MP3");
    case AV_CODEC_ID_MP2: return QStringLiteral("MP2");
    case AV_CODEC_ID_OPUS: return QStringLiteral("Opus");
    case AV_CODEC_ID_VORBIS: return QStringLiteral("Vorbis");
    case AV_CODEC_ID_FLAC: return QStringLiteral("FLAC");
    case AV_CODEC_ID_ALAC: return QStringLiteral("ALAC");
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2: return QStringLiteral("WMA");
    case AV_CODEC_ID_H264: return QStringLiteral("H.264");
    case AV_CODEC_ID_HEVC: return QStringLiteral("H.265");
    case AV_CODEC_ID_AV1: return QStringLiteral("AV1");
    case AV_CODEC_ID_VP8: return QStringLiteral("VP8");
    case AV_CODEC_ID_VP9: return QStringLiteral("VP9");
    case AV_CODEC_ID_MPEG4: return QStringLiteral("MPEG-4");
    case AV_CODEC_ID_MPEG2VIDEO: return QStringLiteral("MPEG-2");
    case AV_CODEC_ID_MPEG1VIDEO: return QStringLiteral("MPEG-1");
    case AV_CODEC_ID_SUBRIP: return QStringLiteral("SubRip");
    case AV_CODEC_ID_ASS: return QStringLiteral("ASS");
    case AV_CODEC_ID_SSA: return QStringLiteral("SSA");
    case AV_CODEC_ID_WEBVTT: return QStringLiteral("WebVTT");
    case AV_CODEC_ID_MOV_TEXT: return QStringLiteral("Tekst MP4");
    case AV_CODEC_ID_TEXT: return QStringLiteral("Tekst");
    case AV_CODEC_ID_MICRODVD: return QStringLiteral("MicroDVD");
    case AV_CODEC_ID_HDMV_PGS_SUBTITLE: return QStringLiteral("PGS");
    case AV_CODEC_ID_DVD_SUBTITLE: return QStringLiteral("VobSub");
    case AV_CODEC_ID_DVB_SUBTITLE: return QStringLiteral("DVB");
    default: break;
    }
    if (id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT)
        return QStringLiteral("PCM");
    const AVCodecDescriptor *d = avcodec_descriptor_get(id);
    return d ? QString::fromLatin1(d->name).toUpper() : QStringLiteral("nieznany");
}

} // namespace

FilmProbe probeFilm(const QString &path)
{
    FilmProbe probe;
    detail::FilmInput in;
    if (!in.open(path)) {
        probe.error = in.error();
        return probe;
    }
    const AVFormatContext *ctx = in.context();
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
        probe.durationSeconds = double(ctx->duration) / AV_TIME_BASE;
    int counts[3] = {0, 0, 0};
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *st = ctx->streams[i];
        const AVCodecParameters *par = st->codecpar;
        FilmTrack t;
        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO: t.kind = FilmTrack::Kind::Video; break;
        case AVMEDIA_TYPE_AUDIO: t.kind = FilmTrack::Kind::Audio; break;
        case AVMEDIA_TYPE_SUBTITLE: t.kind = FilmTrack::Kind::Subtitle; break;
        default: continue; // attachments (fonts), data streams: not tracks anyone picks
        }
        t.number = ++counts[int(t.kind)];
        t.streamIndex = int(i);
        t.codec = QString::fromLatin1(avcodec_get_name(par->codec_id));
        QString label = codecName(par->codec_id);
        if (t.kind == FilmTrack::Kind::Audio) {
            t.channels = channelCount(par);
            const QString ch = channelsLabel(t.channels);
            if (!ch.isEmpty())
                label += u' ' + ch;
        } else if (t.kind == FilmTrack::Kind::Subtitle && detail::isImageSubtitle(par->codec_id)) {
            t.imageBased = true;
            label += QStringLiteral(" (obraz)");
        }
        t.codecLabel = label;
        if (const AVDictionaryEntry *e = av_dict_get(st->metadata, "language", nullptr, 0))
            t.language = QString::fromUtf8(e->value).trimmed();
        if (const AVDictionaryEntry *e = av_dict_get(st->metadata, "title", nullptr, 0))
            t.title = QString::fromUtf8(e->value).trimmed();
        t.isDefault = (st->disposition & AV_DISPOSITION_DEFAULT) != 0;
        probe.tracks.append(t);
    }
    return probe;
}

} // namespace zv::media
