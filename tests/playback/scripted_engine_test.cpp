#include "playback/engine_test_support.h"
#include "playback/scripted_engine.h"

#include <gtest/gtest.h>

using zv::test::EngineEvents;

namespace {

// The scripted engine stands in for the real one in other tests, so its reports must come in
// the order the real engine's do (the same sequences are checked against libmpv).
TEST(ScriptedEngine, ReportsInTheRealEnginesOrder)
{
    ScriptedEngine e;
    EngineEvents events(&e);

    e.Open("/films/clip.avi");
    EXPECT_EQ(e.ReadyState(), MediaEngine::rsLoading);
    e.finishOpen(10.0, 250.0, 320, 240);
    EXPECT_EQ(events.log, (QStringList{"ready 1", "open 0>5", "ready 4", "play 6>0", "open 5>6"}));

    events.log.clear();
    e.Play();
    e.Pause();
    e.Stop();
    e.Play();
    e.endOfStream();
    EXPECT_EQ(events.log, (QStringList{"play 0>2", "play 2>1", "play 1>0", "play 0>2", "play 2>0", "eos 0"}));

    events.log.clear();
    e.Open(QString());
    EXPECT_EQ(events.log, (QStringList{"ready 0", "play 0>6", "open 6>0"}));

    events.log.clear();
    e.Open("/films/bad.avi");
    e.failOpen("Nie znaleziono pliku.");
    EXPECT_EQ(events.log.last(), "error");
    EXPECT_EQ(e.PlayState(), MediaEngine::psClosed);
    EXPECT_EQ(e.ReadyState(), MediaEngine::rsComplete);

    EXPECT_EQ(e.calls, (QStringList{"Open clip.avi", "Play", "Pause", "Stop", "Play", "Open ",
                                    "Open bad.avi"}));
}

TEST(ScriptedEngine, DurationInFramesFallsBackToSeconds)
{
    ScriptedEngine e;
    e.Open("a.mp3");
    e.finishOpen(5.0);
    e.setDisplayMode(MediaEngine::dmFrames);
    EXPECT_EQ(e.Duration(), 5.0);
    e.frameCount = 125;
    EXPECT_EQ(e.Duration(), 125.0);
}

} // namespace
