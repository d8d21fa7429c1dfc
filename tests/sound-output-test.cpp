// The SDL sound output: its retry timer apart from the beat clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "fake-clock.h"
#include "plugin-session.h"

namespace {

using spinbeat_test::PluginSession;

TEST(SoundOutput, ABeatTickReadsTheBeatClockAtMostTwiceWhileTheDeviceWillNotOpen) {
    spinbeat_test::TempDir capture;
    // The disk driver cannot make its file in a folder that does not exist.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (capture.path() / "missing" / "capture.raw").c_str(), 1);
    PluginSession session;
    session.InstallSound();
    session.Console("spinbeat_bpm -1");
    // Every tick after the first is a beat; the last ones come after the retry's wait.
    for (const std::int64_t ms : {0, 10, 20, 3100, 3110}) {
        const std::int64_t before = fakeclock::Reads();
        session.RollAt(ms, 1.0F);
        EXPECT_LE(fakeclock::Reads() - before, 2) << "tick at " << ms << " ms";
    }
    EXPECT_EQ(session.MissingSoundLines(), 0U);
}

} // namespace
