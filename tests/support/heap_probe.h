#pragma once

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define ZV_HEAP_PROBE 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZV_HEAP_PROBE 1
#endif
#endif

#ifdef ZV_HEAP_PROBE
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void *, size_t),
                                                          void (*)(const volatile void *));
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace zv::test {

// Counts heap allocations (every thread, Qt's included) while an object is alive. It needs
// the sanitizer runtime's allocation hooks; available() is false in builds without it.
class HeapProbe {
public:
    static bool available()
    {
#ifdef ZV_HEAP_PROBE
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(&onMalloc, &onFree) != 0;
        return installed;
#else
        return false;
#endif
    }
    HeapProbe()
    {
        largest_ = 0;
        total_ = 0;
        active_ = available();
    }
    ~HeapProbe() { active_ = false; }
    size_t largest() const { return largest_; }   // bytes of the biggest single allocation
    size_t total() const { return total_; }       // bytes of every allocation added up

private:
    static void onMalloc(const volatile void *, size_t size)
    {
        if (!active_)
            return;
        total_ += size;
        size_t seen = largest_;
        while (size > seen && !largest_.compare_exchange_weak(seen, size)) {
        }
    }
    static void onFree(const volatile void *) {}

    static inline std::atomic<bool> active_{false};
    static inline std::atomic<size_t> largest_{0};
    static inline std::atomic<size_t> total_{0};
};

// Bytes the heap holds right now (every thread); 0 in builds without the sanitizer runtime.
inline size_t liveHeapBytes()
{
#ifdef ZV_HEAP_PROBE
    return __sanitizer_get_current_allocated_bytes();
#else
    return 0;
#endif
}

} // namespace zv::test
