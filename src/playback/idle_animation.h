#pragma once

#include <QImage>
#include <QWidget>

class QTimer;

// What the video area shows while nothing is open: a small film strip (142 x 48) running across
// the centre of a black field. Its timer runs only while the widget is shown and, on X, not
// wholly covered by other windows. On X the strip's
// frames live in the X server, so a frame is one copy request: no shared-memory fence, no reply
// and no event back, and a tick wakes nothing but this timer.
class IdleAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kMotifSize{142, 48};
    // The strip scrolls by this many pixels and starts over.
    static constexpr int kLoopPixels = 360;

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

private:
    struct ServerStrip;
    struct VisibilityWatch;
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
    void rescale() { scale_ = devicePixelRatioF(); }

    QTimer *timer_;
    int phase_ = 0;
    bool lastTickOnServer_ = false;
    // The whole loop, kLoopPixels plus one motif wide: the frame at phase p starts at column p.
    QImage strip_;
    ServerStrip *server_ = nullptr; // owned; made on the first tick that can use it
    VisibilityWatch *watch_ = nullptr; // owned; made on the first show under X
    bool shown_ = false;
    double scale_ = 1.0; // devicePixelRatioF() as of the last show or change of screen
};
