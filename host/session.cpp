// The session around the host SDK: loading, the player's car, configuration, the console and the
// host's own commands in it.
#include "session.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>
#include <utility>

#include "game-loop.h"
#include "host-commands.h"
#include "host-font.h"
#include "host-platform.h"
#include "parse-number.h"
#include "scene.h"
#include "script.h"

namespace spinbeat_host {

namespace {

// Module names compare as Windows compares file names: without regard to case.
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string NameOf(const std::filesystem::path& module) { return module.stem().string(); }

// `ball X Y Z` and `car X Y Z`, typed or run by a plugin: the place a session script's line gives.
void AddPlaceCommand(pluginsdk::host::Host& host, const std::string& name) {
    host.RegisterHostCommand(
        name,
        [&host, name](std::vector<std::string> words) {
            std::array<float, 3> xyz{};
            bool ok = words.size() == 4;
            for (std::size_t i = 0; ok && i < xyz.size(); ++i) {
                const auto value = ParseFloat(words[i + 1]);
                ok = value && *value >= -kMaxPlace && *value <= kMaxPlace;
                xyz[i] = ok ? *value : 0.0F;
            }
            if (!ok) {
                host.Log(name + " needs X Y Z, each a number from -1000000 to 1000000");
            } else if (name == "ball") {
                host.PlaceBall({xyz[0], xyz[1], xyz[2]});
            } else {
                host.PlaceCar({xyz[0], xyz[1], xyz[2]});
            }
        },
        "Puts the free-play " + name + " at X Y Z, in the game's units");
}

} // namespace

Session::Session(const Setup& setup) : host_(setup.data), car_(host_.AddCar()), config_(setup.config) {
    host_.SetFreeplay(setup.freeplay);
    AddPlaceCommand(host_, "ball");
    AddPlaceCommand(host_, "car");
    host_.SetConsoleSink(setup.consoleSink);
    // Here, before any picture is painted beside the game loop: see TheHostFont.
    TheHostFont();
    host_.RegisterHostCommand(
        "plugin", [this](const std::vector<std::string>& words) { PluginConsoleCommand(words); },
        "plugin load|unload|reload NAME, plugin list: the plugins, by their module's name");
    host_.RegisterHostCommand(
        "event", [this](const std::vector<std::string>& words) { EventConsoleCommand(words); },
        "event NAME: the game runs its function NAME, and every hook on it runs");
    if (setup.pluginsDir) {
        folders_.push_back(*setup.pluginsDir);
    }
    for (const auto& module : setup.modules) {
        host_.LoadPlugin(module);
        AddFolderOf(module);
    }
    if (config_) {
        if (const std::error_code error = host_.LoadConfig(*config_)) {
            host_.Log("Config " + config_->string() + " could not be read: " + error.message());
        }
    }
}

Session::~Session() { Finish(); }

void Session::Tick() {
    RunPluginCommands();
    host_.SetRoll(car_, roll_);
    host_.Tick();
    carAngle_ += static_cast<double>(roll_) * kRollRadiansPerSecond / GameLoop::kTicksPerSecond;
    RunPluginCommands();
}

void Session::TypeConsoleLine(std::string_view line) {
    host_.Log("> " + std::string(line));
    host_.ExecuteConsoleLine(line);
    RunPluginCommands();
}

void Session::FireEvent(const std::string& eventName) {
    host_.FireEvent(eventName);
    RunPluginCommands();
}

std::string Session::Finish() {
    if (finished_) {
        return {};
    }
    finished_ = true;
    std::string problem;
    if (config_) {
        if (const std::error_code error = host_.SaveConfig(*config_)) {
            problem = "cannot save the configuration to " + config_->string() + ": " + error.message();
        }
    }
    // The last loaded goes first, as it may use what the earlier ones registered.
    while (!host_.Plugins().empty()) {
        host_.UnloadPlugin(*host_.Plugins().back());
    }
    return problem;
}

// ---------------------------------------------------------------------------
// The host's console commands
// ---------------------------------------------------------------------------

void Session::EventConsoleCommand(const std::vector<std::string>& words) {
    const HostCommand command = ParseEventCommand(words);
    if (command.verb == HostCommand::Verb::Bad) {
        host_.Log(command.name);
        return;
    }
    host_.FireEvent(command.name);
}

void Session::PluginConsoleCommand(const std::vector<std::string>& words) {
    const HostCommand command = ParsePluginCommand(words);
    if (command.verb == HostCommand::Verb::Bad) {
        host_.Log(command.name);
    } else if (command.verb == HostCommand::Verb::List) {
        ListPlugins();
    } else {
        // A plugin may be unloading itself from its own command: nothing of it may be on the stack
        // when its module closes, so the commands run where the session next has control.
        pluginCommands_.push_back(command);
    }
}

void Session::RunPluginCommands() {
    if (pluginCommands_.empty() || finished_) {
        return;
    }
    using Verb = HostCommand::Verb;
    const std::vector<HostCommand> commands = std::exchange(pluginCommands_, {});
    for (const HostCommand& command : commands) {
        const std::string verb = command.verb == Verb::Load     ? "load"
                                 : command.verb == Verb::Reload ? "reload"
                                                                : "unload";
        pluginsdk::host::LoadedPlugin* loaded = FindLoaded(command.name);
        if (command.verb == Verb::Load) {
            if (loaded != nullptr) {
                host_.Log("plugin load " + command.name + ": it is loaded already, from " +
                          loaded->Path().string());
            } else {
                LoadByName(command.name);
            }
            continue;
        }
        if (loaded == nullptr) {
            host_.Log("plugin " + verb + " " + command.name + ": no plugin of that name is loaded");
            continue;
        }
        const std::filesystem::path module = loaded->Path();
        Unload(*loaded);
        if (command.verb == Verb::Reload) {
            try {
                Load(module);
            } catch (const std::exception& error) {
                host_.Log("plugin reload " + command.name + ": " + error.what());
            }
        }
    }
}

void Session::LoadByName(const std::string& name) {
    const auto module = FindModule(name);
    if (!module) {
        host_.Log("plugin load " + name + ": no module " + name +
                  std::filesystem::path(ModuleFileName()).extension().string() +
                  " beside the loaded ones or in the plugins folder");
        return;
    }
    try {
        Load(*module);
    } catch (const std::exception& error) {
        host_.Log("plugin load " + name + ": " + error.what());
    }
}

void Session::Load(const std::filesystem::path& module) {
    pluginsdk::host::LoadedPlugin& plugin = host_.LoadPlugin(module);
    host_.Log("Loaded " + NameOf(module) + " (\"" +
              (plugin.Info().pluginName != nullptr ? plugin.Info().pluginName : "") + "\") from " +
              module.string());
    AddFolderOf(module);
}

void Session::AddFolderOf(const std::filesystem::path& module) {
    std::filesystem::path folder = module.parent_path();
    if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) {
        folders_.push_back(std::move(folder));
    }
}

void Session::Unload(pluginsdk::host::LoadedPlugin& plugin) {
    const std::string name = NameOf(plugin.Path());
    host_.UnloadPlugin(plugin);
    host_.Log("Unloaded " + name);
}

std::optional<std::filesystem::path> Session::FindModule(std::string_view name) const {
    const std::filesystem::path extension = std::filesystem::path(ModuleFileName()).extension();
    for (const auto& folder : folders_) {
        std::error_code error;
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            const std::filesystem::path& file = entry->path();
            if (SameName(file.extension().string(), extension.string()) && SameName(NameOf(file), name) &&
                entry->is_regular_file(error)) {
                return file;
            }
        }
    }
    return std::nullopt;
}

pluginsdk::host::LoadedPlugin* Session::FindLoaded(std::string_view name) {
    for (const auto& plugin : host_.Plugins()) {
        if (SameName(NameOf(plugin->Path()), name)) {
            return plugin.get();
        }
    }
    return nullptr;
}

void Session::ListPlugins() {
    const auto& plugins = host_.Plugins();
    host_.Log(std::to_string(plugins.size()) + (plugins.size() == 1 ? " plugin" : " plugins") + " loaded");
    for (const auto& plugin : plugins) {
        const auto& info = plugin->Info();
        host_.Log("  " + NameOf(plugin->Path()) + "  \"" +
                  (info.pluginName != nullptr ? info.pluginName : "") + "\" " +
                  (info.pluginVersion != nullptr ? info.pluginVersion : "") + "  " + plugin->Path().string() +
                  (plugin->Failed() ? "  (stopped)" : ""));
    }
}

} // namespace spinbeat_host
