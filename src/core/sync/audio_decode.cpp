#include "core/sync/audio_decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace zv::sync {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext *f) const { avformat_close_input(&f); }
};
struct CodecFreer {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct SwrFreer {
    void operator()(SwrContext *s) const { swr_free(&s); }
};
struct PacketFreer {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};

bool sameInput(const AVFrame *f, const AVChannelLayout &layout, int format, int rate)
{
    return f->format == format && f->sample_rate == rate
           && av_channel_layout_compare(&f->ch_layout, &layout) == 0;
}

} // namespace

AudioReadResult decodeAudio(const QString &path, double windowStart, double windowLength,
                            const std::function<bool(const float *, int)> &sink,
                            const std::atomic<bool> *cancel, std::atomic<double> *duration)
{
    AudioReadResult r;
    using Status = AudioReadResult::Status;
    const QByteArray file = path.toUtf8();

    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, file.constData(), nullptr, nullptr) < 0) {
        r.status = Status::Unreadable;
        return r;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0) {
        r.status = Status::Unreadable;
        return r;
    }
    if (fmt->duration > 0)
        r.durationSeconds = double(fmt->duration) / AV_TIME_BASE;
    if (duration)
        duration->store(r.durationSeconds);

    const AVCodec *codec = nullptr;
    const int si = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (si == AVERROR_STREAM_NOT_FOUND) {
        r.status = Status::NoAudio;
        return r;
    }
    if (si < 0 || !codec) {
        r.status = Status::Corrupt;
        return r;
    }
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        fmt->streams[i]->discard = int(i) == si ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    AVStream *st = fmt->streams[si];

    std::unique_ptr<AVCodecContext, CodecFreer> dec(avcodec_alloc_context3(codec));
    if (!dec || avcodec_parameters_to_context(dec.get(), st->codecpar) < 0) {
        r.status = Status::Corrupt;
        return r;
    }
    dec->pkt_timebase = st->time_base;
    // Decoders that can mix down themselves (AC-3 family, DTS) do it far cheaper than the
    // resampler converting six channels; others ignore the option.
    AVDictionary *opts = nullptr;
    av_dict_set(&opts, "downmix", "mono", 0);
    const int opened = avcodec_open2(dec.get(), codec, &opts);
    av_dict_free(&opts);
    if (opened < 0) {
        r.status = Status::Corrupt;
        return r;
    }

    const double streamStart = fmt->start_time != AV_NOPTS_VALUE
                                   ? double(fmt->start_time) / AV_TIME_BASE : 0.0;
    const bool windowed = windowLength > 0;
    const double windowEnd = windowStart + windowLength;
    if (windowed && windowStart > 0) {
        const auto ts = int64_t((windowStart + streamStart) * AV_TIME_BASE);
        av_seek_frame(fmt.get(), -1, ts, AVSEEK_FLAG_BACKWARD);
    }

    std::unique_ptr<AVPacket, PacketFreer> pkt(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    std::unique_ptr<SwrContext, SwrFreer> swr;
    AVChannelLayout inLayout{};
    int inFormat = -1, inRate = 0;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    std::vector<float> out;
    bool started = false;   // the first sample's film time is known
    double nextTime = 0;    // film time of the next sample to hand out
    long long toSkip = 0;   // samples before the window, dropped after a seek
    bool stop = false;

    auto deliver = [&](const float *s, int n) {
        if (toSkip > 0) {
            const int d = int(std::min<long long>(toSkip, n));
            s += d;
            n -= d;
            toSkip -= d;
            nextTime += double(d) / kAnalysisRate;
        }
        if (windowed) {
            const long long room = (long long)((windowEnd - nextTime) * kAnalysisRate);
            if (room <= 0) {
                stop = true;
                return;
            }
            if (n > room) {
                n = int(room);
                stop = true;
            }
        }
        if (n <= 0)
            return;
        if (r.samples == 0)
            r.firstSampleTime = nextTime;
        r.samples += n;
        nextTime += double(n) / kAnalysisRate;
        if (!sink(s, n))
            stop = true;
    };

    auto convert = [&](const AVFrame *f) {
        if (!swr || !sameInput(f, inLayout, inFormat, inRate)) {
            if (swr) { // the stream changed shape: flush what the old converter holds
                out.resize(4096);
                uint8_t *o[1] = {reinterpret_cast<uint8_t *>(out.data())};
                const int n = swr_convert(swr.get(), o, int(out.size()), nullptr, 0);
                if (n > 0)
                    deliver(out.data(), n);
            }
            SwrContext *s = nullptr;
            if (swr_alloc_set_opts2(&s, &mono, AV_SAMPLE_FMT_FLT, kAnalysisRate, const_cast<AVChannelLayout *>(&f->ch_layout),
                                    AVSampleFormat(f->format), f->sample_rate, 0, nullptr) < 0
                || swr_init(s) < 0) {
                swr_free(&s);
                return false;
            }
            swr.reset(s);
            av_channel_layout_uninit(&inLayout);
            av_channel_layout_copy(&inLayout, &f->ch_layout);
            inFormat = f->format;
            inRate = f->sample_rate;
        }
        if (!started) {
            started = true;
            const int64_t pts = f->best_effort_timestamp;
            nextTime = pts != AV_NOPTS_VALUE ? pts * av_q2d(st->time_base) - streamStart : 0.0;
            nextTime = std::max(0.0, nextTime);
            if (windowed && nextTime < windowStart)
                toSkip = (long long)((windowStart - nextTime) * kAnalysisRate);
        }
        const int cap = swr_get_out_samples(swr.get(), f->nb_samples);
        if (cap > int(out.size()))
            out.resize(size_t(cap));
        uint8_t *o[1] = {reinterpret_cast<uint8_t *>(out.data())};
        const int n = swr_convert(swr.get(), o, cap, const_cast<const uint8_t **>(f->extended_data),
                                  f->nb_samples);
        if (n > 0)
            deliver(out.data(), n);
        return true;
    };

    auto drain = [&]() {
        while (!stop) {
            const int ret = avcodec_receive_frame(dec.get(), frame.get());
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
                return;
            if (ret < 0) {
                ++r.failedPackets;
                return;
            }
            if (frame->nb_samples > 0 && frame->sample_rate > 0 && !convert(frame.get()))
                ++r.failedPackets;
            av_frame_unref(frame.get());
        }
    };

    while (!stop) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            r.status = Status::Cancelled;
            break;
        }
        const int ret = av_read_frame(fmt.get(), pkt.get());
        if (ret < 0)
            break; // end of file, or a read error: what was decoded stands
        if (pkt->stream_index == si) {
            if (avcodec_send_packet(dec.get(), pkt.get()) < 0)
                ++r.failedPackets;
            else
                ++r.goodPackets;
            drain();
        }
        av_packet_unref(pkt.get());
    }
    if (!stop && r.status == Status::Ok) {
        avcodec_send_packet(dec.get(), nullptr);
        drain();
        if (swr && !stop) {
            out.resize(4096);
            uint8_t *o[1] = {reinterpret_cast<uint8_t *>(out.data())};
            const int n = swr_convert(swr.get(), o, int(out.size()), nullptr, 0);
            if (n > 0)
                deliver(out.data(), n);
        }
    }
    av_channel_layout_uninit(&inLayout);
    if (r.status == Status::Ok && r.samples == 0)
        r.status = r.goodPackets + r.failedPackets > 0 ? Status::Corrupt : Status::NoAudio;
    // A stream that mostly fails to decode gives a signal of gaps; refuse rather than guess.
    if (r.status == Status::Ok && r.failedPackets > r.goodPackets)
        r.status = Status::Corrupt;
    return r;
}

AudioReadResult decodeAudioThreaded(const QString &path, double windowStart, double windowLength,
                                    const std::function<void(const float *, int)> &sink,
                                    const std::function<bool(double)> &progress)
{
    struct Queue {
        std::mutex m;
        std::condition_variable cv;
        std::deque<std::vector<float>> blocks;
        bool done = false;
    } q;
    constexpr size_t kMaxBlocks = 64; // a few seconds of sound in flight at most
    std::atomic<bool> cancel{false};
    std::atomic<long long> produced{0};
    std::atomic<double> duration{0};
    AudioReadResult result;

    std::thread worker([&] {
        std::vector<float> pending;
        pending.reserve(kAnalysisRate / 2);
        auto push = [&](bool force) {
            if (pending.empty() || (!force && pending.size() < size_t(kAnalysisRate / 4)))
                return;
            std::unique_lock lock(q.m);
            q.cv.wait(lock, [&] { return q.blocks.size() < kMaxBlocks || cancel.load(); });
            q.blocks.push_back(std::move(pending));
            pending = {};
            pending.reserve(kAnalysisRate / 2);
            q.cv.notify_all();
        };
        result = decodeAudio(path, windowStart, windowLength,
                             [&](const float *s, int n) {
                                 pending.insert(pending.end(), s, s + n);
                                 produced.fetch_add(n, std::memory_order_relaxed);
                                 push(false);
                                 return !cancel.load(std::memory_order_relaxed);
                             },
                             &cancel, &duration);
        if (!cancel.load())
            push(true);
        std::lock_guard lock(q.m);
        q.done = true;
        q.cv.notify_all();
    });

    const double span = windowLength > 0 ? windowLength : 0;
    auto last = std::chrono::steady_clock::now();
    bool cancelled = progress && !progress(0.0);
    while (!cancelled) {
        std::vector<float> block;
        bool finished = false;
        {
            std::unique_lock lock(q.m);
            q.cv.wait_for(lock, std::chrono::milliseconds(50),
                          [&] { return !q.blocks.empty() || q.done; });
            if (!q.blocks.empty()) {
                block = std::move(q.blocks.front());
                q.blocks.pop_front();
                q.cv.notify_all();
            } else if (q.done) {
                finished = true;
            }
        }
        if (!block.empty())
            sink(block.data(), int(block.size()));
        const auto now = std::chrono::steady_clock::now();
        if (progress && now - last >= std::chrono::milliseconds(80)) {
            last = now;
            double total = span;
            if (total <= 0)
                total = duration.load();
            const double done = double(produced.load()) / kAnalysisRate;
            const double fraction = total > 0 ? std::min(1.0, done / total) : 0.0;
            if (!progress(fraction)) {
                cancelled = true;
                break;
            }
        }
        if (finished)
            break;
    }
    if (cancelled) {
        cancel.store(true);
        std::lock_guard lock(q.m);
        q.cv.notify_all();
    }
    worker.join();
    if (cancelled)
        result.status = AudioReadResult::Status::Cancelled;
    return result;
}

} // namespace zv::sync
