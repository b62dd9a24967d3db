#pragma once

#include "core/app/key_rules.h"

#include <QStringList>

#include <span>

class QAction;
class TZentavistaApp;

namespace zv {

// The program's keys as data. Every key press any of the program's windows receives is
// checked against every row, in order; all matching rows run. A row clicks one main-window
// item by its field (the click is refused when the item is disabled, as a mouse click would
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
    QAction *TZentavistaApp::*click;                        // or nullptr
    void (*run)(TZentavistaApp &w, const KeyContext &key);   // or nullptr
    bool consumed;
    const char *keyText;   // UTF-8, for the list of keys in the About window; nullptr: not listed
    const char *what;      // UTF-8; nullptr: the clicked item's caption
};

std::span<const KeyRow> keyTable();

// The About window's list of keys: "key text\twhat it does" per listed row, in table order.
QStringList keyListTexts(const TZentavistaApp &w);

} // namespace zv
