// The program's keys, the mouse wheel and the global playback keys: one filter on the
// application sees every key press of every window before the focused control does, and
// runs the rows of the key table that match it.
#include "app/main_window.h"

#include "app/global_keys.h"
#include "app/key_table.h"
#include "core/app/key_rules.h"
#include "core/app/outside_keys.h"
#include "core/config/settings.h"
#include "core/playback/rate_menu.h"
#include "playback/media_engine.h"
#include "playlist/playlist_window.h"
#include "library/subtitle_database_window.h"
#include "subtitles/subtitle_editor.h"
#include "video/fullscreen_bar.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QWheelEvent>
#include <QWindow>

using zv::keys::Window;

struct TZentavistaApp::KeysState : QObject {
    TZentavistaApp *app = nullptr;
    zv::keys::WheelNotches wheel;
    bool numPlusHeld = false, numMinusHeld = false;
    std::unique_ptr<zv::GlobalKeys> globalKeys;

    bool eventFilter(QObject *watched, QEvent *event) override;
};

void TZentavistaApp::KeysStateDeleter::operator()(KeysState *p) const
{
    delete p;
}

TZentavistaApp::KeysState &TZentavistaApp::keysState() const
{
    if (!keys_) {
        keys_.reset(new KeysState);
        keys_->app = const_cast<TZentavistaApp *>(this);
    }
    return *keys_;
}

void TZentavistaApp::ConnectKeys()
{
    qApp->installEventFilter(&keysState());
}

zv::keys::Window TZentavistaApp::keyWindowOf(const QWidget *window) const
{
    if (!window)
        return Window::Other;
    if (window == this)
        return isFullScreenOn() ? Window::Video : Window::Main;
    if (window == Form13)
        return Window::Bar;
    if (window == Form6)
        return Window::Playlist;
    if (window == Form7)
        return Window::Database;
    if (window == Form12)
        return Window::Editor;
    return Window::Other;
}

// True when the key is consumed.
bool TZentavistaApp::AppKeyPress(int key, Qt::KeyboardModifiers mods, const QWidget *window)
{
    if (ShuttingDown)
        return false;
    const Window active = keyWindowOf(window);
    const bool keypad = mods.testFlag(Qt::KeypadModifier);
    mods &= ~Qt::KeypadModifier;

    // The keypad's digits belong to the editor's playback keys while it is active.
    if (active == Window::Editor && keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        QAction *const digitItems[10] = {OW1, nullptr, nullptr, nullptr, PT1, Stop, PP1};
        runCommand(digitItems[key - Qt::Key_0]);
        return true;
    }
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;

    bool consumed = false;
    const zv::KeyContext context{active, mods};
    keyEventModifiers_ = mods;
    const auto restore = qScopeGuard([this] { keyEventModifiers_.reset(); });
    const bool fullScreen = isFullScreenOn();
    for (const zv::KeyRow &row : zv::keyTable()) {
        if (row.key != key || (row.keypad && !keypad) || !zv::keys::modsMatch(row.mods, mods)
            || !zv::keys::groupMatches(row.group, active, fullScreen))
            continue;
        if (row.click)
            runCommand(this->*(row.click));
        else if (row.run)
            row.run(*this, context);
        consumed = consumed || row.consumed;
        if (ShuttingDown)   // a row closed the program
            break;
    }
    return consumed;
}

bool TZentavistaApp::KeysState::eventFilter(QObject *watched, QEvent *event)
{
    // Keys and the wheel reach a window first and then its widgets; taking them at the window
    // sees each once, before the focused control.
    if (!watched->isWindowType())
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::Wheel)
        return false;
    if (QApplication::activePopupWidget())
        return false;   // a menu is open: its keys are its own
    QWidget *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowHandle() == watched) {
            window = w;
            break;
        }
    if (!window)
        return false;

    if (type == QEvent::Wheel) {
        if (!zv::keys::isPlayerWindow(app->keyWindowOf(window)))
            return false;
        const int notches = wheel.add(static_cast<QWheelEvent *>(event)->angleDelta().y());
        for (int i = 0; i < std::abs(notches) * 2; ++i)
            app->runCommand(notches > 0 ? app->pod1 : app->sci1);
        return false;
    }
    auto *ke = static_cast<QKeyEvent *>(event);
    const bool keypad = ke->modifiers().testFlag(Qt::KeypadModifier);
    if (keypad && (ke->key() == Qt::Key_Plus || ke->key() == Qt::Key_Minus) && !ke->isAutoRepeat())
        (ke->key() == Qt::Key_Plus ? numPlusHeld : numMinusHeld) = type == QEvent::KeyPress;
    if (type == QEvent::KeyRelease)
        return false;
    return app->AppKeyPress(ke->key(), ke->modifiers(), window);
}

// ---- the small actions of the key rows -----------------------------------------------------

void TZentavistaApp::SeekBy(double seconds)
{
    if (MediaEngine *e = m(); e && e->PlayState() != MediaEngine::psClosed)
        e->setCurrentPosition(e->CurrentPosition() + seconds);
}

void TZentavistaApp::StepRate(int direction)
{
    const int tag = direction > 0   ? zv::playback::kFasterTag
                    : direction < 0 ? zv::playback::kSlowerTag
                                    : zv::playback::kNormalTag;
    for (QAction *item : rateItems())
        if (item->data().toInt() == tag) {
            UstawRateStatus(item);
            return;
        }
}

void TZentavistaApp::HidePlaylistWindow()
{
    if (Form6)
        Form6->hide();
}

void TZentavistaApp::KeypadPlusMinus(bool up)
{
    const KeysState &k = keysState();
    // Both held: the subtitles go back to their default height.
    if (k.numPlusHeld && k.numMinusHeld)
        ResetSubtitlePosition();
    else
        runCommand(up ? DisplayerUp1 : DisplayerDown1);
}

// ---- global keys ------------------------------------------------------------------------------

void TZentavistaApp::RestartGlobalKeys()
{
    KeysState &k = keysState();
    StopGlobalKeys();
    if (!settings().EnableOutCtrls)
        return;
    k.globalKeys = std::make_unique<zv::GlobalKeys>([this](int command) {
        // From the listener's thread: one queued call per command to the UI thread.
        QMetaObject::invokeMethod(this, [this, command] { OutsideCommand(command); },
                                  Qt::QueuedConnection);
    });
    if (!k.globalKeys->start())
        k.globalKeys.reset();
}

void TZentavistaApp::StopGlobalKeys()
{
    if (!keys_)
        return;
    if (keys_->globalKeys)
        keys_->globalKeys->stop();
    keys_->globalKeys.reset();
}

bool TZentavistaApp::GlobalKeysRunning() const
{
    return keys_ && keys_->globalKeys && keys_->globalKeys->running();
}

void TZentavistaApp::OutsideCommand(int command)
{
    if (ShuttingDown || !settings().EnableOutCtrls)
        return;
    using K = zv::keys::OutsideKeys;
    switch (command) {
    case K::kPrev: runCommand(Prev); break;
    case K::kPlay: runCommand(Play); break;
    case K::kPlayPause: runCommand(OW1); break;
    case K::kStop: runCommand(Stop); break;
    case K::kNext: runCommand(Next); break;
    default: break;
    }
}

void TZentavistaApp::PlaylistAddFolder()
{
    if (Form6)
        Form6->AddDir1Click();
}
