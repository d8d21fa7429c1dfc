// The per-tick and per-frame paths allocate nothing, counted by replacing the global allocator.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "plugin-session.h"

namespace {
std::atomic<std::size_t> allocations{0};
} // namespace

// Every allocation in the process, the module's and the host's included, comes through here.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using spinbeat_test::PluginSession;

TEST(Allocation, NoneWhileRollingBetweenBeatsOrDrawingTheBar) {
    PluginSession session;
    session.Console("spinbeat_barVerticalPosition 0.5");
    // Warm-up: the host's scratch lists and the canvas reach their working size.
    session.RollAt(0, 1.0F);
    session.host.Frame({1920, 1080});

    std::size_t ticks = 0;
    const auto tick = [&](std::int64_t ms, float roll) {
        session.RollAt(ms, roll);
        ++ticks;
    };
    const std::size_t before = allocations.load();
    for (std::int64_t ms = 1; ms < 1100; ++ms) {
        tick(ms, ms % 2 == 0 ? 1.0F : -1.0F);
        ASSERT_EQ(session.host.Frame({1920, 1080}).size(), 14U);
    }
    // Release, free play off and the bar switched off are the other per-tick and per-frame paths.
    tick(1100, 0.0F);
    session.host.Frame({1920, 1080});
    session.host.SetFreeplay(false);
    tick(1101, 1.0F);
    session.host.Frame({1920, 1080});
    // The host's interface hands the hook the event's name by value: the host copies it, one
    // allocation a tick whatever the plugin does. The plugin itself adds none, nor does a frame.
    EXPECT_EQ(allocations.load() - before, ticks);
}

TEST(Allocation, TheCounterSeesTheModulesAllocations) {
    PluginSession session;
    session.RollAt(0, 1.0F);
    const std::size_t before = allocations.load();
    // A beat with no sound file formats and logs a line: that must show up here.
    session.RollAt(2000, 1.0F);
    ASSERT_EQ(session.MissingSoundLines(), 1U);
    EXPECT_GT(allocations.load() - before, 0U);
}

} // namespace
