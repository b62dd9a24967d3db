#include "subtitles/subtitle_display.h"

#include "core/config/settings.h"
#include "subtitles/overlay_window.h"
#include "subtitles/subtitle_compositor.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <climits>

namespace zv {

SubtitleDisplay::SubtitleDisplay(Settings &settings, const LineWindows &windows,
                                 QWidget *mainWindow, QObject *parent)
    : QObject(parent), settings_(settings), mainWindow_(mainWindow),
      probe_(compositingManagerRunning)
{
    for (int k = 0; k < kSubtitleLines; ++k) {
        SubtitleOverlayWindow *w = windows[k];
        windows_[k] = w;
        if (!w)
            continue;
        w->setRenderBusyFlag(&renderer_.RenderBusy);
        if (mainWindow)
            w->setFocusReturnTarget(mainWindow);
        connect(w, &SubtitleOverlayWindow::dragStarted, this, &SubtitleDisplay::dragStarted);
        connect(w, &SubtitleOverlayWindow::dragMoved, this, &SubtitleDisplay::dragMoved);
        connect(w, &SubtitleOverlayWindow::dragFinished, this, &SubtitleDisplay::dragFinished);
    }
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &SubtitleDisplay::watchScreen);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
            &SubtitleDisplay::WMDisplayChange);
    overlayUsable_ = probe_();
    // A compositor that quits while a line shows: redraw at once, not at the next check.
    compositorWatch_ = new CompositorWatch([this] {
        if (probeOverlay())
            RobNapis(text_);
    }, this);
}

SubtitleDisplay::~SubtitleDisplay()
{
    for (SubtitleOverlayWindow *w : windows_) {
        if (w)
            w->setRenderBusyFlag(nullptr);
    }
}

void SubtitleDisplay::watchScreen(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &SubtitleDisplay::WMDisplayChange);
}

QRect SubtitleDisplay::screenGeometry() const
{
    QScreen *screen = mainWindow_ ? mainWindow_->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

bool SubtitleDisplay::probeOverlay()
{
    const bool usable = probe_ ? probe_() : false;
    if (usable == overlayUsable_)
        return false;
    overlayUsable_ = usable;
    if (usable && compositorWatch_)
        compositorWatch_->watch();
    emit overlayUsableChanged(usable);
    return true;
}

void SubtitleDisplay::setCompositorProbe(std::function<bool()> probe)
{
    probe_ = std::move(probe);
    probeOverlay();
}

void SubtitleDisplay::RobNapis(const QString &text)
{
    text_ = text;
    // Asked at every rendering: a compositor that went away must not leave black boxes until
    // the next periodic check.
    probeOverlay();
    const std::optional<RenderFlags> flags = renderFlagsFor(settings_.DisplayMode, overlayUsable_);
    if (!flags)
        return;
    DrawNapis(text, flags->regionsMode, flags->transparent);
}

void SubtitleDisplay::DrawNapis(const QString &text, bool regionsMode, bool transparent)
{
    text_ = text;
    if (transparent && !regionsMode && !overlayUsable_)
        regionsMode = true;
    QScreen *screen = mainWindow_ ? mainWindow_->screen() : QGuiApplication::primaryScreen();
    renderer_.setDevicePixelRatio(screen ? screen->devicePixelRatio() : 1.0);
    renderer_.DrawNapis(text, regionsMode, transparent, settings_, screenGeometry());
    applyToWindows();
}

void SubtitleDisplay::applyToWindows()
{
    const bool shaped = renderer_.paint() == OverlayPaint::Mask;
    // Lines that would lie over the kept-clear area move up together until they end above it.
    int lift = 0;
    if (const QRect area = keepClear_ ? keepClear_() : QRect(); !area.isEmpty()) {
        bool covers = false;
        int lowest = INT_MIN;
        for (int k = 0; k < kSubtitleLines; ++k) {
            const RenderedLine &line = renderer_.line(k);
            if (line.image.isNull())
                continue;
            covers = covers || line.geometry.intersects(area);
            lowest = qMax(lowest, line.geometry.bottom());
        }
        if (covers && lowest >= area.top())
            lift = lowest + 1 - area.top();
    }
    for (int k = 0; k < kSubtitleLines; ++k) {
        SubtitleOverlayWindow *w = windows_[k];
        if (!w)
            continue;
        const RenderedLine &line = renderer_.line(k);
        const bool hasPicture = !line.image.isNull() && (!shaped || !line.mask.isEmpty());
        if (shaped && hasPicture)
            w->setMask(line.mask);
        else
            w->clearMask();
        w->setGeometry(line.geometry.translated(0, -lift));
        w->setLineImage(line.image);
        if (shown_ && hasPicture) {
            if (!w->isVisible())
                w->show();
        } else if (w->isVisible()) {
            w->hide();
        }
    }
}

void SubtitleDisplay::setLinesShown(bool shown)
{
    shown_ = shown;
    applyToWindows();
}

bool SubtitleDisplay::ctrlHeld()
{
    return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
}

void SubtitleDisplay::DisplayerUp1Click(bool ctrlHeld)
{
    settings_.DisplayerBottom = movedDisplayerBottom(settings_.DisplayerBottom, true, ctrlHeld);
    RobNapis(text_);
}

void SubtitleDisplay::DisplayerDown1Click(bool ctrlHeld)
{
    settings_.DisplayerBottom = movedDisplayerBottom(settings_.DisplayerBottom, false, ctrlHeld);
    RobNapis(text_);
}

void SubtitleDisplay::ResetPosition()
{
    settings_.DisplayerBottom = kDisplayerResetBottom;
    RobNapis(text_);
}

void SubtitleDisplay::SetTransparentColor()
{
    if (probeOverlay())
        RobNapis(text_);
}

void SubtitleDisplay::WMDisplayChange()
{
    RobNapis(text_);
}

int SubtitleDisplay::DisplayerDistanceToSave() const
{
    return displayerDistanceToSave(renderer_.layout(), renderer_.referenceLineHeight(),
                                   settings_.DisplayerDistance);
}

void SubtitleDisplay::dragStarted(QPoint globalPos)
{
    dragStartY_ = globalPos.y();
    for (int k = 0; k < kSubtitleLines; ++k)
        dragStartTops_[k] = windows_[k] ? windows_[k]->y() : 0;
    const int last = renderer_.LastLineIndex();
    dragStartLayoutTop_ = last > 0 ? renderer_.layout().lines[last - 1].window.top() : 0;
    if (!dragging_) {
        dragging_ = true;
        emit overlayDraggingChanged(true);
    }
}

void SubtitleDisplay::dragMoved(QPoint globalPos)
{
    if (!dragging_)
        return;
    const int dy = globalPos.y() - dragStartY_;
    for (int k = 0; k < kSubtitleLines; ++k) {
        if (windows_[k])
            windows_[k]->move(windows_[k]->x(), dragStartTops_[k] + dy);
    }
    // From the layout's place rather than the window's: a window cut at the screen's edge
    // does not start where its line does.
    if (const std::optional<int> bottom = displayerBottomAfterDrag(
            renderer_.layout(), renderer_.layoutOptions(), dragStartLayoutTop_ + dy))
        settings_.DisplayerBottom = *bottom;
}

void SubtitleDisplay::dragFinished()
{
    if (!dragging_)
        return;
    dragging_ = false;
    emit overlayDraggingChanged(false);
}

} // namespace zv
