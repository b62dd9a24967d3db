#pragma once

// Opening one of the generated clips in a real engine and waiting until it reports it open.
#include "playback/media_engine.h"
#include "support/test_env.h"

#include <QTest>

namespace zv::test {

inline bool openClip(MediaEngine *engine, const QString &clip = QStringLiteral("clip.avi"), int ms = 15000)
{
    bool open = false;
    const QMetaObject::Connection c = QObject::connect(
        engine, &MediaEngine::OnOpenStateChange, [&](int, int state) { open = state == MediaEngine::osOpen; });
    engine->Open(mediaFile(clip));
    const bool ok = QTest::qWaitFor([&] { return open; }, ms);
    QObject::disconnect(c);
    return ok;
}

} // namespace zv::test
