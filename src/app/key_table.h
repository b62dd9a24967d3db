#pragma once

#include "core/app/key_rules.h"

#include "app/commands.h"

#include <QStringList>

#include <span>

namespace zv {

namespace video {
enum class FramingStep;
}

// What the key rows do besides clicking an item: the small actions of the features, as the
// keys feature offers them.
class KeyActions {
public:
    virtual ~KeyActions() = default;
    virtual bool run(Cmd c) = 0;
    virtual void SeekBy(double seconds) = 0;
    virtual void StepRate(int direction) = 0;   // +1 faster, -1 slower, 0 normal
    virtual void StepFraming(video::FramingStep step) = 0;
    virtual void PanScanOnIfOff() = 0;
    virtual void RelayoutNudged() = 0;
    virtual void HidePlaylistWindow() = 0;
    virtual void PlaylistAddFolder() = 0;
    virtual void SetTransparentColor() = 0;
    virtual void ResetSubtitlePosition() = 0;
    virtual void KeypadPlusMinus(bool up) = 0;
};

// The program's keys as data. Every key press any of the program's windows receives is
// checked against every row, in order; all matching rows run. A row clicks one main-window
// item by its command (the click is refused when the item is disabled, as a mouse click would
// be) or runs a small action; a consumed key never reaches the focused control.
// What a row's action may ask of the key press that ran it.
struct KeyContext {
    keys::Window active;
    Qt::KeyboardModifiers mods;
};

struct KeyRow {
    int key;               // Qt::Key; Key_Return also stands for the keypad's Enter
    bool keypad;           // only the numeric keypad's key (digits, *, +, - differ from the main ones)
    keys::Mods mods;
    keys::Group group;
    Cmd click;                                           // or Cmd::Count
    void (*run)(KeyActions &k, const KeyContext &key);   // or nullptr
    bool consumed;
    const char *keyText;   // UTF-8, for the list of keys in the About window; nullptr: not listed
    const char *what;      // UTF-8; nullptr: the clicked item's caption
};

std::span<const KeyRow> keyTable();

// The About window's list of keys: "key text\twhat it does" per listed row, in table order.
QStringList keyListTexts(const Commands &commands);

} // namespace zv
