#include "app/controllers/video_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/keys_controller.h"
#include "app/controllers/options_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/main_panels.h"
#include "core/config/settings.h"
#include "core/video/display_mode_switch.h"
#include "playback/media_engine.h"
#include "library/subtitle_database_window.h"
#include "playback/playback_session.h"
#include "playlist/playlist_window.h"
#include "video/fullscreen_bar.h"
#include "video/video_window.h"
#include "video/xrandr_display_modes.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace zv {

using video::FramingStep;
using video::FullScreenPointer;

VideoController::VideoController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    clock_.start();
    // Hides the cursor and the control bar in full screen (single shot, restarted by mouse
    // moves). Mouse events replace a cursor poll, so no 10 ms timer exists.
    Timer8 = new QTimer(this);
    Timer8->setObjectName(QStringLiteral("Timer8"));
    Timer8->setInterval(2000);
    connect(Timer8, &QTimer::timeout, this, &VideoController::Timer8Timer);

    Commands &c = *ctx.commands;
    c.bind(Cmd::FullScr, this, [this] { FullScrClick(); });
    c.bind(Cmd::PanScan1, this, [this] { PanScan1Click(); });
    c.bind(Cmd::AutoPanScan1, this, [this] { AutoPanScan1Click(); });
    c.bind(Cmd::PanScanInc1, this, [this] { PanScanInc1Click(); });
    c.bind(Cmd::PanScanDec1, this, [this] { PanScanDec1Click(); });
    c.bind(Cmd::PanScanNormal1, this, [this] { PanScanNormal1Click(); });
    if (TForm9 *v = ctx.forms->Form9) {
        buildPopupMenu();
        v->setEnabled(false);   // input only in full screen
        connect(v, &TForm9::resized, this, &VideoController::UstawOCXWindow);
    }
}

VideoController::~VideoController() = default;

void VideoController::setDisplayModeBackend(std::unique_ptr<video::DisplayModeBackend> backend)
{
    modes_ = std::move(backend);
    modeSwitch_ = std::make_unique<video::DisplayModeSwitch>(modes_.get());
    if (ctx_.options && ctx_.options->settingsLoaded())
        resolutionList_ = modes_->modes();
}

video::DisplayModeBackend &VideoController::displayModes()
{
    if (!modes_)
        setDisplayModeBackend(std::make_unique<video::XrandrDisplayModes>());
    return *modes_;
}

void VideoController::refreshResolutionList()
{
    resolutionList_ = displayModes().modes();
}

QStringList VideoController::DisplayModeList()
{
    return video::XrandrDisplayModes().modes();
}

// ---- layout ---------------------------------------------------------------------------------

video::Framing VideoController::framing() const
{
    video::Framing f = framing_;
    f.panScanOn = ctx_.commands->isChecked(Cmd::PanScan1);
    f.panScanValue = ctx_.settings->PanScanValue;
    return f;
}

void VideoController::UstawOCXWindow()
{
    TForm9 *v = ctx_.forms->Form9;
    if (!v)
        return;
    const bool closing = ctx_.state->ShuttingDown;
    // The video panel keeps the video window over it; only its visibility follows ours.
    if (!closing && !isFullScreenOn() && ctx_.window->isVisible() && !v->isVisible())
        v->show();
    if (closing)
        return;
    MediaEngine *e = ctx_.m();
    if (!e || e->PlayState() == MediaEngine::psClosed) {
        v->setIdle(true);
        return;
    }
    v->setIdle(false);
    v->setEngineRect(video::engineRect(v->Panel1->width(), v->Panel1->height(), framing()));
}

void VideoController::PanScan1Click()
{
    // The item is checkable: its check mark, toggled by the click, is PanScanOn.
    UstawOCXWindow();
    ctx_.status->UstawMStaus();
}

void VideoController::AutoPanScan1Click()
{
    const QScreen *s = ctx_.window->screen();
    MediaEngine *e = ctx_.m();
    if (!s || !e)
        return;
    const std::optional<int> zoom = video::autoPanScanValue(s->geometry().width(), s->geometry().height(),
                                                            e->ImageSourceWidth(), e->ImageSourceHeight());
    if (!zoom)
        return;
    ctx_.settings->PanScanValue = *zoom;
    UstawOCXWindow();
}

void VideoController::StepFraming(FramingStep step)
{
    const video::Framing f = video::stepped(framing(), step);
    framing_.offsetX = f.offsetX;
    framing_.offsetY = f.offsetY;
    framing_.verticalInset = f.verticalInset;
    ctx_.settings->PanScanValue = f.panScanValue;
    UstawOCXWindow();
}

void VideoController::PanScanOnIfOff()
{
    if (!ctx_.commands->isChecked(Cmd::PanScan1))
        ctx_.commands->run(Cmd::PanScan1);
}

void VideoController::RelayoutNudged()
{
    // Some outputs redraw a picture only when its rectangle changes; one pixel and back does it.
    int &z = ctx_.settings->PanScanValue;
    const int keep = z;
    z = keep + 1;
    UstawOCXWindow();
    z = keep;
    UstawOCXWindow();
}

void VideoController::PanScanInc1Click() { StepFraming(FramingStep::PanScanInc); }
void VideoController::PanScanDec1Click() { StepFraming(FramingStep::PanScanDec); }
void VideoController::PanScanNormal1Click() { StepFraming(FramingStep::PanScanNormal); }

// ---- full screen ------------------------------------------------------------------------------

bool VideoController::isFullScreenOn() const
{
    return ctx_.commands->isChecked(Cmd::FullScr);
}

void VideoController::FullScrClick()
{
    // The item is checkable: the click has already toggled the check mark, the full-screen flag.
    UstawFullScreen(isFullScreenOn());
    TForm9 *v = ctx_.forms->Form9;
    if (isFullScreenOn() && v && v->isVisible())
        v->setFocus();
    ctx_.status->UstawMStaus();
}

void VideoController::UstawFullScreen(bool on)
{
    QAction *FullScr = ctx_.commands->action(Cmd::FullScr);
    if (FullScr->isChecked() != on)
        FullScr->setChecked(on);
    TForm9 *Form9 = ctx_.forms->Form9;
    TForm13 *Form13 = ctx_.forms->Form13;
    if (!Form9 || !Form13)
        return;
    const bool inFullScreen = Form9->isEnabled();   // the video window takes input only then
    if (on == inFullScreen)
        return;

    QMainWindow *w = ctx_.window;
    MainPanels &p = *ctx_.panels;
    if (on) {
        QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        const QRect area = s->geometry();
        // Panels and task bars are covered by the window manager for a full-screen window; no
        // separate hiding of them is needed.
        const Qt::KeyboardModifiers mods = ctx_.keys->keyModifiers();
        if (!mods.testFlag(Qt::AltModifier)
            && (ctx_.settings->ChangeFullScrRes || mods.testFlag(Qt::ControlModifier))) {
            displayModes().setOutput(s->name());
            modeSwitch_->enter(resolutionList_, ctx_.settings->FullScrResIndex);
        }
        savedState_ = w->windowState();
        savedGeometry_ = savedState_ & (Qt::WindowMaximized | Qt::WindowFullScreen) ? w->normalGeometry()
                                                                                      : w->geometry();

        // Only the picture stays; the lower panel moves to the control bar.
        auto *client = static_cast<QVBoxLayout *>(w->centralWidget()->layout());
        panelIndex_ = client->indexOf(p.Panel11);
        client->removeWidget(p.Panel11);
        Form13->holdPanel(p.Panel11);
        w->menuBar()->hide();
        p.Panel10->hide();
        panelFrameStyle_ = p.Panel12->frameStyle();
        p.Panel12->setFrameStyle(QFrame::NoFrame);
        Form9->setEnabled(true);

        // Sized first: without a window manager nobody else sizes the window, and a resize
        // after the state change would end the full-screen state again.
        w->setGeometry(area);
        w->setWindowState((w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | Qt::WindowFullScreen);
        w->show();

        Form13->hide();
        // The playlist and database windows would float over the film; they come back on leaving.
        hiddenTools_.clear();
        for (QWidget *tool : {static_cast<QWidget *>(ctx_.forms->Form6), static_cast<QWidget *>(ctx_.forms->Form7)})
            if (tool && tool->isVisible()) {
                hiddenTools_ << tool;
                tool->hide();
            }
        for (QWidget *child : Form9->findChildren<QWidget *>())
            child->setMouseTracking(true);
        Form9->setMouseTracking(true);
        Form13->setMouseTracking(true);
        qApp->installEventFilter(this);
        pointer_.reset(QCursor::pos(), clock_.elapsed());
        Timer8->setSingleShot(true);
        Timer8->start(FullScreenPointer::kHideAfterMs);
        if (Form9->isVisible())
            Form9->setFocus();
    } else {
        qApp->removeEventFilter(this);
        Timer8->stop();
        SetCursorVisible(true);
        Form13->hide();
        if (modeSwitch_)
            modeSwitch_->restore();

        Form9->setEnabled(false);
        p.Panel12->setFrameStyle(panelFrameStyle_);
        auto *client = static_cast<QVBoxLayout *>(w->centralWidget()->layout());
        client->insertWidget(panelIndex_ < 0 ? client->count() : panelIndex_, Form13->releasePanel());
        p.Panel11->show();
        p.Panel10->show();
        w->menuBar()->show();

        w->setWindowState(savedState_ & ~Qt::WindowFullScreen);
        if (!(savedState_ & Qt::WindowMaximized))
            w->setGeometry(savedGeometry_);
        UstawOCXWindow();
        // While the program closes they stay hidden; the settings still record them as shown.
        if (!ctx_.state->ShuttingDown) {
            for (const QPointer<QWidget> &tool : std::exchange(hiddenTools_, {}))
                if (tool)
                    tool->show();
        }
        if (w->isVisible())
            w->activateWindow();
    }
    ctx_.status->UstawMStaus();
}

void VideoController::SetCursorVisible(bool visible)
{
    // The override cursor is a stack: pushes and pops must stay paired.
    if (visible == cursorVisible_)
        return;
    cursorVisible_ = visible;
    if (visible)
        QGuiApplication::restoreOverrideCursor();
    else
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
}

bool VideoController::hiddenForFullScreen(const QWidget *window) const
{
    for (const QPointer<QWidget> &tool : hiddenTools_)
        if (tool == window)
            return true;
    return false;
}

video::FullScreenPointerGeometry VideoController::pointerGeometry() const
{
    const QScreen *s = ctx_.window->screen() ? ctx_.window->screen() : QGuiApplication::primaryScreen();
    FullScreenPointer::Geometry g;
    g.screenHeight = s->geometry().bottom() + 1;
    g.barHeight = TForm13::kHeight;
    g.showControls = ctx_.settings->ShowFullScrCtrls;
    return g;
}

void VideoController::applyPointerAnswer(const video::FullScreenPointerAnswer &a)
{
    TForm13 *bar = ctx_.forms->Form13;
    if (a.showCursor)
        SetCursorVisible(true);
    if (a.showBar) {
        // Along the bottom edge, its last row off the screen.
        const QScreen *s = ctx_.window->screen() ? ctx_.window->screen() : QGuiApplication::primaryScreen();
        const QRect area = s->geometry();
        bar->setGeometry(area.left(), area.bottom() + 2 - TForm13::kHeight, area.width(), TForm13::kHeight);
        bar->show();
        bar->raise();
    }
    if (a.restartHideTimer)
        Timer8->start(FullScreenPointer::kHideAfterMs);
    if (a.hideCursorAndBar) {
        SetCursorVisible(false);
        Timer8->stop();
        bar->hide();
    }
}

void VideoController::FullScreenMouseMoved(QPoint globalPos)
{
    if (!isFullScreenOn())
        return;
    applyPointerAnswer(pointer_.moved(globalPos, clock_.elapsed(), pointerGeometry()));
}

void VideoController::Timer8Timer()
{
    if (!isFullScreenOn())
        return;
    QWidget *active = QApplication::activeWindow();
    // Without a window manager nothing is ever active; the full-screen window is then ours.
    const bool ours = !active || active == ctx_.window || active == ctx_.forms->Form13;
    applyPointerAnswer(pointer_.hideTimerFired(QCursor::pos(), ours, pointerGeometry()));
}

bool VideoController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseMove && t != QEvent::MouseButtonRelease)
        return false;
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || !w->isWidgetType())
        return false;
    TForm9 *video = ctx_.forms->Form9;
    TForm13 *bar = ctx_.forms->Form13;
    const bool onVideo = video && (w == video || video->isAncestorOf(w));
    const bool onBar = bar && (w == bar || bar->isAncestorOf(w));
    if (!onVideo && !onBar)
        return false;
    auto *me = static_cast<QMouseEvent *>(event);
    if (t == QEvent::MouseMove) {
        FullScreenMouseMoved(me->globalPosition().toPoint());
    } else if (me->button() == Qt::RightButton && video && video->PopupMenu1) {
        video->PopupMenu1->popup(me->globalPosition().toPoint());
        return true;
    }
    return false;
}

// ---- the video window's popup menu --------------------------------------------------------------

namespace {

struct PopupRow {
    const char *name;
    const char *caption;   // UTF-8
    Cmd target;            // Cmd::Count: close the main window
    bool separatorAfter;
};

const PopupRow kPopupMenu1[] = {
    {"OW1", "Play / Pauza \tSpacja", Cmd::OW1, false},
    {"Z1", "Stop\tV", Cmd::Stop, true},
    {"NA1", "Następny\tB", Cmd::Next, false},
    {"PO1", "Poprzedni\tZ", Cmd::Prev, false},
    {"PP1", "Przewiń w przód\tW prawo", Cmd::PP1, false},
    {"PT1", "Przewiń w tył\tW lewo", Cmd::PT1, true},
    {"Opcje1", "Opcje\tO", Cmd::Opcje1, false},
    {"BT1", "Baza tekstów\tT", Cmd::BT1, false},
    {"PL1", "Playlista\tP", Cmd::PL1, false},
    {"Edytornapisw1", "Edytor napisów\tE", Cmd::Edytortxt1, true},
    {"POWT1", "Powtarzaj\tCtrl+R", Cmd::Powt1, false},
    {"WY1", "Wyświetlaj napisy      \tCtrl+N", Cmd::Wy1, false},
    {"PanScan1", "PanScan\tCtrl+P", Cmd::PanScan1, false},
    {"FullScr", "Pełny ekran\tF11", Cmd::FullScr, true},
    {"Zakocz1", "Zakończ\tAlt+F4", Cmd::Count, false},
};

} // namespace

void VideoController::buildPopupMenu()
{
    TForm9 *video = ctx_.forms->Form9;
    auto *menu = new QMenu(video);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    for (const PopupRow &row : kPopupMenu1) {
        QAction *a = menu->addAction(QString::fromUtf8(row.caption));
        // Scoped: the main window's own items carry the bare names.
        a->setObjectName(QStringLiteral("PopupMenu1.") + QLatin1String(row.name));
        if (row.target != Cmd::Count) {
            a->setCheckable(ctx_.commands->action(row.target)->isCheckable());
            connect(a, &QAction::triggered, this, [this, target = row.target] {
                ctx_.commands->run(target);
                ctx_.status->UstawMStaus();
            });
        } else {
            connect(a, &QAction::triggered, ctx_.window, &QWidget::close);
        }
        if (row.separatorAfter)
            menu->addSeparator();
    }
    menu->setDefaultAction(menu->actions().constFirst());
    // The check marks and enabling are those of the items the rows click.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        int i = 0;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator())
                continue;
            const PopupRow &row = kPopupMenu1[i++];
            if (row.target == Cmd::Count)
                continue;
            const QAction *target = ctx_.commands->action(row.target);
            a->setChecked(target->isChecked());
            a->setEnabled(target->isEnabled());
        }
    });
    video->PopupMenu1 = menu;
}

} // namespace zv
