#pragma once

#include "support/app_features.h"
#include "core/common/text_codec.h"
#include "core/subtitles/subtitle_messages.h"
#include "playback/scripted_engine.h"
#include "support/test_env.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

inline TZentavistaApp::EngineFactory scriptedEngineFactory()
{
    return [](quint64, QObject *parent) { return new ScriptedEngine(parent); };
}

inline ScriptedEngine *scripted(const TZentavistaApp &w)
{
    return static_cast<ScriptedEngine *>(w.m());
}

// A started main window in a private state folder whose subtitle messages are collected
// instead of shown.
struct SubtitleApp {
    zv::test::ScopedHome home;
    QTemporaryDir files;
    std::unique_ptr<TZentavistaApp> w = std::make_unique<TZentavistaApp>();
    QList<zv::SubtitleMessage> messages;

    explicit SubtitleApp(const TZentavistaApp::EngineFactory &engine)
    {
        w->setEngineFactory(engine);
        w->hooks().subtitleMessage = ([this](const zv::SubtitleMessage &m) { messages.append(m); });
        w->CreateForms();
    }

    // Writes a file of the given lines (CR LF) in `encoding` and returns its path.
    QString write(const QString &name, const QStringList &lines,
                  zv::TextEncoding encoding = zv::TextEncoding::Utf8)
    {
        return writeBytes(name, zv::encodeText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), encoding));
    }

    QString writeBytes(const QString &name, const QByteArray &bytes)
    {
        const QString path = files.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
};
