#pragma once

#include <QObject>

class QTimer;

namespace zv {

struct AppContext;

// The status display: state word, names and title, the enabling of every transport control
// and item, the time label, and what refreshes them. Timer2 (5 s) sleeps while nothing can
// change what it shows. The time label and the thumbs follow the engine's position reports,
// coalesced to what the eye can see (a new second on the label, a new pixel on the slider), so
// a paused or stopped film runs no timer at all; Timer3 is only a single-shot refresh queued
// after a state change, so every listener of that change has done its part first.
class StatusPresenter : public QObject {
    Q_OBJECT

public:
    explicit StatusPresenter(AppContext &ctx);

    void UstawMStaus();         // the status refresh
    void UstawPanel();          // the time label
    void Label2Click();         // elapsed / remaining time
    void Label3DblClick();      // the media path to the clipboard
    void WakeTimer2();          // the 5 s refresh runs again (it stops itself while nothing is open)
    void WakeTimer3();          // one refresh of the time label and thumbs, soon
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
    // The engine's position moved: refreshes only when the label's second or the thumb's pixel
    // differs from what is shown.
    void onPositionChange();
    // The time label and the position thumb from the engine, and what they now show.
    void showPosition();

    // What the time label and the position thumb show, to skip reports that change neither.
    struct PositionShown {
        qint64 second = -1;
        int thumb = -1;
        double duration = -1;
        bool operator==(const PositionShown &) const = default;
    };
    PositionShown positionNow() const;
    PositionShown positionShown_;

    AppContext &ctx_;
    bool statusAsleep_ = false;   // Timer2 stopped: nothing open, nothing changed since
    bool timersAsleep_ = false;   // Timer2/Timer3 stopped while minimised or hidden
    QString failure_;             // shown while the engine stays closed after failing
    QString note_;                // shown until noteTimer_ ends it
    QTimer *noteTimer_ = nullptr;
};

} // namespace zv
