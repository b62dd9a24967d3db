#pragma once

#include "support/app_features.h"
#include "video/video_window.h"
#include "playback/media_engine.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

// A main window with real libmpv (no sound) over a private home, its dialogs and message
// boxes replaced so that nothing waits for a user.
struct FilesApp {
    explicit FilesApp(TZentavistaApp::EngineFactory engine = TForm9::mpvEngine(false))
        : w(std::make_unique<TZentavistaApp>())
    {
        w->setEngineFactory(std::move(engine));
        w->hooks().filesMessage = ([this](const QString &title, const QString &text) {
            messages << title + QStringLiteral(": ") + text;
        });
        w->hooks().modifiers = [this] { return modifiers; };
        w->hooks().escapeHeld = [this] { return escape; };
        w->CreateForms();
    }

    // The clip is open once the after-open steps have run for it.
    bool waitOpen(const QString &path, int ms = 20000)
    {
        return QTest::qWaitFor([&] {
            return w->session().CurrentMediaPath == path && w->session().MediaFrameRate > 0;
        }, ms);
    }

    std::unique_ptr<TZentavistaApp> w;
    QStringList messages;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    bool escape = false;
};

// Copies a generated clip to `dir` under `name`.
inline QString copyMedia(const QString &clip, const QString &dir, const QString &name)
{
    QDir().mkpath(dir);
    const QString to = QDir(dir).filePath(name);
    QFile::copy(zv::test::mediaFile(clip), to);
    return to;
}

inline QString writeText(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}
