// One practice session: the host SDK's game with the player's car and the plugin module in it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pluginsdk/host/host.h"

namespace spinbeat_host {

class Session {
public:
    struct Setup {
        std::filesystem::path module;
        std::filesystem::path data;
        std::optional<std::filesystem::path> config;
        bool freeplay = true;
        // Sees every console line from the first, the plugin's loaded line included.
        std::function<void(std::string_view line)> consoleSink;
    };

    // Loads the module as the host does and applies the configuration after its onLoad. Throws
    // pluginsdk::host::PluginLoadError when the module cannot be used.
    explicit Session(const Setup& setup);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    pluginsdk::host::Host& Host() { return host_; }
    // Null once the session has finished.
    pluginsdk::host::LoadedPlugin* Plugin() { return plugin_; }

    // The player's roll, held until changed.
    void SetRoll(float roll) { roll_ = roll; }
    float Roll() const { return roll_; }
    // One input update: the car-input event for the player's car, then the queued tasks.
    void Tick();
    // The car's turn so far, in radians, from the roll of each update.
    double CarAngle() const { return carAngle_; }
    const std::vector<pluginsdk::host::CanvasCall>& Frame(Vector2 size) { return host_.Frame(size); }
    // A line typed into the console: shown on it, then run.
    void TypeConsoleLine(std::string_view line);

    // Saves the configuration and unloads the plugin; returns what went wrong with the saving.
    std::string Finish();

private:
    pluginsdk::host::Host host_;
    std::size_t car_;
    pluginsdk::host::LoadedPlugin* plugin_ = nullptr;
    std::optional<std::filesystem::path> config_;
    float roll_ = 0.0F;
    double carAngle_ = 0.0;
};

} // namespace spinbeat_host
