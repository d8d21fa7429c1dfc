// Loading, using and unloading the plugin over and over in one process leaves no trace behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "fake-clock.h"
#include "plugin-session.h"
#include "settings-page-host.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Sanitizers hold on to freed memory on purpose and find leaks themselves.
constexpr bool kMeasureMemory = false;
#else
constexpr bool kMeasureMemory = true;
#endif

long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

int Cycles() {
    const char* cycles = std::getenv("SPINBEAT_LOAD_CYCLES");
    // Sanitized builds run many times slower; a hundred cycles still cross every path.
    return cycles != nullptr ? std::atoi(cycles) : (kMeasureMemory ? 1000 : 100);
}

// One cycle as a player's session would make it: load, play a little, open the page, unload.
// Returns the console lines it left.
std::size_t PlayOneSession(pluginsdk::host::Host& host, std::size_t car, const std::filesystem::path& module,
                           std::unique_ptr<spinbeat_test::SettingsPageHost>& page) {
    auto& plugin = host.LoadPlugin(module);
    host.SetRoll(car, 1.0F);
    for (std::int64_t ms = 0; ms <= 1200; ms += 100) {
        fakeclock::Set(ms * 1'000'000);
        host.Tick();
        host.Frame({1920, 1080});
    }
    // The host's settings window outlives the plugins it shows.
    if (!page) {
        page = std::make_unique<spinbeat_test::SettingsPageHost>(*plugin.SettingsWindow());
    }
    page->ShowPage(*plugin.SettingsWindow());
    page->Draw(2);
    page->Click(page->Find("Playtest beat sound").Center());
    // The sound test runs on the game thread's next tick.
    host.Tick();
    host.StopPlugin(plugin);
    host.UnloadPlugin(plugin);
    const std::size_t lines = host.ConsoleLineCount();
    host.ClearConsole();
    return lines;
}

TEST(LoadCycles, RepeatedSessionsKeepMemoryFlatAndLeaveNoCallbackBehind) {
    spinbeat_test::TempDir data;
    pluginsdk::host::Host host(data.path());
    const std::size_t car = host.AddCar();
    host.SetFreeplay(true);
    const auto module = spinbeat_test::TestModulePath();
    const int cycles = Cycles();
    const int warmUp = std::min(cycles, 100);

    std::unique_ptr<spinbeat_test::SettingsPageHost> page;
    // One loaded line, and one missing-sound line for the beat and for the test click.
    const std::size_t linesPerSession = 3;
    for (int i = 0; i < warmUp; ++i) {
        ASSERT_EQ(PlayOneSession(host, car, module, page), linesPerSession);
    }
    const long before = ResidentBytes();
    for (int i = warmUp; i < cycles; ++i) {
        ASSERT_EQ(PlayOneSession(host, car, module, page), linesPerSession);
    }
    const long after = ResidentBytes();
    RecordProperty("ResidentGrowthBytes", std::to_string(after - before));
    std::printf("resident memory: %ld kB after %d cycles, %+ld kB over the last %d\n", after / 1024, cycles,
                (after - before) / 1024, cycles - warmUp);
    if (kMeasureMemory && cycles - warmUp >= 100) {
        // A leak of a few hundred bytes a cycle would show as hundreds of kilobytes here.
        EXPECT_LT(after - before, 256 * 1024);
    } else {
        std::printf("resident memory not compared: %d cycles after the warm-up, 100 needed%s\n",
                    cycles - warmUp, kMeasureMemory ? "" : ", and this build keeps freed memory on purpose");
    }

    // Everything the plugins left with the host is gone with them: callbacks into an unloaded
    // module would crash here.
    host.ExecuteConsoleLine("spinbeat_bpm 120");
    host.ExecuteConsoleLine("spinbeat_barVerticalPosition 0.5");
    host.Tick();
    EXPECT_TRUE(host.Frame({1920, 1080}).empty());
    EXPECT_EQ(host.RunTasks(), 0U);
    EXPECT_EQ(host.ConsoleLineCount(), 0U);
}

} // namespace
