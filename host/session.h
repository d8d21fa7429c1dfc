// One practice session: the host SDK's game with the player's car and the plugin modules in it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host-commands.h"
#include "pluginsdk/host/host.h"

namespace spinbeat_host {

class Session {
public:
    struct Setup {
        // Loaded in this order.
        std::vector<std::filesystem::path> modules;
        std::filesystem::path data;
        std::optional<std::filesystem::path> config;
        bool freeplay = true;
        // Sees every console line from the first, the plugins' loaded lines included.
        std::function<void(std::string_view line)> consoleSink;
        // Where `plugin load NAME` looks, besides the folders of the modules loaded so far.
        std::optional<std::filesystem::path> pluginsDir;
    };

    // Loads the modules as the host does and applies the configuration after their onLoad. Throws
    // pluginsdk::host::PluginLoadError when a module cannot be used.
    explicit Session(const Setup& setup);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    pluginsdk::host::Host& Host() { return host_; }

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
    // The game runs the named function: every hook on it runs.
    void FireEvent(const std::string& eventName);

    // Saves the configuration and unloads the plugins; returns what went wrong with the saving.
    std::string Finish();

private:
    void PluginConsoleCommand(const std::vector<std::string>& words);
    void EventConsoleCommand(const std::vector<std::string>& words);
    // Runs the plugin commands given so far; those they give in turn wait for the next call.
    void RunPluginCommands();
    void LoadByName(const std::string& name);
    void Unload(pluginsdk::host::LoadedPlugin& plugin);
    // A module loaded while the session runs, said on the console.
    void Load(const std::filesystem::path& module);
    // `plugin load NAME` looks for modules beside the ones loaded.
    void AddFolderOf(const std::filesystem::path& module);
    std::optional<std::filesystem::path> FindModule(std::string_view name) const;
    pluginsdk::host::LoadedPlugin* FindLoaded(std::string_view name);
    void ListPlugins();

    pluginsdk::host::Host host_;
    std::size_t car_;
    std::optional<std::filesystem::path> config_;
    std::vector<std::filesystem::path> folders_;
    // `plugin load|unload|reload NAME`, waiting for a moment when no plugin's code is running.
    std::vector<HostCommand> pluginCommands_;
    bool finished_ = false;
    float roll_ = 0.0F;
    double carAngle_ = 0.0;
};

} // namespace spinbeat_host
