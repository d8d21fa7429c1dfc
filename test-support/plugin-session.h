// A host with the plugin loaded, a player's car in free play and an empty data folder.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Spinbeat.h"
#include "pluginsdk/host/host.h"

namespace spinbeat_test {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The module as shipped, with the real clock.
std::filesystem::path ModulePath();
// The same module with the tests' fake clock.
std::filesystem::path TestModulePath();
// The build's generated beat sound.
std::filesystem::path GeneratedSound();

class PluginSession {
public:
    explicit PluginSession(const std::filesystem::path& module = TestModulePath());

    Spinbeat& Object() const;
    // Sets the clock to `ms`, the player's roll to `roll`, and runs one input update.
    void RollAt(std::int64_t ms, float roll);
    // Typed into the host console.
    void Console(std::string_view line);
    // Lines of the host console starting with `prefix`.
    std::vector<std::string> LinesStartingWith(std::string_view prefix) const;
    // Every one since the session began, also those the console no longer keeps.
    std::size_t MissingSoundLines() const { return missingSoundLines_; }
    // Puts the generated beat sound into the data folder.
    void InstallSound() const;
    std::filesystem::path SoundPath() const { return data.path() / "timesup.wav"; }

private:
    // Before the host, which logs until it is gone.
    std::atomic<std::size_t> missingSoundLines_{0};

public:
    TempDir data;
    pluginsdk::host::Host host;
    std::size_t car;
    pluginsdk::host::LoadedPlugin* plugin;
};

} // namespace spinbeat_test
