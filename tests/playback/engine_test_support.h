#pragma once

#include "playback/media_engine.h"

#include <QObject>
#include <QStringList>
#include <QTest>

#include <functional>

namespace zv::test {

// Records an engine's events as short texts ("play 0>2", "open 5>6", "ready 4", "eos 0",
// "error"), in the order they arrive, for checks on order and count.
class EngineEvents : public QObject {
public:
    explicit EngineEvents(MediaEngine *engine)
    {
        connect(engine, &MediaEngine::OnPlayStateChange, this, [this](int o, int n) {
            log << QStringLiteral("play %1>%2").arg(o).arg(n);
        });
        connect(engine, &MediaEngine::OnOpenStateChange, this, [this](int o, int n) {
            log << QStringLiteral("open %1>%2").arg(o).arg(n);
        });
        connect(engine, &MediaEngine::OnReadyStateChange, this,
                [this](int r) { log << QStringLiteral("ready %1").arg(r); });
        connect(engine, &MediaEngine::OnEndOfStream, this,
                [this](int r) { log << QStringLiteral("eos %1").arg(r); });
        connect(engine, &MediaEngine::OnError, this, [this] { log << QStringLiteral("error"); });
    }

    bool has(const QString &event) const { return log.contains(event); }
    int count(const QString &event) const { return int(log.count(event)); }
    bool waitFor(const QString &event, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return has(event); }, ms);
    }
    int indexOf(const QString &event) const { return int(log.indexOf(event)); }

    QStringList log;
};

} // namespace zv::test
