#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zv {

// The program's own audio stream volume in the sound server (PulseAudio API, also served by
// PipeWire), as two channel levels 0..255 mapped linearly onto 0..100 %. libpulse is loaded at
// run time and the server is asked in its own thread, so without a library, a server or a stream
// (nothing playing) levels() is empty and setLevels() does nothing; the UI thread never waits.
class SystemVolume {
public:
    struct Levels {
        std::uint8_t left = 0;
        std::uint8_t right = 0;
        friend bool operator==(const Levels &, const Levels &) = default;
    };

    SystemVolume();
    ~SystemVolume();
    SystemVolume(const SystemVolume &) = delete;
    SystemVolume &operator=(const SystemVolume &) = delete;

    // The last known levels of this process's playing stream.
    std::optional<Levels> levels() const;
    void setLevels(Levels levels);
    // Called on the sound server's thread whenever the levels (or the stream) changed other than
    // by setLevels, e.g. in the desktop's mixer; the receiver hands it to its own thread.
    void setChangeHandler(std::function<void()> handler);

    // Server volume (PA_VOLUME_NORM = 65536 is 100 %) <-> level; louder than 100 % shows as 255.
    static std::uint8_t levelFromServer(std::uint32_t volume);
    static std::uint32_t serverFromLevel(std::uint8_t level);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zv
