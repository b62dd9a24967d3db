#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>

namespace zv {

// True when a compositing manager owns the _NET_WM_CM_S<screen> selection of the X display the
// program runs on, so that per-pixel translucent windows really are see-through. False off X11
// (no display) and when nothing owns the selection.
bool compositingManagerRunning();

// Watches the window that owns the compositing manager's selection and calls `gone` on the UI
// thread when it is destroyed: the compositor quit, and translucent lines would sit on black
// boxes until redrawn. Nothing to watch off X11 or while no compositor runs.
class CompositorWatch : public QObject, public QAbstractNativeEventFilter {
public:
    CompositorWatch(std::function<void()> gone, QObject *parent = nullptr);
    ~CompositorWatch() override;

    // Follows the selection's current owner (after a compositor was found to run).
    void watch();
    quint32 watchedWindow() const { return watched_; }

protected:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    std::function<void()> gone_;
    quint32 watched_ = 0;
};

} // namespace zv
