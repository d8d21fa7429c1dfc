// The in-process host's shared state, behind the wrappers and the host API.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bakkesmod/wrappers/ImageWrapper.h"
#include "console-history.h"
#include "game/arena.h"
#include "pluginsdk/host/fault-guard.h"
#include "pluginsdk/host/host.h"
#include "pluginsdk/host/image.h"

namespace pluginsdk::detail {

// The callbacks plugins hand the host, in the forms the host's interface gives them.
using ChangeCallback = std::function<void(std::string oldValue, CVarWrapper cvar)>;
using DrawableCallback = std::function<void(CanvasWrapper canvas)>;
using Task = std::function<void(GameWrapper* game)>;
using Notifier = std::function<void(std::vector<std::string> arguments)>;
// A hook of any form: the plugin's own callback, and how to call it with the address of the object that
// runs the function, from which each form makes its caller. A plain function, not one more
// std::function around the plugin's: it runs for every car at every input update.
struct HookCallback {
    std::shared_ptr<const void> callback;
    void (*call)(const void* callback, std::uintptr_t caller, void* params, const std::string& eventName);
    // Which kinds of caller (CallerKind bits) the hook's T can be made from; a caller of another kind
    // reaches it as a null object.
    std::uint8_t callers = 0xFF;

    void operator()(std::uintptr_t caller, void* params, const std::string& eventName) const {
        call(callback.get(), caller, params, eventName);
    }
};

struct HostState;

struct CVarState {
    struct Callback {
        std::uint64_t owner = 0;
        ChangeCallback fn;
        // Cleared when its plugin fails, while a change may be running its callbacks.
        std::atomic<bool> alive{true};
    };

    std::string name;
    std::string defaultValue;
    std::string description;
    bool searchable = true;
    bool hasMin = false;
    float min = 0.0F;
    bool hasMax = false;
    float max = 0.0F;
    bool saveToConfig = false;
    // The plugin that registered it, 0 for the host.
    std::uint64_t owner = 0;

    mutable std::mutex mutex;
    std::string value;
    std::vector<std::shared_ptr<Callback>> callbacks;
    HostState* host = nullptr;
};

struct CanvasState {
    Vector2 size;
    std::vector<host::CanvasCall> calls;
    // Where SetPosition left the pen: the frame's top left corner at its start.
    Vector2F pen;
    // Whose game's camera Project looks through.
    const HostState* host = nullptr;
};

// What an ImageWrapper points at. The pixels are shared with the canvas calls that drew them, which a
// picture may paint after the image is gone.
struct Image {
    std::filesystem::path path;
    std::shared_ptr<const host::ImageTexture> texture;
    bool forCanvas = false;
    bool forImGui = false;
};

// A console variable as one handle sees it: which plugin's callbacks it adds, 0 for the host's own.
struct CVarHandle {
    std::shared_ptr<CVarState> state;
    std::uint64_t owner = 0;
};

// Where one plugin's console and game handles lead: this host, acting for that plugin.
struct PluginLink {
    HostState* host;
    std::uint64_t owner;
};

// The handles' private side, for the host: a handle is made around state it then owns, or points
// at for the frame (the canvas) or the car's life (a car, by its address).
struct Handles {
    static CVarWrapper CVar(std::shared_ptr<CVarState> state, std::uint64_t owner) {
        return CVarWrapper(state ? new CVarHandle{std::move(state), owner} : nullptr);
    }
    static CVarManagerWrapper CVarManager(HostState& host, std::uint64_t owner) {
        return CVarManagerWrapper(new PluginLink{&host, owner});
    }
    static GameWrapper Game(HostState& host, std::uint64_t owner) {
        return GameWrapper(new PluginLink{&host, owner});
    }
    static CarWrapper Car(const CarState& car) { return CarWrapper(reinterpret_cast<std::uintptr_t>(&car)); }
    static CanvasWrapper Canvas(CanvasState& canvas) {
        return CanvasWrapper(reinterpret_cast<std::uintptr_t>(&canvas));
    }
    static CanvasState& State(const CanvasWrapper& canvas) { return *canvas.canvas_; }
    static const CVarHandle* Handle(const CVarWrapper& cvar) { return cvar.handle_; }
    // The pixels the canvas draws of an image: none for a null image or one not loaded for the canvas.
    static std::shared_ptr<const host::ImageTexture> CanvasTexture(const ImageWrapper* image) {
        return image != nullptr && image->image_->forCanvas ? image->image_->texture : nullptr;
    }
};

struct HookEntry {
    std::uint64_t owner;
    std::string eventName;
    // After the game's function rather than before it.
    bool post = false;
    HookCallback fn;
    std::atomic<bool> alive{true};
};

struct DrawableEntry {
    std::uint64_t owner;
    DrawableCallback fn;
    std::atomic<bool> alive{true};
};

struct QueuedTask {
    std::uint64_t owner;
    GameWrapper* game;
    Task fn;
    // The game's update from which it may run: 0 for a task of Execute.
    std::uint64_t due = 0;
    // Set by SetTimeout rather than Execute, for the report of what a plugin left behind.
    bool timeout = false;
};

struct NotifierEntry {
    // 0 for the host's own commands.
    std::uint64_t owner;
    Notifier fn;
    std::string description;
    unsigned char permissions;
};

// One loaded plugin as the boundary sees it: its name for reports, and whether it has failed.
struct PluginState {
    std::string name;
    std::atomic<bool> failed{false};
};

// Which of a plugin's callbacks the host is calling, in words: `what` followed by `subject`. Made
// into text only when the callback fails, so calling one costs nothing.
struct CallbackName {
    std::string_view what;
    std::string_view subject = {};
};

struct HostState {
    // A toast, or a line of the game's chat, shown on screen until the game clock passes `until`.
    struct Notice {
        std::string title;
        std::string text;
        double until;
    };
    // The screen shows a handful of each at once; a plugin that posts more pushes the oldest out.
    static constexpr std::size_t kMaxNotices = 8;
    // The game's input updates come 120 times a second.
    static constexpr double kTickSeconds = 1.0 / 120.0;

    // Guards everything below that is not atomic, except the cars and the scratch lists, which
    // belong to the game thread.
    mutable std::mutex mutex;
    std::atomic<bool> freeplay{false};
    // How often plugins asked, so a host can see what a callback costs it.
    std::atomic<std::uint64_t> freeplayQueries{0};
    std::filesystem::path dataFolder;
    std::map<std::string, std::shared_ptr<CVarState>, std::less<>> cvars;
    std::map<std::string, std::shared_ptr<NotifierEntry>, std::less<>> notifiers;
    std::vector<std::shared_ptr<HookEntry>> hooks;
    std::vector<std::shared_ptr<DrawableEntry>> drawables;
    std::vector<QueuedTask> tasks;
    // The game clock, in updates: it has no finer time.
    std::uint64_t gameTicks = 0;
    double GameSeconds() const { return static_cast<double>(gameTicks) * kTickSeconds; }
    // What the last frame was drawn at: the game window's size.
    Vector2 screenSize{1920, 1080};
    std::deque<Notice> toasts;
    std::deque<Notice> chat;
    // Guarded by its own lock, which is never held while taking the one above.
    ConsoleHistory console;
    // Keys bound to console input, and names that run console input, as the player's console has them.
    std::map<std::string, std::string, std::less<>> binds;
    std::map<std::string, std::string, std::less<>> aliases;
    // What GetPluginManager shows: the loaded plugins, in load order.
    std::vector<std::shared_ptr<BakkesMod::Plugin::LoadedPlugin>> loadedList;
    // Configuration lines for variables nobody has registered, written back by SaveConfig.
    std::map<std::string, std::string, std::less<>> keptConfig;
    // Lines of the last configuration file that were not applied, written back as they were.
    std::vector<std::string> keptConfigLines;
    // A configuration file that could not be read whole, which SaveConfig must not simply replace.
    std::optional<std::filesystem::path> unreadConfig;
    std::uint64_t nextOwner = 1;

    // Held while drawables run, so that removing a drawable waits for a frame in progress.
    std::mutex frameMutex;

    std::vector<std::unique_ptr<CarState>> cars;
    // The free-play game's objects, there in the menus too, where the getters hand out null ones.
    Arena arena;
    std::vector<std::shared_ptr<HookEntry>> tickScratch;
    // How deep events fired from inside hooks (through a console command) are nested: the scratch
    // list belongs to the outermost one, and a hook that fires its own event must not recurse forever.
    int eventDepth = 0;

    // The loaded plugins by owner, the report lines of their failures, and whether a failed
    // plugin still waits for the game thread to release it.
    std::map<std::uint64_t, std::shared_ptr<PluginState>> plugins;
    std::vector<std::string> failures;
    std::atomic<bool> releasePending{false};
    // Services a test has told to fail, as a host in trouble would.
    std::set<std::string, std::less<>> failingServices;
    std::atomic<bool> anyServiceFailing{false};

    void Log(std::string line);
    CVarWrapper Register(std::uint64_t owner, std::string name, std::string defaultValue,
                         std::string description, bool searchable, bool hasMin, float min, bool hasMax,
                         float max, bool saveToConfig);
    CVarWrapper Find(std::string_view name, std::uint64_t owner);
    void AddHook(std::uint64_t owner, std::string eventName, bool post, HookCallback fn);
    void RemoveHooks(std::uint64_t owner, std::string_view eventName, bool post);
    void RemoveDrawables(std::uint64_t owner);
    // Runs console input for `owner` (0 for the player): commands separated by ';', each a
    // variable or a notifier.
    void Execute(std::uint64_t owner, std::string_view input);
    // A toast or a chat line: on the console, and on the screen for `seconds` of game time.
    void Notify(std::deque<Notice>& where, std::string title, std::string text, double seconds);
    // Drops everything a plugin left with the host, while its module is still mapped.
    void ForgetOwner(std::uint64_t owner);
    // What a plugin has registered with the host now, in words ("2 hooks, 1 drawable"); empty for
    // nothing. Its variables and their change callbacks are not counted: the host keeps the variables,
    // and their values, for its return.
    std::string Registrations(std::uint64_t owner) const;
    // The plugin's name for the console, or "the host" for owner 0; the caller holds `mutex`.
    std::string NameOfLocked(std::uint64_t owner) const;
    // Whether `owner` is a plugin still loaded; the caller holds `mutex`.
    bool IsLoadedLocked(std::uint64_t owner) const { return plugins.contains(owner); }

    // Reports the failure on the console and the terminal as "PLUGIN STOPPED: <plugin> <reason>",
    // once, and stops calling anything the plugin registered; the game thread releases the plugin
    // later.
    void PluginFailed(std::uint64_t owner, std::string_view reason) noexcept;
    // The same for an exception out of a callback: `what` is null for one that is no std::exception.
    void PluginFailed(std::uint64_t owner, CallbackName callback, const char* what) noexcept;
    bool HasFailed(std::uint64_t owner) const;
    // Throws when a test has told the named service to fail.
    void ThrowIfFailing(std::string_view service) const;
    // The object of the event's class that runs a hooked function, for a hook's caller: 0 outside
    // free play, and for an event of no object the arena has.
    std::uintptr_t CallerFor(std::string_view eventName);
};

// Calls one of a plugin's callbacks: nothing it throws goes further than here. Returns whether it
// returned normally. A member the plugin called that stopped it has reported that already.
template <typename Body>
bool CallPlugin(HostState& host, std::uint64_t owner, CallbackName callback, Body&& body) noexcept {
    const CallingPlugin calling(host, owner);
    try {
        return CallCatchingFaults(host, owner, callback.what, callback.subject, body);
    } catch (const host::PluginStopped&) {
    } catch (const std::exception& error) {
        host.PluginFailed(owner, callback, error.what());
    } catch (...) {
        host.PluginFailed(owner, callback, nullptr);
    }
    return false;
}

// Stops the plugin whose callback is running on this thread, for calling `member` on a null object
// or one spinbeat-host does not implement, and throws host::PluginStopped to leave it. Outside any
// plugin's callback it says so on the terminal and throws the same.
[[noreturn]] void StopCallingPlugin(std::string_view member, bool nullObject);
// The same for any reason, worded as "called <member> <why>".
[[noreturn]] void StopCallingPluginFor(const std::string& reason);
// For the members of game objects: a null object stops the plugin, as the game would crash there.
inline void RequireObject(std::uintptr_t address, std::string_view member) {
    if (address == 0) {
        StopCallingPlugin(member, true);
    }
}

// Shared by the wrappers and the console: numbers read from text, as leniently as a console should.
double ParseNumberLeniently(std::string_view text);
std::int32_t ToInt32Saturated(double value);
std::string FormatFloat(float value);
// The words of a command, quotes grouping words, as a notifier gets them.
std::vector<std::string> CommandWords(std::string_view command);

} // namespace pluginsdk::detail
