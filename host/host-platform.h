// What spinbeat-host needs of the operating system besides its window and sound, one implementation
// per platform: where it and its files live, and a timer fine enough for its game loop.
#pragma once

#include <filesystem>

namespace spinbeat_host {

// The folder of the running program, where the built module and data folder sit.
std::filesystem::path ProgramDir(const char* argv0);

// Where the window's settings live between runs; empty when the system names no such place.
std::filesystem::path DefaultConfigFile();

// The plugin module's file name on this platform.
const char* ModuleFileName();

// While it lives, the game loop's sleeps end within a millisecond of their time.
class FineTimer {
public:
    FineTimer();
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;
    // NOLINTNEXTLINE(performance-trivially-destructible): Windows gives the timer's period back here.
    ~FineTimer();

private:
    // Whether the timer was made finer, and so has to be given back.
    [[maybe_unused]] bool fine_ = false;
};

} // namespace spinbeat_host
