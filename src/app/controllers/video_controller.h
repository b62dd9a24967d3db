#pragma once

#include "core/video/fullscreen_pointer.h"
#include "core/video/video_layout.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <memory>

class QTimer;

namespace zv {

struct AppContext;
namespace video {
class DisplayModeBackend;
class DisplayModeSwitch;
} // namespace video

// The video area: the engine's rectangle in the video window (pan-scan, offsets, inset), full
// screen with its control bar, the hidden cursor, the display-mode change and the video
// window's popup menu.
class VideoController : public QObject {
    Q_OBJECT

public:
    explicit VideoController(AppContext &ctx);
    ~VideoController() override;

    // Places the engine's rectangle in the video window from the picture framing; shows the
    // idle animation while nothing is open. Runs on resizes, play-state changes and shows.
    void UstawOCXWindow();
    // Enters or leaves full screen (the FullScr check mark follows); leaving restores the
    // window's former geometry and state and the display mode.
    void UstawFullScreen(bool on);
    bool isFullScreenOn() const;
    // The offset and inset commands; each lays the picture out again.
    void StepFraming(video::FramingStep step);
    void PanScanOnIfOff();            // a click on PanScan1 when it is not checked
    void RelayoutNudged();            // layout with PanScanValue + 1, then with it restored
    const video::Framing &pictureFraming() const { return framing_; }   // offsets and inset
    // Full-screen cursor: hidden 2 s after the last larger move, never over the control bar.
    void SetCursorVisible(bool visible);
    bool CursorVisible() const { return cursorVisible_; }
    void FullScreenMouseMoved(QPoint globalPos);
    // Display modes for the resolution change of full screen; XRandR unless set (tests).
    void setDisplayModeBackend(std::unique_ptr<video::DisplayModeBackend> backend);
    video::DisplayModeBackend &displayModes();
    // "W x H x depth" texts of the display, as read when the settings were loaded.
    const QStringList &resolutionList() const { return resolutionList_; }
    void refreshResolutionList();
    // Display modes of the X display, deduplicated, in the display's order; empty without one.
    static QStringList DisplayModeList();
    // A tool window (playlist, database) that full screen hid and will show again on leaving:
    // it still counts as shown when the settings are written.
    bool hiddenForFullScreen(const QWidget *window) const;

    QTimer *Timer8 = nullptr;   // hides the cursor and the bar in full screen (single shot)
    void Timer8Timer();

    void FullScrClick();
    void PanScan1Click();
    void AutoPanScan1Click();
    void PanScanInc1Click();
    void PanScanDec1Click();
    void PanScanNormal1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPopupMenu();
    video::Framing framing() const;
    video::FullScreenPointerGeometry pointerGeometry() const;
    void applyPointerAnswer(const video::FullScreenPointerAnswer &a);

    AppContext &ctx_;
    video::Framing framing_;      // panScanValue is taken from the settings at each layout
    std::unique_ptr<video::DisplayModeBackend> modes_;
    std::unique_ptr<video::DisplayModeSwitch> modeSwitch_;
    QStringList resolutionList_;
    video::FullScreenPointer pointer_;
    QElapsedTimer clock_;
    bool cursorVisible_ = true;
    // Where the main window was before full screen, to come back to exactly.
    QRect savedGeometry_;
    Qt::WindowStates savedState_;
    int panelIndex_ = -1;          // Panel11's place in the client layout
    int panelFrameStyle_ = 0;
    QList<QPointer<QWidget>> hiddenTools_;   // shown before full screen, hidden during it
};

} // namespace zv
