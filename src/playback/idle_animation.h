#pragma once

#include <QImage>
#include <QWidget>

#include <atomic>

class QTimer;

// What the video area shows while nothing is open: a small film strip (142 x 48) running across
// the centre of a black field. It runs only while the widget is shown and, on X, not wholly
// covered by other windows. On X the strip's frames live in the X server, so a frame is one
// copy request: no shared-memory fence, no reply and no event back. When the strip has an X
// window of its own, a small thread with its own X connection sends those requests, so an idle
// player's ticks never wake the GUI's event loop; elsewhere a timer of the GUI thread does.
class IdleAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kMotifSize{142, 48};
    // The strip scrolls by this many pixels and starts over.
    static constexpr int kLoopPixels = 360;
    // Two frames a second, six pixels each: an idle player wakes twice a second, and the strip
    // still visibly runs.
    static constexpr int kTickMs = 500;
    static constexpr int kPixelsPerTick = 6;

    explicit IdleAnimation(QWidget *parent = nullptr);
    ~IdleAnimation() override;

    bool isRunning() const;
    int phase() const { return phase_; }
    // The motif as it shows at a phase.
    QImage frame(int phase) const { return strip_.copy(phase, 0, kMotifSize.width(), kMotifSize.height()); }
    // Whether the last tick drew through the X server rather than a repaint.
    bool lastTickOnServer() const { return lastTickOnServer_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct ServerStrip;
    struct ServerClock;
    struct VisibilityWatch;
    void run();
    void rest();
    // Hands the ticks to the clock thread (see the class comment); false where it cannot take
    // them, and the GUI timer ticks instead.
    bool startServerClock();
    void stopServerClock();
    bool clockRunning() const;
    // Makes sure the strip is in the X server for `window`; false where it cannot be.
    bool uploadFor(unsigned long window);
    QRect motifRect() const;
    // The widget whose X window the strip is drawn in.
    QWidget *host();
    // Copies the current frame into the window through the X server; false where that cannot
    // be done (another platform, a scaled screen, the motif partly covered by a sibling drawn
    // in the same window): repaint instead.
    bool copyOnServer();
    // Asks the X server to report when the window the strip shows in is covered or uncovered;
    // nothing where there is no X.
    void watchVisibility();
    void setObscured(bool obscured);
    void rescale();

    QTimer *timer_;
    std::atomic<int> phase_ = 0;
    std::atomic<bool> lastTickOnServer_ = false;
    // The whole loop, kLoopPixels plus one motif wide: the frame at phase p starts at column p.
    QImage strip_;
    ServerStrip *server_ = nullptr; // owned; made on the first tick that can use it
    ServerClock *clock_ = nullptr;  // owned; made on the first start that can use it
    bool clockRefused_ = false;     // no second X connection could be had: not tried again
    VisibilityWatch *watch_ = nullptr; // owned; made on the first show under X
    bool shown_ = false;
    double scale_ = 1.0; // devicePixelRatioF() as of the last show or change of screen
};
