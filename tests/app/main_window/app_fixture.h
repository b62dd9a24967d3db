#pragma once

#include "support/app_features.h"
#include "playback/scripted_engine.h"

#include <QAction>

// The main window with a scripted engine in its video window, so that tests run without
// libmpv and can read what was asked of the engine.
inline void useScriptedEngine(TZentavistaApp &w)
{
    w.setEngineFactory([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
}

inline ScriptedEngine *scriptedEngine(const TZentavistaApp &w)
{
    return static_cast<ScriptedEngine *>(w.m());
}

// Cuts every menu item off its command, so that tests of the menu wiring do not run commands
// that open dialogs; triggers still reach the items.
inline void detachCommands(TZentavistaApp &w)
{
    for (QAction *a : w.findChildren<QAction *>())
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
}
