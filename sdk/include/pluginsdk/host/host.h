// What a host program sees: load plugin modules, drive the game, read the console and the canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "bakkesmod/plugin/bakkesmodplugin.h"
// The two take std::string from the header above.
#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/pluginwindow.h"
#include "pluginsdk/api.h"
#include "pluginsdk/host/fault-guard.h"
#include "pluginsdk/host/image.h"

namespace pluginsdk::detail {
struct HostState;
struct PluginState;

// While it lives, the plugin with the id `owner` is the one this thread calls: a member it calls that
// stops it is charged to it.
class PLUGINSDK_API CallingPlugin {
public:
    CallingPlugin(HostState& host, std::uint64_t owner) noexcept;
    CallingPlugin(const CallingPlugin&) = delete;
    CallingPlugin& operator=(const CallingPlugin&) = delete;
    ~CallingPlugin();

    static HostState* Host();
    static std::uint64_t Owner();

private:
    HostState* previousHost_;
    std::uint64_t previousOwner_;
};
} // namespace pluginsdk::detail

namespace pluginsdk::host {

// The car-input function of the game; Host::Tick runs it once for every car.
inline constexpr const char* kSetVehicleInputEvent = "Function TAGame.Car_TA.SetVehicleInput";

// The loader's reading of a module's exported `exports` record, before anything else of it runs.
// Plugins lay the record out themselves; this is only the host's description of it.
struct PluginInfo {
    int apiBuildVersion;
    const char* sourceFileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    int pluginType;
    // Returns the address of the module's holder, a std::shared_ptr<BakkesModPlugin>.
    std::uintptr_t (*createFunction)();
    void (*deleteFunction)();
};
static_assert(sizeof(PluginInfo) == 64);
static_assert(offsetof(PluginInfo, apiBuildVersion) == 0);
static_assert(offsetof(PluginInfo, sourceFileName) == 8);
static_assert(offsetof(PluginInfo, className) == 16);
static_assert(offsetof(PluginInfo, pluginName) == 24);
static_assert(offsetof(PluginInfo, pluginVersion) == 32);
static_assert(offsetof(PluginInfo, pluginType) == 40);
static_assert(offsetof(PluginInfo, createFunction) == 48);
static_assert(offsetof(PluginInfo, deleteFunction) == 56);

// The host refuses modules built against another plugin API.
inline constexpr int kApiBuildVersion = 95;

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    friend bool operator==(const Color&, const Color&) = default;
};

// One recorded canvas call; a renderer replays them in order.
struct CanvasCall {
    enum class Op { SetPosition, SetColor, FillBox, DrawBox, DrawString, DrawLine, DrawRect, DrawImage };

    Op op = Op::SetPosition;
    // The pen for SetPosition, the size for FillBox and DrawBox, the first end for DrawLine and
    // DrawRect: in whole pixels as given, or a fractional argument's whole part.
    Vector2 vec;
    // For SetColor; for DrawImage, the tint each texel is multiplied by.
    Color color;
    // The argument of a member that takes fractions of a pixel, which `vec` then rounds down.
    bool precise = false;
    Vector2F at{};
    // DrawLine's other end and DrawRect's far corner; DrawImage's size on the screen.
    Vector2F to{};
    // DrawLine's width.
    float width = 0.0F;
    // DrawString's text, scale and how it is laid out. Shared: a record copied for a picture painted
    // later keeps it, and the calls without text cost no more than plain values.
    std::shared_ptr<const std::string> text{};
    Vector2F scale{};
    bool dropShadow = false;
    bool wrapText = false;
    // DrawImage's pixels, kept for a picture painted later, and the part of them drawn (0 to 1 across).
    std::shared_ptr<const ImageTexture> image{};
    Vector2F uvMin{};
    Vector2F uvMax{};

    // Where `vec` stands, in fractions of a pixel.
    Vector2F Point() const {
        return precise ? at : Vector2F{static_cast<float>(vec.X), static_cast<float>(vec.Y)};
    }

    std::string_view Text() const { return text ? std::string_view(*text) : std::string_view(); }

    friend bool operator==(const CanvasCall& a, const CanvasCall& b) {
        return a.op == b.op && a.vec == b.vec && a.color == b.color && a.precise == b.precise &&
               a.at == b.at && a.to == b.to && a.width == b.width && a.Text() == b.Text() &&
               a.scale == b.scale && a.dropShadow == b.dropShadow && a.wrapText == b.wrapText &&
               a.image == b.image && a.uvMin == b.uvMin && a.uvMax == b.uvMax;
    }
};
PLUGINSDK_API std::string ToString(const CanvasCall& call);

// A line typed into the console: `NAME VALUE` sets a variable, `NAME` prints it.
struct ConsoleCommand {
    std::string name;
    std::optional<std::string> value;
};
// The text without the blanks (spaces, tabs, line ends) around it.
PLUGINSDK_API std::string_view TrimSpace(std::string_view text);
// Empty and comment lines give no command. Surrounding quotes of the value are removed.
PLUGINSDK_API std::optional<ConsoleCommand> ParseConsoleLine(std::string_view line);

// A plugin's settings page, or null when it has none.
PLUGINSDK_API BakkesMod::Plugin::PluginSettingsWindow*
SettingsWindowOf(BakkesMod::Plugin::BakkesModPlugin* plugin);
// A plugin's own window, or null when it has none.
PLUGINSDK_API BakkesMod::Plugin::PluginWindow* PluginWindowOf(BakkesMod::Plugin::BakkesModPlugin* plugin);

class PluginLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Leaves a plugin's callback once the plugin has called what stops it (a member spinbeat-host does
// not implement, or one on a null object); its report is on the console already.
class PLUGINSDK_API PluginStopped : public std::exception {
public:
    const char* what() const noexcept override;
};

// What a plugin module imports from pluginsdk.dll, and which of those names spinbeat-host does not
// implement, as C++ declarations. Empty `error` when the module could be read.
struct SdkImports {
    std::size_t names = 0;
    std::vector<std::string> unimplemented;
    std::string error;
    // How many names of each class it imports ("" for plain functions).
    std::map<std::string, std::size_t> byClass;
};
// Reads the module's file, never running it. A module that is no Windows DLL imports nothing from it.
PLUGINSDK_API SdkImports ReadSdkImports(const std::filesystem::path& module);
// One line: how many of its imports spinbeat-host implements, then the ones it does not.
PLUGINSDK_API std::string DescribeSdkImports(const std::string& plugin, const SdkImports& imports);
// One line a class it imports from: how many of its names spinbeat-host implements, and the missing ones.
PLUGINSDK_API std::vector<std::string> DescribeSdkImportsByClass(const SdkImports& imports);

// A toast or a chat line on the screen, and how long it stays there.
struct Notice {
    std::string title;
    std::string text;
    double secondsLeft;
};

class Host;

// A plugin module the host has opened, created and started.
class PLUGINSDK_API LoadedPlugin {
public:
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;
    ~LoadedPlugin();

    const PluginInfo& Info() const { return *info_; }
    // The host's own strong reference; empty once the plugin is unloaded or has failed.
    const std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>& Plugin() const { return plugin_; }
    // The plugin's settings page, or null when it has none or has failed.
    BakkesMod::Plugin::PluginSettingsWindow* SettingsWindow() const;
    // Whether an exception has left one of its callbacks. Nothing of a failed plugin is called
    // again: the host releases its object and forgets what it registered at the next tick (at
    // once when onLoad failed), and closes its module when it is unloaded.
    bool Failed() const;
    std::uint64_t Id() const { return id_; }
    const std::filesystem::path& Path() const { return path_; }
    // Looks up any exported symbol of the module.
    void* Symbol(const char* name) const;

private:
    friend class Host;
    LoadedPlugin() = default;

    std::filesystem::path path_;
    void* library_ = nullptr;
    const PluginInfo* info_ = nullptr;
    std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin_;
    // Kept until the module closes, so that tasks queued by the plugin always find their game.
    std::shared_ptr<GameWrapper> game_;
    std::uint64_t id_ = 0;
    std::shared_ptr<detail::PluginState> state_;
    // Its entry in the list plugins read through GetPluginManager.
    std::shared_ptr<BakkesMod::Plugin::LoadedPlugin> listed_;
};

// The in-process host: one game with cars, the console, the task queue and the loaded plugins.
// Ticks, tasks, loading and unloading belong to one game thread; Frame may run on another thread.
class PLUGINSDK_API Host {
public:
    explicit Host(std::filesystem::path dataFolder = {});
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    // Unloads every plugin still loaded.
    ~Host();

    // --- plugins -----------------------------------------------------------
    // Opens the module, reads its record, creates the plugin, fills its host pointers and calls
    // onLoad. Throws PluginLoadError with the reason when the module cannot be used. A plugin whose
    // onLoad throws is loaded as a failed plugin (see LoadedPlugin::Failed).
    LoadedPlugin& LoadPlugin(const std::filesystem::path& module);
    // onUnload, drop the host's reference and deleteMe; the module stays open and whatever the
    // plugin left with the host (queued tasks, console variable callbacks) stays too. A failed
    // plugin gets no onUnload, and loses what it left with the host.
    void StopPlugin(LoadedPlugin& plugin);
    // Stops the plugin if needed, forgets everything it registered, closes the module. What it left
    // registered after its onUnload (hooks, drawables, commands, tasks, change callbacks) is named
    // on the console first. Never while the plugin's code runs: from one of its callbacks, defer it.
    void UnloadPlugin(LoadedPlugin& plugin);
    const std::list<std::unique_ptr<LoadedPlugin>>& Plugins() const { return plugins_; }

    // --- the game ----------------------------------------------------------
    void SetFreeplay(bool inFreeplay);
    bool IsInFreeplay() const;
    // How many times plugins have asked whether the game is in free play.
    std::uint64_t FreeplayQueries() const;
    // Cars get their input from the host program; the first car is the player's.
    std::size_t AddCar();
    void SetInput(std::size_t car, const ControllerInput& input);
    void SetRoll(std::size_t car, float roll);
    ControllerInput GetInput(std::size_t car) const;
    // A session's placing of the free-play ball and the player's car, in the game's units; the chase
    // camera follows the car.
    void PlaceBall(Vector location);
    void PlaceCar(Vector location);
    // Where the game's camera shows the ball on a frame of `size`, and its radius there; none when it
    // is behind the camera.
    std::optional<Vector2F> ProjectBall(Vector2 size, float& radius) const;

    // One input update: the car-input event for every car, then the queued tasks.
    void Tick();
    // Runs every hook on `eventName`, those before the game's function then those after it, as the
    // game runs the function. The car-input function runs once for every car, its input the
    // parameters; any other once, its caller the game's object of the function's class where the
    // game has one (a hook whose T cannot be that object gets a null one), its parameters a zeroed
    // block of 4 KiB.
    void FireEvent(const std::string& eventName);
    // Runs the queued tasks, and those of SetTimeout that are due; returns how many ran. Tasks queued
    // meanwhile wait for the next call.
    std::size_t RunTasks();
    // The game clock: each Tick is one input update, 1/120 s of game time.
    double GameSeconds() const;
    std::size_t PendingTasks() const;

    // Calls every drawable with a canvas of the given size, which is the screen's size from then on;
    // the result stays valid until the next Frame on the same thread.
    const std::vector<CanvasCall>& Frame(Vector2 size);
    // The toasts and the game's chat lines on the screen now, oldest first.
    std::vector<Notice> Toasts() const;
    std::vector<Notice> ChatLines() const;

    // --- host services -----------------------------------------------------
    void SetDataFolder(const std::filesystem::path& folder);
    std::filesystem::path DataFolder() const;

    // The console numbers its lines from 0 in the order they come, and keeps only the most recent
    // ones in memory (at most 4,096 lines and 1 MiB of text; a line over 16 kB is kept cut short).
    // A kept line keeps its number: the kept ones are FirstConsoleLine() to ConsoleLineCount() - 1.
    // Up to `count` kept lines from number `first` on, oldest first; from the oldest kept when
    // `first` is older.
    std::vector<std::string> ConsoleLines(std::size_t first = 0,
                                          std::size_t count = std::numeric_limits<std::size_t>::max()) const;
    // How many lines have come: the number the next line gets.
    std::size_t ConsoleLineCount() const;
    std::size_t FirstConsoleLine() const;
    // Empties the console, as a player's "clear" does; the numbers start again from 0.
    void ClearConsole();
    // Hands every line, whole and in order, to `sink` as it is logged, on the thread that logs it:
    // for a program that keeps them all (a file, the terminal). The sink must not throw, nor call
    // this host. An empty function sets none.
    void SetConsoleSink(std::function<void(std::string_view line)> sink);
    void Log(const std::string& line);
    // Runs one typed console line, answering on the console as a player would expect: commands
    // separated by ';', each `NAME VALUE` (set a variable), `NAME` (show it) or a plugin's command
    // with its words.
    void ExecuteConsoleLine(std::string_view line);
    // A console command of the host program's own, typed or run by a plugin as theirs are: `fn`
    // gets the words, its name first. No plugin can take the name, nor remove it. `fn` may throw:
    // the console shows the error.
    void RegisterHostCommand(std::string name, std::function<void(std::vector<std::string>)> fn,
                             std::string description);

    CVarWrapper GetCvar(const std::string& name);
    // The handles this host gives the plugin with the id `owner` (LoadedPlugin::Id), for a program
    // that fills a plugin object's host pointers itself.
    CVarManagerWrapper CVarManagerFor(std::uint64_t owner);
    GameWrapper GameFor(std::uint64_t owner);
    std::vector<std::string> CvarNames() const;
    // Forgets a variable, as if nothing had ever registered it.
    bool RemoveCvar(const std::string& name);

    // --- failing plugins -----------------------------------------------------
    // Every plugin callback the host calls (onLoad, onUnload, hooks, drawables, change callbacks,
    // queued tasks, and through CallPlugin the settings page) is a boundary: an exception stops
    // there and is reported on the console and the terminal as one line, which names the plugin,
    // the callback and the exception's text; the plugin fails (see LoadedPlugin::Failed).

    // Calls `body`, which calls the plugin's `callback`, at that boundary: for the calls a host
    // program makes itself. Calls nothing of a plugin that has failed or has stopped. Returns
    // whether the body ran and returned.
    template <typename Body>
    bool CallPlugin(const LoadedPlugin& plugin, std::string_view callback, Body&& body);
    // The report lines of every failure so far, oldest first, unloaded plugins' included.
    std::vector<std::string> PluginFailures() const;
    // Makes a service plugins call ("log", "registerCvar", "addOnValueChanged", "registerNotifier",
    // "HookEvent", "HookEventPost", "HookEventWithCaller", "HookEventWithCallerPost", "UnhookEvent",
    // "UnhookEventPost", "RegisterDrawable", "UnregisterDrawables") throw
    // std::runtime_error from now on, as a host in trouble might, or work again: for testing how
    // a plugin bears it.
    void FailService(std::string_view service, bool fail = true);

    // --- configuration -------------------------------------------------------
    // Every setting of a dozen plugins takes a few kB: a larger file is no configuration a host
    // wrote or a player typed, and is not read into memory.
    static constexpr std::uintmax_t kMaxConfigBytes = std::uintmax_t{1} << 20;
    // Linux's PATH_MAX: room for any path or list a setting holds; a longer line is damage.
    static constexpr std::size_t kMaxConfigLineBytes = 4096;
    // Applies a configuration file, one `NAME VALUE` line per variable, through each variable's
    // setter so that its change callbacks run: call it once the plugins' onLoad has registered their
    // variables. A line naming no variable is kept for SaveConfig, since its plugin may simply not
    // be loaded this time. A malformed line, or one longer than kMaxConfigLineBytes, is reported on
    // the console with its number, not applied, and kept as it is for SaveConfig. A file larger than
    // kMaxConfigBytes is reported and not applied at all. A missing file applies nothing and is no
    // error: the first run has none. Returns the error of opening or reading the file (too large
    // included); compare it with false, not with an errc, since a Windows build's DLL has error
    // categories of its own.
    std::error_code LoadConfig(const std::filesystem::path& file);
    // Writes `NAME "VALUE"` for every variable registered with save-to-config, the kept lines of
    // LoadConfig, and then the lines it kept as they were, through a temporary file so that a failed
    // write never leaves half a file. A value that would not read back as one line is left out and
    // reported. A file LoadConfig could not read whole is first kept beside it as FILE.bak; a file
    // that would be larger than kMaxConfigBytes is not written.
    std::error_code SaveConfig(const std::filesystem::path& file) const;

    detail::HostState& State() { return *state_; }

private:
    void PluginFailed(const LoadedPlugin& plugin, std::string_view callback, const char* what) noexcept;
    // The car-input event, as each update runs it: every car its caller in turn, its input the
    // parameters. Allocates nothing once the game runs.
    void FireForEveryCar(const std::string& eventName);
    // An event that is not the car-input one, or one fired inside another event.
    void FireOnce(const std::string& eventName);
    // Releases the objects of plugins that have failed since the last call, on the game thread.
    void ReleaseFailedPlugins();
    void Release(LoadedPlugin& plugin);

    std::unique_ptr<detail::HostState> state_;
    std::list<std::unique_ptr<LoadedPlugin>> plugins_;
};

template <typename Body>
bool Host::CallPlugin(const LoadedPlugin& plugin, std::string_view callback, Body&& body) {
    if (!plugin.Plugin() || plugin.Failed()) {
        return false;
    }
    const detail::CallingPlugin calling(*state_, plugin.Id());
    try {
        return detail::CallCatchingFaults(*state_, plugin.Id(), callback, {}, body);
    } catch (const PluginStopped&) {
    } catch (const std::exception& error) {
        PluginFailed(plugin, callback, error.what());
    } catch (...) {
        PluginFailed(plugin, callback, nullptr);
    }
    return false;
}

} // namespace pluginsdk::host
