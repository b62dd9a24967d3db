#pragma once

#include <QObject>

class QTimer;

namespace zv {

struct AppContext;

// The status display: state word, names and title, the enabling of every transport control
// and item, the time label, and the timers that refresh them. Timer2 (5 s) and Timer3 (50 ms)
// sleep while nothing can change what they show.
class StatusPresenter : public QObject {
    Q_OBJECT

public:
    explicit StatusPresenter(AppContext &ctx);

    void UstawMStaus();         // the status refresh
    void UstawPanel();          // the time label
    void Label2Click();         // elapsed / remaining time
    void Label3DblClick();      // the media path to the clipboard
    void WakeTimer2();          // the 5 s refresh runs again (it stops itself while nothing is open)
    void WakeTimer3();          // the 50 ms refresh runs again (it stops itself once idle is shown)
    void stopTimers();          // shut-down
    // The engine could not open or play the file: text stays in the state line, instead of
    // the plain "closed", until another file is asked for.
    void showFailure(const QString &text);
    // A remark about what just happened, in the state line for a few seconds.
    void showNote(const QString &text);
    static constexpr int kNoteMs = 6000;

    bool ShowElapsedTime = true;   // time label: position / duration, else the time left
    QTimer *Timer2 = nullptr, *Timer3 = nullptr;
    void Timer2Timer();
    void Timer3Timer();

signals:
    // The status refresh has run: the state shown may have changed.
    void statusRefreshed();

private:
    void UpdateTimerSleep();

    AppContext &ctx_;
    bool idleShown_ = false;      // the closed state is already on screen
    bool statusAsleep_ = false;   // Timer2 stopped: nothing open, nothing changed since
    bool timersAsleep_ = false;   // Timer2/Timer3 stopped while minimised or hidden
    QString failure_;             // shown while the engine stays closed after failing
    QString note_;                // shown until noteTimer_ ends it
    QTimer *noteTimer_ = nullptr;
};

} // namespace zv
