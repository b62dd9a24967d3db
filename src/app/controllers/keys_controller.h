#pragma once

#include "app/key_table.h"
#include "core/app/key_rules.h"

#include <QObject>

#include <memory>
#include <optional>

class QWidget;

namespace zv {

struct AppContext;
class GlobalKeys;

// The program's keys, the mouse wheel and the global playback keys: one filter on the
// application sees every key press of every window before the focused control does, and runs
// the rows of the key table that match it. Also answers which modifiers the running command
// was given.
class KeysController : public QObject, public KeyActions {
    Q_OBJECT

public:
    explicit KeysController(AppContext &ctx);
    ~KeysController() override;

    // Runs every key-table row matching a key pressed in window; true when the key is consumed.
    bool AppKeyPress(int key, Qt::KeyboardModifiers mods, const QWidget *window);
    keys::Window keyWindowOf(const QWidget *window) const;
    // Shift and Ctrl as the commands read them: those of the key press whose rows run, else
    // the keyboard's (or the test's source).
    Qt::KeyboardModifiers keyModifiers() const;
    bool escapeHeld() const;   // polled during folder scans

    // The global keys' listener: (re)started when options are applied, if EnableOutCtrls.
    void RestartGlobalKeys();
    void StopGlobalKeys();
    bool GlobalKeysRunning() const;
    void OutsideCommand(int command);      // a global key's command, on the UI thread

    // KeyActions
    bool run(Cmd c) override;
    void SeekBy(double seconds) override;
    void StepRate(int direction) override;
    void StepFraming(video::FramingStep step) override;
    void PanScanOnIfOff() override;
    void RelayoutNudged() override;
    void HidePlaylistWindow() override;
    void PlaylistAddFolder() override;
    void SetTransparentColor() override;
    void ResetSubtitlePosition() override;
    void KeypadPlusMinus(bool up) override;   // both held: as keypad "*"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppContext &ctx_;
    keys::WheelNotches wheel_;
    bool numPlusHeld_ = false, numMinusHeld_ = false;
    std::unique_ptr<GlobalKeys> globalKeys_;
    // The modifiers of the key press whose rows are running: its commands read these, not a
    // fresh query of the keyboard.
    std::optional<Qt::KeyboardModifiers> keyEventModifiers_;
};

} // namespace zv
