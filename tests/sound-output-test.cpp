// The SDL sound output: its retry timer apart from the beat clock, and nothing of it open once the
// plugin is gone.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>

#include "fake-clock.h"
#include "plugin-session.h"
#include "settings-page-host.h"

namespace {

using spinbeat_test::PluginSession;

// SDL as the module has it loaded.
Uint32 SdlAudioStarted() {
    static void* const library = dlopen("libSDL2-2.0.so.0", RTLD_NOW);
    return reinterpret_cast<decltype(&SDL_WasInit)>(dlsym(library, "SDL_WasInit"))(SDL_INIT_AUDIO);
}

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

// The host runs the page's sound test between onUnload, which released the sound output, and
// deleteMe.
TEST(SoundOutput, WhatASoundTestOpensAfterOnUnloadIsClosedByDeleteMe) {
    PluginSession session;
    session.InstallSound();
    spinbeat_test::SettingsPageHost page(session.host, *session.plugin);
    page.Click(page.Find("Playtest beat sound").Center());
    ASSERT_EQ(session.host.PendingTasks(), 1U);
    session.plugin->Plugin()->onUnload();
    ASSERT_EQ(SdlAudioStarted(), 0U);
    session.host.RunTasks();
    ASSERT_NE(SdlAudioStarted(), 0U) << "the sound test played nothing";
    reinterpret_cast<void (*)()>(session.plugin->Symbol("deleteMe"))();
    EXPECT_EQ(SdlAudioStarted(), 0U);
}

} // namespace
