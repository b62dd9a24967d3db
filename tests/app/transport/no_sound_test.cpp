// No usable sound device (the test runs with ALSA, PulseAudio and PipeWire pointed at nothing):
// real libmpv plays on silently and the status says so, with no error and no early end.
#include "app/transport/media_app.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using zv::test::MediaApp;

TEST(NoSoundDevice, FilmAndSoundFilePlayOnAndTheStatusSaysSo)
{
    MediaApp app(true, {QStringLiteral("clip.avi"), QStringLiteral("audio.wav")});
    TZentavistaApp &w = *app.w;
    int errors = 0;
    QObject::connect(app.e(), &MediaEngine::OnError, [&] { ++errors; });
    const QString playingSilently = QStringLiteral("Odtwarzanie... (bez dźwięku)");

    ASSERT_TRUE(app.waitOpen(app.paths[0]));
    w.commands().run(zv::Cmd::Play);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Label1->text() == playingSilently; }, 10000))
        << w.Label1->text().toStdString();
    EXPECT_FALSE(app.e()->IsSoundCardEnabled());
    EXPECT_FALSE(w.ToolButton19->isEnabled()); // nothing to mute
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->CurrentPosition() >= 1.0; }, 8000));

    // The film's end is an end, not an error: the playlist moves on to the sound file.
    app.e()->setCurrentPosition(9.3);
    ASSERT_TRUE(app.waitOpen(app.paths[1]));
    w.commands().run(zv::Cmd::Play);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Label1->text() == playingSilently; }, 10000))
        << w.Label1->text().toStdString();
    // A sound file without sound still runs its clock to the end.
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->CurrentPosition() >= 1.0; }, 8000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.e()->PlayState() == MediaEngine::psStopped; },
                                15000));
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(w.Label1->text().startsWith(QStringLiteral("Błąd")));
}
