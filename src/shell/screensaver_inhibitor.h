#pragma once

#include <QObject>

class QTimer;

namespace zv {

// Keeps the screen from blanking while a picture plays: org.freedesktop.ScreenSaver.Inhibit on
// the session bus, released as soon as it is no longer wanted; where that service is missing,
// the X screen saver is reset on a slow timer instead. Calls never block the UI thread, except
// the release at exit, which must reach the bus before the process ends.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT

public:
    explicit ScreenSaverInhibitor(QObject *parent = nullptr);
    ~ScreenSaverInhibitor() override;

    void setWanted(bool wanted);
    bool wanted() const { return wanted_; }
    // Holding an inhibition on the bus now (its cookie arrived).
    bool inhibited() const { return cookie_ != 0; }
    bool usingXFallback() const { return fallback_; }
    // Releases at once and waits for the bus to take it (exit paths).
    void releaseNow();

    static constexpr int kXResetIntervalMs = 30000;

private:
    void inhibit();
    void uninhibit(uint cookie, bool wait);

    bool wanted_ = false;
    bool pending_ = false;   // an Inhibit call is on its way
    bool fallback_ = false;  // no screen-saver service: the X timer does the work
    uint cookie_ = 0;
    QTimer *xTimer_;
};

// Resets the X server's screen-saver timer (screen_saver_x11.cpp: X headers kept apart).
void resetXScreenSaver();

} // namespace zv
