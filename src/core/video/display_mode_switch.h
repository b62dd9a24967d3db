#pragma once

#include "core/video/video_layout.h"

#include <QStringList>

#include <optional>

namespace zv::video {

// Reads and sets the display mode of the screen the player is on. An implementation changes
// all of the mode or nothing.
class DisplayModeBackend {
public:
    virtual ~DisplayModeBackend() = default;
    virtual QStringList modes() const = 0;                  // "W x H x bits", display order
    virtual std::optional<DisplayMode> current() const = 0;
    virtual bool apply(const DisplayMode &mode) = 0;
    // The screen the player is on, by its name (a backend with one screen ignores it).
    virtual void setOutput(const QString &) {}
};

// The resolution change of full screen: the mode found on entry is saved and put back on
// leaving, at exit and on a termination signal. A mode that cannot be had (index outside the
// list, a text that does not parse, a backend that refuses) leaves the display as it was.
class DisplayModeSwitch {
public:
    explicit DisplayModeSwitch(DisplayModeBackend *backend) : backend_(backend) {}

    // Switches to list[index]; true when the display now runs that mode.
    bool enter(const QStringList &list, int index);
    // Puts back the mode saved by the last successful enter; nothing when none is pending.
    void restore();
    bool changed() const { return saved_.has_value(); }

private:
    DisplayModeBackend *backend_;
    std::optional<DisplayMode> saved_;
};

} // namespace zv::video
