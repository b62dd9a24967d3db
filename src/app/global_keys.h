#pragma once

#include <functional>
#include <memory>
#include <thread>

namespace zv {

// Listens for Ctrl+Shift+Z/X/C/V/B pressed anywhere on the desktop, through XInput2 raw key
// events on the root window of a display connection of its own: keys are seen without being
// taken from the program that has the focus, and nothing is polled. The listener thread only
// decodes; onCommand (codes of keys::OutsideKeys) is called on that thread, so the caller
// posts it to its own. stop() wakes and joins the thread; it is never killed.
class GlobalKeys {
public:
    explicit GlobalKeys(std::function<void(int command)> onCommand);
    ~GlobalKeys();
    GlobalKeys(const GlobalKeys &) = delete;
    GlobalKeys &operator=(const GlobalKeys &) = delete;

    // False (and a line in the log) without an X display or XInput 2.
    bool start();
    void stop();
    bool running() const { return thread_.joinable(); }

    static int instances();   // listeners alive in the process (for tests)

private:
    void run(void *display);
    std::function<void(int)> onCommand_;
    std::thread thread_;
    int wakeFds_[2] = {-1, -1};
};

} // namespace zv
