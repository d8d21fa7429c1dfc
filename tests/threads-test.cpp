// A host that draws on its own thread while the game thread ticks and the settings change.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "plugin-session.h"

namespace {

using spinbeat_test::PluginSession;

TEST(Threads, DrawingTickingAndChangingSettingsAtOnceStayConsistent) {
    PluginSession session;
    std::atomic<bool> done{false};
    std::atomic<int> badFrames{0};
    std::atomic<int> frames{0};

    // The render thread: every frame is either the whole bar or nothing.
    std::thread render([&] {
        while (!done) {
            const auto& calls = session.host.Frame({1920, 1080});
            const bool whole = calls.size() == 14 && calls[5].vec.X >= 0 && calls[5].vec.X <= 825;
            if (!calls.empty() && !whole) {
                ++badFrames;
            }
            ++frames;
        }
    });
    // The settings page, changing what the hook and the drawable read.
    std::thread settings([&] {
        for (int i = 0; i < 2000 && !done; ++i) {
            session.host.GetCvar("spinbeat_bpm").setValue(i % 2 == 0 ? 600 : 6000);
            session.host.GetCvar("spinbeat_displayRevolutionBar").setValue(i % 5 == 0 ? 0 : 1);
            session.host.GetCvar("spinbeat_barVerticalPosition").setValue(static_cast<float>(i % 10) / 10.0F);
        }
    });
    // The game thread.
    for (std::int64_t ms = 0; ms < 20'000; ms += 4) {
        session.RollAt(ms, (ms / 400) % 4 == 3 ? 0.0F : 1.0F);
        session.host.SetFreeplay((ms / 1000) % 7 != 6);
    }
    settings.join();
    while (frames < 100) {
        std::this_thread::yield();
    }
    done = true;
    render.join();

    EXPECT_EQ(badFrames, 0);
    EXPECT_GT(session.MissingSoundLines(), 0U);
}

// Unloading waits for a frame in progress: the drawable never runs into a destroyed object.
TEST(Threads, UnloadingWhileAnotherThreadDrawsIsSafe) {
    for (int round = 0; round < 20; ++round) {
        PluginSession session;
        session.RollAt(0, 1.0F);
        std::atomic<bool> done{false};
        std::thread render([&] {
            while (!done) {
                session.host.Frame({1920, 1080});
            }
        });
        session.RollAt(500, 1.0F);
        session.host.UnloadPlugin(*session.plugin);
        done = true;
        render.join();
        EXPECT_TRUE(session.host.Frame({1920, 1080}).empty());
    }
}

} // namespace
