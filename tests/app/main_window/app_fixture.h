#pragma once

#include "app/main_window.h"
#include "playback/scripted_engine.h"

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
