#pragma once

#include <span>

#include "app/commands.h"

namespace zv {

// The main window's menu bar as data: every menu, item and separator is one row, in the order
// the menus show them. The switchboard builds the menus from this table once; keys, toolbar
// buttons, tray icons and the full-screen bar then reach an item by its Cmd, never by its name.
struct CommandRow {
    enum Kind { Menu, Item, Separator };

    Kind kind;
    const char *name;    // objectName; nullptr for separators
    const char *parent;  // objectName of the menu holding the row; nullptr: the menu bar
    const char *caption; // UTF-8; the text after "\t" is the key shown right-aligned
    bool hidden;         // never shown, still triggerable from code
    bool checkable;
    MenuId menu;         // Menu rows
    Cmd command;         // Item rows; the feature that owns it binds its handler
};

std::span<const CommandRow> commandTable();

// Toolbar ToolBar1, left to right. Each button runs one menu item (by its field) and, where
// asked, the status refresh after it.
struct ToolButtonRow {
    const char *name;
    const char *hint;   // UTF-8
    Cmd target;
    bool refreshAfter;
    bool separatorAfter;
};

std::span<const ToolButtonRow> mainToolBarTable();

} // namespace zv
