#pragma once

#include <QRect>
#include <QWidget>

#include <functional>

class IdleAnimation;
class QMenu;
class MediaEngine;

// The video surface: the widget that fills the main window's video panel (and, in full screen,
// the screen). Panel1 is black and fills it; inside it the engine draws into its own native
// window (the engine's rectangle), and while nothing is open the idle animation shows instead.
// TForm9 owns the engine and ends it before the window it draws into goes away.
class TForm9 : public QWidget {
    Q_OBJECT

public:
    // Makes the engine for the native window it is to draw into (0 = none); parented to TForm9.
    using EngineFactory = std::function<MediaEngine *(quint64 windowId, QObject *parent)>;

    // The libmpv engine with sound.
    explicit TForm9(QWidget *parent = nullptr);
    TForm9(QWidget *parent, const EngineFactory &makeEngine);
    ~TForm9() override;

    static EngineFactory mpvEngine(bool withAudio = true);

    MediaEngine *m() const { return m_; }

    // The engine's rectangle in Panel1's coordinates. It fills Panel1 (and follows its size)
    // until this is called; from then on the caller places it (pan-scan, offsets).
    void setEngineRect(const QRect &rect);
    QRect engineRect() const;
    // Back to filling Panel1.
    void fillEngineRect();

    // Idle: the animation shows and the engine's window is hidden. TForm9 follows the engine's
    // play state itself (idle exactly while it is 6); the layout may also set it.
    void setIdle(bool idle);
    bool isIdle() const { return idle_; }

    QWidget *engineWindow() const { return engineWindow_; }

    QWidget *Panel1;
    IdleAnimation *RxGIFAnimator1;
    // The player's popup menu in full screen; filled by the main window, which owns the items.
    QMenu *PopupMenu1 = nullptr;

signals:
    // The window's size changed (the engine's rectangle is laid out again).
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *engineWindow_;
    MediaEngine *m_ = nullptr;
    bool engineRectSet_ = false;
    bool idle_ = true;
};
