#pragma once

namespace zv {

// True when a compositing manager owns the _NET_WM_CM_S<screen> selection of the X display the
// program runs on, so that per-pixel translucent windows really are see-through. False off X11
// (no display) and when nothing owns the selection.
bool compositingManagerRunning();

} // namespace zv
