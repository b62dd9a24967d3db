// The video area: the engine's rectangle inside the video window (pan-scan, offsets, inset),
// full screen with its control bar, the hidden cursor, the display-mode change and the video
// window's popup menu.
#include "app/main_window.h"

#include "core/config/settings.h"
#include "core/video/display_mode_switch.h"
#include "core/video/fullscreen_pointer.h"
#include "core/video/video_layout.h"
#include "playback/media_engine.h"
#include "video/fullscreen_bar.h"
#include "video/video_window.h"
#include "video/xrandr_display_modes.h"
#include "shell/drop_target.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

using zv::video::FramingStep;
using zv::video::FullScreenPointer;

struct TZentavistaApp::VideoState : QObject {
    zv::video::Framing framing;   // panScanValue is taken from the settings at each layout
    std::unique_ptr<zv::video::DisplayModeBackend> modes;
    std::unique_ptr<zv::video::DisplayModeSwitch> modeSwitch;
    FullScreenPointer pointer;
    QElapsedTimer clock;
    bool cursorVisible = true;    // CursorVisible
    // Where the main window was before full screen, to come back to exactly.
    QRect savedGeometry;
    Qt::WindowStates savedState;
    int panelIndex = -1;          // Panel11's place in the client layout
    int panelFrameStyle = 0;

    TZentavistaApp *app = nullptr;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

void TZentavistaApp::VideoStateDeleter::operator()(VideoState *p) const
{
    delete p;
}

TZentavistaApp::VideoState &TZentavistaApp::videoState() const
{
    if (!video_) {
        video_.reset(new VideoState);
        video_->app = const_cast<TZentavistaApp *>(this);
        video_->clock.start();
    }
    return *video_;
}

void TZentavistaApp::setDisplayModeBackend(std::unique_ptr<zv::video::DisplayModeBackend> backend)
{
    VideoState &v = videoState();
    v.modes = std::move(backend);
    v.modeSwitch = std::make_unique<zv::video::DisplayModeSwitch>(v.modes.get());
    if (settingsLoaded_)
        resolutionList_ = v.modes->modes();
}

zv::video::DisplayModeBackend &TZentavistaApp::displayModes()
{
    VideoState &v = videoState();
    if (!v.modes)
        setDisplayModeBackend(std::make_unique<zv::video::XrandrDisplayModes>());
    return *v.modes;
}

QStringList TZentavistaApp::DisplayModeList()
{
    return zv::video::XrandrDisplayModes().modes();
}

// ---- layout ---------------------------------------------------------------------------------

zv::video::Framing TZentavistaApp::framing() const
{
    zv::video::Framing f = videoState().framing;
    f.panScanOn = PanScan1 && PanScan1->isChecked();
    f.panScanValue = settings().PanScanValue;
    return f;
}

void TZentavistaApp::UstawOCXWindow()
{
    if (!Form9)
        return;
    // The video panel keeps the video window over it; only its visibility follows ours.
    if (!ShuttingDown && !isFullScreenOn() && isVisible() && !Form9->isVisible())
        Form9->show();
    if (ShuttingDown)
        return;
    MediaEngine *e = m();
    if (!e || e->PlayState() == MediaEngine::psClosed) {
        Form9->setIdle(true);
        return;
    }
    Form9->setIdle(false);
    Form9->setEngineRect(zv::video::engineRect(Form9->Panel1->width(), Form9->Panel1->height(),
                                               framing()));
}

void TZentavistaApp::PanScan1Click()
{
    // The item is checkable: its check mark, toggled by the click, is PanScanOn.
    UstawOCXWindow();
    UstawMStaus();
}

void TZentavistaApp::AutoPanScan1Click()
{
    const QScreen *s = screen();
    MediaEngine *e = m();
    if (!s || !e)
        return;
    const std::optional<int> zoom = zv::video::autoPanScanValue(
        s->geometry().width(), s->geometry().height(), e->ImageSourceWidth(), e->ImageSourceHeight());
    if (!zoom)
        return;
    settings().PanScanValue = *zoom;
    UstawOCXWindow();
}

void TZentavistaApp::StepFraming(FramingStep step)
{
    VideoState &v = videoState();
    const zv::video::Framing f = zv::video::stepped(framing(), step);
    v.framing.offsetX = f.offsetX;
    v.framing.offsetY = f.offsetY;
    v.framing.verticalInset = f.verticalInset;
    settings().PanScanValue = f.panScanValue;
    UstawOCXWindow();
}

void TZentavistaApp::PanScanOnIfOff()
{
    if (!PanScan1->isChecked())
        runCommand(PanScan1);
}

void TZentavistaApp::RelayoutNudged()
{
    // Some outputs redraw a picture only when its rectangle changes; one pixel and back does it.
    int &z = settings().PanScanValue;
    const int keep = z;
    z = keep + 1;
    UstawOCXWindow();
    z = keep;
    UstawOCXWindow();
}

void TZentavistaApp::PanScanInc1Click() { StepFraming(FramingStep::PanScanInc); }
void TZentavistaApp::PanScanDec1Click() { StepFraming(FramingStep::PanScanDec); }
void TZentavistaApp::PanScanNormal1Click() { StepFraming(FramingStep::PanScanNormal); }

const zv::video::Framing &TZentavistaApp::pictureFraming() const
{
    return videoState().framing;
}

// ---- full screen ------------------------------------------------------------------------------

bool TZentavistaApp::isFullScreenOn() const
{
    return FullScr && FullScr->isChecked();
}

void TZentavistaApp::FullScrClick()
{
    // The item is checkable: the click has already toggled the check mark, the full-screen flag.
    UstawFullScreen(FullScr->isChecked());
    if (isFullScreenOn() && Form9 && Form9->isVisible())
        Form9->setFocus();
    UstawMStaus();
}

void TZentavistaApp::UstawFullScreen(bool on)
{
    VideoState &v = videoState();
    if (FullScr->isChecked() != on)
        FullScr->setChecked(on);
    if (!Form9 || !Form13)
        return;
    const bool inFullScreen = Form9->isEnabled();   // the video window takes input only then
    if (on == inFullScreen)
        return;

    if (on) {
        QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect area = s->geometry();
        // Panels and task bars are covered by the window manager for a full-screen window; no
        // separate hiding of them is needed.
        const Qt::KeyboardModifiers mods = keyModifiers();
        if (!mods.testFlag(Qt::AltModifier)
            && (settings().ChangeFullScrRes || mods.testFlag(Qt::ControlModifier))) {
            displayModes().setOutput(s->name());
            v.modeSwitch->enter(resolutionList_, settings().FullScrResIndex);
        }
        v.savedState = windowState();
        v.savedGeometry = v.savedState & (Qt::WindowMaximized | Qt::WindowFullScreen)
                              ? normalGeometry() : geometry();

        // Only the picture stays; the lower panel moves to the control bar.
        auto *client = static_cast<QVBoxLayout *>(centralWidget()->layout());
        v.panelIndex = client->indexOf(Panel11);
        client->removeWidget(Panel11);
        Form13->holdPanel(Panel11);
        menuBar()->hide();
        Panel10->hide();
        v.panelFrameStyle = Panel12->frameStyle();
        Panel12->setFrameStyle(QFrame::NoFrame);
        Form9->setEnabled(true);

        // Sized first: without a window manager nobody else sizes the window, and a resize
        // after the state change would end the full-screen state again.
        setGeometry(area);
        setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized))
                       | Qt::WindowFullScreen);
        show();

        Form13->hide();
        for (QWidget *w : Form9->findChildren<QWidget *>())
            w->setMouseTracking(true);
        Form9->setMouseTracking(true);
        Form13->setMouseTracking(true);
        qApp->installEventFilter(&v);
        v.pointer.reset(QCursor::pos(), v.clock.elapsed());
        Timer8->setSingleShot(true);
        Timer8->start(FullScreenPointer::kHideAfterMs);
        if (Form9->isVisible())
            Form9->setFocus();
    } else {
        qApp->removeEventFilter(&v);
        Timer8->stop();
        SetCursorVisible(true);
        Form13->hide();
        if (v.modeSwitch)
            v.modeSwitch->restore();

        Form9->setEnabled(false);
        Panel12->setFrameStyle(v.panelFrameStyle);
        auto *client = static_cast<QVBoxLayout *>(centralWidget()->layout());
        client->insertWidget(v.panelIndex < 0 ? client->count() : v.panelIndex,
                             Form13->releasePanel());
        Panel11->show();
        Panel10->show();
        menuBar()->show();

        setWindowState(v.savedState & ~Qt::WindowFullScreen);
        if (!(v.savedState & Qt::WindowMaximized))
            setGeometry(v.savedGeometry);
        UstawOCXWindow();
        if (isVisible())
            activateWindow();
    }
    UstawMStaus();
}

void TZentavistaApp::SetCursorVisible(bool visible)
{
    VideoState &v = videoState();
    // The override cursor is a stack: pushes and pops must stay paired.
    if (visible == v.cursorVisible)
        return;
    v.cursorVisible = visible;
    if (visible)
        QGuiApplication::restoreOverrideCursor();
    else
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
}

bool TZentavistaApp::CursorVisible() const
{
    return videoState().cursorVisible;
}

zv::video::FullScreenPointerGeometry TZentavistaApp::pointerGeometry() const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    FullScreenPointer::Geometry g;
    g.screenHeight = s->geometry().bottom() + 1;
    g.barHeight = TForm13::kHeight;
    g.showControls = settings().ShowFullScrCtrls;
    return g;
}

void TZentavistaApp::applyPointerAnswer(const zv::video::FullScreenPointerAnswer &a)
{
    if (a.showCursor)
        SetCursorVisible(true);
    if (a.showBar) {
        // Along the bottom edge, its last row off the screen.
        const QRect area = (screen() ? screen() : QGuiApplication::primaryScreen())->geometry();
        Form13->setGeometry(area.left(), area.bottom() + 2 - TForm13::kHeight, area.width(),
                            TForm13::kHeight);
        Form13->show();
        Form13->raise();
    }
    if (a.restartHideTimer)
        Timer8->start(FullScreenPointer::kHideAfterMs);
    if (a.hideCursorAndBar) {
        SetCursorVisible(false);
        Timer8->stop();
        Form13->hide();
    }
}

void TZentavistaApp::FullScreenMouseMoved(QPoint globalPos)
{
    if (!isFullScreenOn())
        return;
    VideoState &v = videoState();
    applyPointerAnswer(v.pointer.moved(globalPos, v.clock.elapsed(), pointerGeometry()));
}

void TZentavistaApp::Timer8Timer()
{
    if (!isFullScreenOn())
        return;
    QWidget *active = QApplication::activeWindow();
    // Without a window manager nothing is ever active; the full-screen window is then ours.
    const bool ours = !active || active == this || active == Form13;
    applyPointerAnswer(videoState().pointer.hideTimerFired(QCursor::pos(), ours, pointerGeometry()));
}

bool TZentavistaApp::VideoState::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseMove && t != QEvent::MouseButtonRelease)
        return false;
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || !w->isWidgetType())
        return false;
    const bool onVideo = app->Form9 && (w == app->Form9 || app->Form9->isAncestorOf(w));
    const bool onBar = app->Form13 && (w == app->Form13 || app->Form13->isAncestorOf(w));
    if (!onVideo && !onBar)
        return false;
    auto *me = static_cast<QMouseEvent *>(event);
    if (t == QEvent::MouseMove) {
        app->FullScreenMouseMoved(me->globalPosition().toPoint());
    } else if (me->button() == Qt::RightButton && app->Form9->PopupMenu1) {
        app->Form9->PopupMenu1->popup(me->globalPosition().toPoint());
        return true;
    }
    return false;
}

// ---- the video window's popup menu --------------------------------------------------------------

namespace {

struct PopupRow {
    const char *name;
    const char *caption;   // UTF-8
    QAction *TZentavistaApp::*target;   // nullptr: close the main window
    bool separatorAfter;
};

const PopupRow kPopupMenu1[] = {
    {"OW1", "Play / Pauza \tSpacja", &TZentavistaApp::OW1, false},
    {"Z1", "Stop\tV", &TZentavistaApp::Stop, true},
    {"NA1", "Następny\tB", &TZentavistaApp::Next, false},
    {"PO1", "Poprzedni\tZ", &TZentavistaApp::Prev, false},
    {"PP1", "Przewiń w przód\tW prawo", &TZentavistaApp::PP1, false},
    {"PT1", "Przewiń w tył\tW lewo", &TZentavistaApp::PT1, true},
    {"Opcje1", "Opcje\tO", &TZentavistaApp::Opcje1, false},
    {"BT1", "Baza tekstów\tT", &TZentavistaApp::BT1, false},
    {"PL1", "Playlista\tP", &TZentavistaApp::PL1, false},
    {"Edytornapisw1", "Edytor napisów\tE", &TZentavistaApp::Edytortxt1, true},
    {"POWT1", "Powtarzaj\tCtrl+R", &TZentavistaApp::Powt1, false},
    {"WY1", "Wyświetlaj napisy      \tCtrl+N", &TZentavistaApp::Wy1, false},
    {"PanScan1", "PanScan\tCtrl+P", &TZentavistaApp::PanScan1, false},
    {"FullScr", "Pełny ekran\tF11", &TZentavistaApp::FullScr, true},
    {"Zakocz1", "Zakończ\tAlt+F4", nullptr, false},
};

} // namespace

void TZentavistaApp::ConnectVideoWindow()
{
    auto *menu = new QMenu(Form9);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    for (const PopupRow &row : kPopupMenu1) {
        QAction *a = menu->addAction(QString::fromUtf8(row.caption));
        // Scoped: the main window's own items carry the bare names.
        a->setObjectName(QStringLiteral("PopupMenu1.") + QLatin1String(row.name));
        if (row.target) {
            QAction *target = this->*(row.target);
            a->setCheckable(target->isCheckable());
            connect(a, &QAction::triggered, this, [this, target] {
                runCommand(target);
                UstawMStaus();
            });
        } else {
            connect(a, &QAction::triggered, this, &QWidget::close);
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
            if (!row.target)
                continue;
            const QAction *target = this->*(row.target);
            a->setChecked(target->isChecked());
            a->setEnabled(target->isEnabled());
        }
    });
    Form9->PopupMenu1 = menu;
    Form9->setEnabled(false);   // input only in full screen
    connect(Form9, &TForm9::resized, this, &TZentavistaApp::UstawOCXWindow);
    zv::registerDropTarget(Form9, this, &TZentavistaApp::OnForm1FMDragDrop);
}
