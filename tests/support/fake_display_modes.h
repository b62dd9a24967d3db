#pragma once

#include "core/video/display_mode_switch.h"

#include <QList>

namespace zv::test {

// A display that knows a few modes, starts in the first, and records every change asked of it.
class FakeDisplayModes : public zv::video::DisplayModeBackend {
public:
    QStringList modes() const override { return list; }
    std::optional<zv::video::DisplayMode> current() const override { return mode; }
    bool apply(const zv::video::DisplayMode &m) override
    {
        applied.append(m);
        if (refuse)
            return false;
        mode = m;
        return true;
    }

    QStringList list{QStringLiteral("1920 x 1080 x 24"), QStringLiteral("640 x 480 x 24")};
    std::optional<zv::video::DisplayMode> mode = desktop();
    QList<zv::video::DisplayMode> applied;
    bool refuse = false;

    static zv::video::DisplayMode desktop() { return {1920, 1080, 24, 60}; }
};

} // namespace zv::test
