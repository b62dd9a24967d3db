#include "app/controllers/keys_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/transport_controller.h"
#include "app/controllers/video_controller.h"
#include "app/global_keys.h"
#include "core/app/outside_keys.h"
#include "core/config/settings.h"
#include "library/subtitle_database_window.h"
#include "playlist/playlist_window.h"
#include "subtitles/subtitle_editor.h"
#include "video/fullscreen_bar.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScopeGuard>
#include <QWheelEvent>
#include <QWindow>

static bool escapeKeyHeld();

namespace zv {

using keys::Window;

KeysController::KeysController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    qApp->installEventFilter(this);
    // A key let go in another program is never released here.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            numPlusHeld_ = numMinusHeld_ = false;
    });
}

KeysController::~KeysController()
{
    StopGlobalKeys();
}

Qt::KeyboardModifiers KeysController::keyModifiers() const
{
    if (keyEventModifiers_)
        return *keyEventModifiers_;
    return ctx_.hooks->modifiers ? ctx_.hooks->modifiers() : QGuiApplication::queryKeyboardModifiers();
}

bool KeysController::escapeHeld() const
{
    return ctx_.hooks->escapeHeld ? ctx_.hooks->escapeHeld() : escapeKeyHeld();
}

keys::Window KeysController::keyWindowOf(const QWidget *window) const
{
    const AppWindows &f = *ctx_.forms;
    if (!window)
        return Window::Other;
    if (window == ctx_.window)
        return ctx_.video->isFullScreenOn() ? Window::Video : Window::Main;
    if (window == f.Form13)
        return Window::Bar;
    if (window == f.Form6)
        return Window::Playlist;
    if (window == f.Form7)
        return Window::Database;
    if (window == f.Form12)
        return Window::Editor;
    return Window::Other;
}

// True when the key is consumed.
bool KeysController::AppKeyPress(int key, Qt::KeyboardModifiers mods, const QWidget *window)
{
    if (ctx_.state->ShuttingDown)
        return false;
    const Window active = keyWindowOf(window);
    const bool keypad = mods.testFlag(Qt::KeypadModifier);
    mods &= ~Qt::KeypadModifier;

    // The keypad's digits belong to the editor's playback keys while it is active.
    if (active == Window::Editor && keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        const Cmd digitItems[10] = {Cmd::OW1, Cmd::Count, Cmd::Count, Cmd::Count, Cmd::PT1,
                                    Cmd::Stop, Cmd::PP1, Cmd::Count, Cmd::Count, Cmd::Count};
        if (digitItems[key - Qt::Key_0] != Cmd::Count)
            run(digitItems[key - Qt::Key_0]);
        return true;
    }
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;

    bool consumed = false;
    const KeyContext context{active, mods};
    keyEventModifiers_ = mods;
    const auto restore = qScopeGuard([this] { keyEventModifiers_.reset(); });
    const bool fullScreen = ctx_.video->isFullScreenOn();
    for (const KeyRow &row : keyTable()) {
        if (row.key != key || (row.keypad && !keypad) || !keys::modsMatch(row.mods, mods)
            || !keys::groupMatches(row.group, active, fullScreen))
            continue;
        if (row.click != Cmd::Count)
            run(row.click);
        else if (row.run)
            row.run(*this, context);
        consumed = consumed || row.consumed;
        if (ctx_.state->ShuttingDown)   // a row closed the program
            break;
    }
    return consumed;
}

bool KeysController::eventFilter(QObject *watched, QEvent *event)
{
    // Keys and the wheel reach a window first and then its widgets; taking them at the window
    // sees each once, before the focused control.
    if (!watched->isWindowType())
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::Wheel)
        return false;
    if (QApplication::activePopupWidget()) {
        // A menu is open: its keys are its own, and a release it takes is never seen here.
        numPlusHeld_ = numMinusHeld_ = false;
        return false;
    }
    QWidget *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowHandle() == watched) {
            window = w;
            break;
        }
    if (!window)
        return false;

    if (type == QEvent::Wheel) {
        if (!keys::isPlayerWindow(keyWindowOf(window)))
            return false;
        const int notches = wheel_.add(static_cast<QWheelEvent *>(event)->angleDelta().y());
        for (int i = 0; i < std::abs(notches) * 2; ++i)
            run(notches > 0 ? Cmd::pod1 : Cmd::sci1);
        return false;
    }
    auto *ke = static_cast<QKeyEvent *>(event);
    const bool keypad = ke->modifiers().testFlag(Qt::KeypadModifier);
    if (keypad && (ke->key() == Qt::Key_Plus || ke->key() == Qt::Key_Minus) && !ke->isAutoRepeat())
        (ke->key() == Qt::Key_Plus ? numPlusHeld_ : numMinusHeld_) = type == QEvent::KeyPress;
    if (type == QEvent::KeyRelease)
        return false;
    return AppKeyPress(ke->key(), ke->modifiers(), window);
}

// ---- the small actions of the key rows -----------------------------------------------------

bool KeysController::run(Cmd c) { return ctx_.commands->run(c); }
void KeysController::SeekBy(double seconds) { ctx_.transport->SeekBy(seconds); }
void KeysController::StepRate(int direction) { ctx_.transport->StepRate(direction); }
void KeysController::StepFraming(video::FramingStep step) { ctx_.video->StepFraming(step); }
void KeysController::PanScanOnIfOff() { ctx_.video->PanScanOnIfOff(); }
void KeysController::RelayoutNudged() { ctx_.video->RelayoutNudged(); }
void KeysController::HidePlaylistWindow() { ctx_.playlist->HidePlaylistWindow(); }
void KeysController::PlaylistAddFolder() { ctx_.playlist->PlaylistAddFolder(); }
void KeysController::SetTransparentColor() { ctx_.subtitles->SetTransparentColor(); }
void KeysController::ResetSubtitlePosition() { ctx_.subtitles->ResetSubtitlePosition(); }

void KeysController::KeypadPlusMinus(bool up)
{
    // Both held: the subtitles go back to their default height.
    if (numPlusHeld_ && numMinusHeld_)
        ResetSubtitlePosition();
    else
        run(up ? Cmd::DisplayerUp1 : Cmd::DisplayerDown1);
}

// ---- global keys ------------------------------------------------------------------------------

void KeysController::RestartGlobalKeys()
{
    StopGlobalKeys();
    if (!ctx_.settings->EnableOutCtrls)
        return;
    globalKeys_ = std::make_unique<GlobalKeys>([this](int command) {
        // From the listener's thread: one queued call per command to the UI thread.
        QMetaObject::invokeMethod(this, [this, command] { OutsideCommand(command); }, Qt::QueuedConnection);
    });
    if (!globalKeys_->start())
        globalKeys_.reset();
}

void KeysController::StopGlobalKeys()
{
    if (globalKeys_)
        globalKeys_->stop();
    globalKeys_.reset();
}

bool KeysController::GlobalKeysRunning() const
{
    return globalKeys_ && globalKeys_->running();
}

void KeysController::OutsideCommand(int command)
{
    if (ctx_.state->ShuttingDown || !ctx_.settings->EnableOutCtrls)
        return;
    using K = keys::OutsideKeys;
    switch (command) {
    case K::kPrev: run(Cmd::Prev); break;
    case K::kPlay: run(Cmd::Play); break;
    case K::kPlayPause: run(Cmd::OW1); break;
    case K::kStop: run(Cmd::Stop); break;
    case K::kNext: run(Cmd::Next); break;
    default: break;
    }
}

} // namespace zv

// Xlib last: its macros (None, Bool, Status) collide with names in Qt's headers.
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

// Asked every few milliseconds during a folder scan: one round trip to the X server, no more.
static bool escapeKeyHeld()
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    const KeyCode code = XKeysymToKeycode(display, XK_Escape);
    if (code == 0)
        return false;
    char keys[32];
    XQueryKeymap(display, keys);
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}
