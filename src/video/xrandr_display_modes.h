#pragma once

#include "core/video/display_mode_switch.h"

#include <QString>

namespace zv::video {

// Display modes through XRandR, on its own X connection. The output is the one named like the
// Qt screen the player is on (xcb names screens after RandR outputs); empty: the first
// connected output. Without a display or RandR the mode list is the screen's own size and
// nothing can be applied.
class XrandrDisplayModes : public DisplayModeBackend {
public:
    explicit XrandrDisplayModes(QString outputName = {}) : output_(std::move(outputName)) {}
    void setOutput(const QString &outputName) override { output_ = outputName; }

    QStringList modes() const override;
    std::optional<DisplayMode> current() const override;
    bool apply(const DisplayMode &mode) override;

private:
    QString output_;
};

} // namespace zv::video
