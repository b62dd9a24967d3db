#include "playback/system_volume.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/volume.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>

namespace zv {

std::uint8_t SystemVolume::levelFromServer(std::uint32_t volume)
{
    const std::uint64_t level = (std::uint64_t(volume) * 255 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM;
    return std::uint8_t(std::min<std::uint64_t>(level, 255));
}

std::uint32_t SystemVolume::serverFromLevel(std::uint8_t level)
{
    return std::uint32_t((std::uint64_t(level) * PA_VOLUME_NORM + 127) / 255);
}

namespace {

// The libpulse entry points we use, resolved with dlsym so that the program runs (with the
// engine's volume only) where the library is missing.
struct PulseApi {
#define ZV_PA(name) decltype(&::name) name = nullptr
    ZV_PA(pa_threaded_mainloop_new);
    ZV_PA(pa_threaded_mainloop_get_api);
    ZV_PA(pa_threaded_mainloop_start);
    ZV_PA(pa_threaded_mainloop_stop);
    ZV_PA(pa_threaded_mainloop_free);
    ZV_PA(pa_threaded_mainloop_lock);
    ZV_PA(pa_threaded_mainloop_unlock);
    ZV_PA(pa_context_new);
    ZV_PA(pa_context_connect);
    ZV_PA(pa_context_disconnect);
    ZV_PA(pa_context_unref);
    ZV_PA(pa_context_get_state);
    ZV_PA(pa_context_set_state_callback);
    ZV_PA(pa_context_set_subscribe_callback);
    ZV_PA(pa_context_subscribe);
    ZV_PA(pa_context_get_sink_input_info_list);
    ZV_PA(pa_context_set_sink_input_volume);
    ZV_PA(pa_operation_unref);
    ZV_PA(pa_proplist_gets);
#undef ZV_PA
    void *lib = nullptr;

    bool load()
    {
        lib = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return false;
        bool ok = true;
        auto get = [&](auto &fn, const char *name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            ok = ok && fn;
        };
        get(pa_threaded_mainloop_new, "pa_threaded_mainloop_new");
        get(pa_threaded_mainloop_get_api, "pa_threaded_mainloop_get_api");
        get(pa_threaded_mainloop_start, "pa_threaded_mainloop_start");
        get(pa_threaded_mainloop_stop, "pa_threaded_mainloop_stop");
        get(pa_threaded_mainloop_free, "pa_threaded_mainloop_free");
        get(pa_threaded_mainloop_lock, "pa_threaded_mainloop_lock");
        get(pa_threaded_mainloop_unlock, "pa_threaded_mainloop_unlock");
        get(pa_context_new, "pa_context_new");
        get(pa_context_connect, "pa_context_connect");
        get(pa_context_disconnect, "pa_context_disconnect");
        get(pa_context_unref, "pa_context_unref");
        get(pa_context_get_state, "pa_context_get_state");
        get(pa_context_set_state_callback, "pa_context_set_state_callback");
        get(pa_context_set_subscribe_callback, "pa_context_set_subscribe_callback");
        get(pa_context_subscribe, "pa_context_subscribe");
        get(pa_context_get_sink_input_info_list, "pa_context_get_sink_input_info_list");
        get(pa_context_set_sink_input_volume, "pa_context_set_sink_input_volume");
        get(pa_operation_unref, "pa_operation_unref");
        get(pa_proplist_gets, "pa_proplist_gets");
        return ok;
    }
};

} // namespace

struct SystemVolume::Impl {
    PulseApi pa;
    pa_threaded_mainloop *loop = nullptr;
    pa_context *ctx = nullptr;

    // Written by the server thread, read by the UI thread.
    mutable std::mutex mutex;
    bool found = false;
    std::uint32_t index = 0;
    pa_cvolume volume{};
    std::function<void()> onChange;

    bool start()
    {
        if (!pa.load())
            return false;
        loop = pa.pa_threaded_mainloop_new();
        if (!loop)
            return false;
        ctx = pa.pa_context_new(pa.pa_threaded_mainloop_get_api(loop), "Zentavista");
        if (!ctx)
            return false;
        pa.pa_context_set_state_callback(ctx, &Impl::onState, this);
        pa.pa_context_set_subscribe_callback(ctx, &Impl::onEvent, this);
        // Never start a server of our own: no server means no system volume.
        if (pa.pa_context_connect(ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        return pa.pa_threaded_mainloop_start(loop) >= 0;
    }

    void stop()
    {
        if (loop && ctx) {
            pa.pa_threaded_mainloop_lock(loop);
            pa.pa_context_disconnect(ctx);
            pa.pa_threaded_mainloop_unlock(loop);
            pa.pa_threaded_mainloop_stop(loop);
        }
        if (ctx)
            pa.pa_context_unref(ctx);
        if (loop)
            pa.pa_threaded_mainloop_free(loop);
        ctx = nullptr;
        loop = nullptr;
        // The library stays loaded: its threads' destructors may still be on their way out.
    }

    // Server thread: the listing is gathered here and published whole at its end, so a
    // reader never sees the stream vanish in the middle of a refresh.
    bool pendingFound = false;
    std::uint32_t pendingIndex = 0;
    pa_cvolume pendingVolume{};

    void refresh()
    {
        pendingFound = false;
        if (pa_operation *op = pa.pa_context_get_sink_input_info_list(ctx, &Impl::onSinkInput, this))
            pa.pa_operation_unref(op);
    }

    static void onState(pa_context *c, void *self)
    {
        auto *d = static_cast<Impl *>(self);
        if (d->pa.pa_context_get_state(c) != PA_CONTEXT_READY)
            return;
        if (pa_operation *op = d->pa.pa_context_subscribe(c, PA_SUBSCRIPTION_MASK_SINK_INPUT,
                                                          nullptr, nullptr))
            d->pa.pa_operation_unref(op);
        d->refresh();
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t, uint32_t, void *self)
    {
        static_cast<Impl *>(self)->refresh();
    }

    static bool sameVolume(const pa_cvolume &a, const pa_cvolume &b)
    {
        if (a.channels != b.channels)
            return false;
        for (unsigned i = 0; i < a.channels && i < PA_CHANNELS_MAX; ++i) {
            if (a.values[i] != b.values[i])
                return false;
        }
        return true;
    }

    static void onSinkInput(pa_context *, const pa_sink_input_info *info, int eol, void *self)
    {
        auto *d = static_cast<Impl *>(self);
        if (eol) {
            std::function<void()> notify;
            {
                std::lock_guard lock(d->mutex);
                const bool changed = d->found != d->pendingFound ||
                                     (d->pendingFound && !sameVolume(d->volume, d->pendingVolume));
                d->found = d->pendingFound;
                d->index = d->pendingIndex;
                if (d->pendingFound)
                    d->volume = d->pendingVolume;
                if (changed)
                    notify = d->onChange;
            }
            if (notify)
                notify();
            return;
        }
        if (!info || !info->proplist)
            return;
        const char *pid = d->pa.pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
        if (!pid || std::strtol(pid, nullptr, 10) != long(getpid()) || info->volume.channels == 0)
            return;
        d->pendingFound = true;
        d->pendingIndex = info->index;
        d->pendingVolume = info->volume;
    }
};

SystemVolume::SystemVolume() : d(std::make_unique<Impl>())
{
    if (!d->start())
        d->stop();
}

SystemVolume::~SystemVolume()
{
    d->stop();
}

std::optional<SystemVolume::Levels> SystemVolume::levels() const
{
    std::lock_guard lock(d->mutex);
    if (!d->found)
        return std::nullopt;
    const pa_cvolume &v = d->volume;
    return Levels{levelFromServer(v.values[0]),
                  levelFromServer(v.values[v.channels > 1 ? 1 : 0])};
}

void SystemVolume::setChangeHandler(std::function<void()> handler)
{
    std::lock_guard lock(d->mutex);
    d->onChange = std::move(handler);
}

void SystemVolume::setLevels(Levels levels)
{
    if (!d->loop || !d->ctx)
        return;
    pa_cvolume v;
    std::uint32_t index;
    {
        std::lock_guard lock(d->mutex);
        if (!d->found)
            return;
        v = d->volume;
        // Left on the first channel, right on the second, the louder on any further ones.
        for (unsigned i = 0; i < v.channels; ++i) {
            const std::uint8_t level = i == 0 ? levels.left
                                      : i == 1 ? levels.right
                                               : std::max(levels.left, levels.right);
            v.values[i] = serverFromLevel(v.channels == 1 ? levels.left : level);
        }
        d->volume = v; // seen at once by the next read
        index = d->index;
    }
    d->pa.pa_threaded_mainloop_lock(d->loop);
    if (d->pa.pa_context_get_state(d->ctx) == PA_CONTEXT_READY) {
        if (pa_operation *op =
                d->pa.pa_context_set_sink_input_volume(d->ctx, index, &v, nullptr, nullptr))
            d->pa.pa_operation_unref(op);
    }
    d->pa.pa_threaded_mainloop_unlock(d->loop);
}

} // namespace zv
