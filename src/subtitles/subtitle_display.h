#pragma once

#include "subtitles/subtitle_compositor.h"

#include "subtitles/subtitle_renderer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QScreen;
class QWidget;
class SubtitleOverlayWindow;

namespace zv {

struct Settings;

// Ties the renderer to the three line windows: renders a subtitle text into them with the
// current options, shows or hides them, moves the subtitle position, follows the compositing
// manager and the screen's geometry, and turns a drag on any line window into moving all
// three and a new DisplayerBottom. The main window's commands are one call each.
// UI thread only. `settings` and the windows must outlive it.
class SubtitleDisplay : public QObject {
    Q_OBJECT

public:
    using LineWindows = std::array<SubtitleOverlayWindow *, kSubtitleLines>;

    // `mainWindow` gets the focus back from the line windows and decides which screen the
    // subtitles are placed on (the primary screen without it).
    SubtitleDisplay(Settings &settings, const LineWindows &windows, QWidget *mainWindow,
                    QObject *parent = nullptr);
    ~SubtitleDisplay() override;

    // Renders `text` ("|" separates up to three lines; empty clears) in the way DisplayMode
    // asks for; a DisplayMode outside 0..3 draws nothing. Remembered for the re-renders below.
    void RobNapis(const QString &text);
    // Renders with explicit flags. A see-through background without a compositing manager
    // takes the mask path instead, for this rendering only.
    void DrawNapis(const QString &text, bool regionsMode, bool transparent);

    // The window half of "Wyświetlaj napisy": line windows are shown (without activation) only
    // while this is on and their line has something to show.
    void setLinesShown(bool shown);
    bool linesShown() const { return shown_; }

    // Keypad plus/minus: DisplayerBottom up or down by 20 pixels, by 1 with Ctrl held; then
    // re-render. ctrlHeld() reads the keyboard now.
    void DisplayerUp1Click(bool ctrlHeld);
    void DisplayerDown1Click(bool ctrlHeld);
    static bool ctrlHeld();
    // Keypad "*": DisplayerBottom := 40, then re-render.
    void ResetPosition();

    // The periodic check (the 5 s status timer and application events): looks
    // whether a compositing manager runs and re-renders when that has changed.
    void SetTransparentColor();
    // The screen's geometry changed: re-render the text on show (connected automatically).
    void WMDisplayChange();

    bool OverlayUsable() const { return overlayUsable_; }
    // True from a button press on a line window to its release: the subtitle timer keeps the
    // text on screen meanwhile.
    bool OverlayDragging() const { return dragging_; }
    bool RenderBusy() const { return renderer_.RenderBusy; }
    int LastLineIndex() const { return renderer_.LastLineIndex(); }
    // The text last given to RobNapis or DrawNapis.
    const QString &DisplayedText() const { return text_; }
    const SubtitleRenderer &renderer() const { return renderer_; }
    // The gap between the windows of lines 1 and 2 to store as DisplayerDistance at exit; the
    // current value while fewer than two lines are laid out.
    int DisplayerDistanceToSave() const;

    // Replaces the compositing-manager check (tests); re-checks at once.
    void setCompositorProbe(std::function<bool()> probe);
    // An area of the screen the lines must not cover (the player's own controls while it is
    // a window; empty in full screen): lines that would are drawn just above it. Where the
    // lines belong (DisplayerBottom, dragging) is not changed by it.
    void setKeepClearOf(std::function<QRect()> area) { keepClear_ = std::move(area); }

signals:
    void overlayDraggingChanged(bool dragging);
    void overlayUsableChanged(bool usable);

private:
    QRect screenGeometry() const;
    bool probeOverlay();
    void applyToWindows();
    void watchScreen(QScreen *screen);
    void dragStarted(QPoint globalPos);
    void dragMoved(QPoint globalPos);
    void dragFinished();

    Settings &settings_;
    // Guarded: the windows may go before this object when the main window closes.
    std::array<QPointer<SubtitleOverlayWindow>, kSubtitleLines> windows_;
    QPointer<QWidget> mainWindow_;
    SubtitleRenderer renderer_;
    std::function<bool()> probe_;
    std::function<QRect()> keepClear_;
    CompositorWatch *compositorWatch_ = nullptr;
    QString text_;
    bool shown_ = false;
    bool overlayUsable_ = false;
    bool dragging_ = false;
    int dragStartY_ = 0;
    std::array<int, kSubtitleLines> dragStartTops_{};
    int dragStartLayoutTop_ = 0;
};

} // namespace zv
