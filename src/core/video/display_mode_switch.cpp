#include "core/video/display_mode_switch.h"

namespace zv::video {

bool DisplayModeSwitch::enter(const QStringList &list, int index)
{
    if (!backend_ || index < 0 || index >= list.size())
        return false;
    const std::optional<DisplayMode> wanted = parseDisplayMode(list.at(index));
    if (!wanted)
        return false;
    // A second entry while a change is pending keeps the mode of the first: that is the
    // desktop's own mode, which must come back.
    const std::optional<DisplayMode> before = saved_ ? saved_ : backend_->current();
    if (!before)
        return false;
    if (!backend_->apply(*wanted))
        return false;
    saved_ = before;
    return true;
}

void DisplayModeSwitch::restore()
{
    if (!saved_ || !backend_)
        return;
    const DisplayMode mode = *saved_;
    saved_.reset();
    backend_->apply(mode);
}

} // namespace zv::video
