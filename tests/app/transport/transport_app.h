#pragma once

#include "support/app_features.h"
#include "core/playlist/playlist.h"
#include "playback/scripted_engine.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

// The main window over a private home with the scripted engine; message boxes go to a list.
struct TransportApp {
    TransportApp() : w(std::make_unique<TZentavistaApp>())
    {
        w->setEngineFactory([](quint64, QObject *parent) { return new ScriptedEngine(parent); });
        w->hooks().filesMessage = ([this](const QString &t, const QString &x) { messages << t + x; });
        w->CreateForms();
        e = static_cast<ScriptedEngine *>(w->m());
    }

    // Media files that exist, added to the playlist (nothing opened).
    QStringList addEntries(const QStringList &names)
    {
        QStringList paths;
        for (const QString &n : names) {
            const QString p = home.file(n);
            QFile f(p);
            f.open(QIODevice::WriteOnly);
            f.write("x");
            paths << p;
        }
        w->playlist().playlist().PlsAddProc(paths, false, true);
        w->status().UstawMStaus();
        return paths;
    }

    // Opens path the way the program does and lets the engine report it open.
    void open(const QString &path, double seconds = 100, int width = 320)
    {
        w->session().LoadMediafile(path);
        e->finishOpen(seconds, seconds * 25, width, width ? 240 : 0);
    }

    zv::test::ScopedHome home;
    std::unique_ptr<TZentavistaApp> w;
    ScriptedEngine *e = nullptr;
    QStringList messages;
};
