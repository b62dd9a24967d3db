#pragma once

// The main window with real libmpv (no picture output) and a playlist of copied clips.
#include "support/app_features.h"
#include "video/video_window.h"
#include "playback/media_engine.h"
#include "support/test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <memory>

namespace zv::test {

struct MediaApp {
    // clips: names in $ZV_MEDIA_DIR, copied as a.<ext>, b.<ext>, ... in playlist order.
    explicit MediaApp(bool withAudio = false,
                      const QStringList &clips = {QStringLiteral("clip.avi"), QStringLiteral("clip.avi")})
        : w(std::make_unique<TZentavistaApp>())
    {
        w->setEngineFactory(TForm9::mpvEngine(withAudio));
        w->hooks().filesMessage = ([](const QString &, const QString &) {});
        w->CreateForms();
        char name = 'a';
        for (const QString &clip : clips) {
            const QString to = home.file(QString(QLatin1Char(name++)) + QLatin1Char('.')
                                         + QFileInfo(clip).suffix());
            QFile::copy(mediaFile(clip), to);
            paths << to;
        }
        w->files().MainAddProc(paths.join(QStringLiteral("\r\n")), 31, true, true, true, false,
                       w->state().DefaultDropPoint);
    }
    MediaEngine *e() const { return w->m(); }
    bool waitState(int state, int ms = 15000)
    {
        return QTest::qWaitFor([&] { return e()->PlayState() == state; }, ms);
    }
    bool waitOpen(const QString &path, int ms = 20000)
    {
        return QTest::qWaitFor([&] {
            return w->session().CurrentMediaPath == path && w->session().MediaFrameRate > 0
                   && e()->PlayState() != MediaEngine::psClosed;
        }, ms);
    }

    ScopedHome home;
    std::unique_ptr<TZentavistaApp> w;
    QStringList paths;
};

} // namespace zv::test
