// The in-process host: plugin loading, the game's ticks and frames, the console.
#include "pluginsdk/host/host.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "host-state.h"
#include "module-library.h"

namespace pluginsdk::detail {

namespace {
// True while this thread runs drawables.
thread_local bool insideFrame = false;
} // namespace

struct FrameScope {
    FrameScope() { insideFrame = true; }
    ~FrameScope() { insideFrame = false; }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;
};

void HostState::Log(std::string line) { console.Add(std::move(line)); }

CVarWrapper HostState::Register(std::uint64_t owner, std::string name, std::string defaultValue,
                                std::string description, bool searchable, bool hasMin, float min, bool hasMax,
                                float max, bool saveToConfig) {
    std::lock_guard lock(mutex);
    auto found = cvars.find(name);
    if (found != cvars.end()) {
        return Handles::CVar(found->second, owner);
    }
    auto cvar = std::make_shared<CVarState>();
    cvar->name = name;
    cvar->value = defaultValue;
    cvar->defaultValue = std::move(defaultValue);
    cvar->description = std::move(description);
    cvar->searchable = searchable;
    cvar->hasMin = hasMin;
    cvar->min = min;
    cvar->hasMax = hasMax;
    cvar->max = max;
    cvar->saveToConfig = saveToConfig;
    cvar->host = this;
    cvars.emplace(std::move(name), cvar);
    return Handles::CVar(std::move(cvar), owner);
}

CVarWrapper HostState::Find(std::string_view name, std::uint64_t owner) {
    std::lock_guard lock(mutex);
    auto found = cvars.find(name);
    return Handles::CVar(found != cvars.end() ? found->second : nullptr, owner);
}

void HostState::RemoveDrawables(std::uint64_t owner) {
    {
        std::lock_guard lock(mutex);
        std::erase_if(drawables, [&](const auto& drawable) {
            const bool mine = drawable->owner == owner;
            if (mine) {
                drawable->alive = false;
            }
            return mine;
        });
    }
    // A frame on another thread may be inside one of them right now: wait for it to end, so the
    // caller may destroy what its drawables use. A drawable removing drawables is already inside.
    if (!insideFrame) {
        std::lock_guard frame(frameMutex);
    }
}

void HostState::ForgetOwner(std::uint64_t owner) {
    RemoveDrawables(owner);
    // Destroy the plugin's callbacks now: their code lives in the module about to be closed.
    std::vector<std::shared_ptr<CVarState::Callback>> droppedCallbacks;
    std::vector<QueuedTask> droppedTasks;
    {
        std::lock_guard lock(mutex);
        std::erase_if(hooks, [&](const auto& hook) { return hook->owner == owner; });
        for (auto& [name, cvar] : cvars) {
            std::lock_guard cvarLock(cvar->mutex);
            std::erase_if(cvar->callbacks, [&](const auto& callback) {
                if (callback->owner != owner) {
                    return false;
                }
                droppedCallbacks.push_back(callback);
                return true;
            });
        }
        auto mine = std::stable_partition(tasks.begin(), tasks.end(),
                                          [&](const QueuedTask& task) { return task.owner != owner; });
        std::move(mine, tasks.end(), std::back_inserter(droppedTasks));
        tasks.erase(mine, tasks.end());
    }
}

namespace {

std::string FailureLine(const std::string& plugin, CallbackName callback, const char* what) {
    std::string line = "PLUGIN STOPPED: " + plugin + " threw from " + std::string(callback.what) +
                       std::string(callback.subject) + ": " +
                       (what != nullptr ? what : "an exception of unknown type");
    // One line, whatever the exception's text holds.
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

} // namespace

void HostState::PluginFailed(std::uint64_t owner, CallbackName callback, const char* what) noexcept {
    try {
        std::string line;
        {
            std::lock_guard lock(mutex);
            auto& plugin = plugins[owner];
            if (!plugin) {
                plugin = std::make_shared<PluginState>();
                plugin->name = "plugin " + std::to_string(owner);
            }
            plugin->failed = true;
            // Not even the rest of a tick, frame or change already under way calls it again.
            for (const auto& hook : hooks) {
                if (hook->owner == owner) {
                    hook->alive = false;
                }
            }
            for (const auto& drawable : drawables) {
                if (drawable->owner == owner) {
                    drawable->alive = false;
                }
            }
            for (auto& [name, cvar] : cvars) {
                std::lock_guard cvarLock(cvar->mutex);
                for (const auto& entry : cvar->callbacks) {
                    if (entry->owner == owner) {
                        entry->alive = false;
                    }
                }
            }
            line = FailureLine(plugin->name, callback, what);
            failures.push_back(line);
        }
        console.Add(line);
        releasePending = true;
        std::fprintf(stderr, "%s\n", line.c_str());
    } catch (...) {
        // Out of memory while reporting: the report is lost, the host goes on.
    }
}

bool HostState::HasFailed(std::uint64_t owner) const {
    std::lock_guard lock(mutex);
    const auto found = plugins.find(owner);
    return found != plugins.end() && found->second->failed;
}

void HostState::ThrowIfFailing(std::string_view service) const {
    if (!anyServiceFailing) {
        return;
    }
    std::lock_guard lock(mutex);
    if (failingServices.contains(service)) {
        throw std::runtime_error(std::string(service) + " failed: the host was told to fail it");
    }
}

} // namespace pluginsdk::detail

namespace pluginsdk::host {

using detail::HostState;

// ---------------------------------------------------------------------------
// LoadedPlugin
// ---------------------------------------------------------------------------

LoadedPlugin::~LoadedPlugin() {
    // The last references may run the module's code as they go: release them while it is mapped.
    plugin_.reset();
    game_.reset();
    if (library_ != nullptr) {
        detail::CloseModule(library_);
    }
}

bool LoadedPlugin::Failed() const { return state_ && state_->failed; }

BakkesMod::Plugin::PluginSettingsWindow* SettingsWindowOf(BakkesMod::Plugin::BakkesModPlugin* plugin) {
    return dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(plugin);
}

BakkesMod::Plugin::PluginSettingsWindow* LoadedPlugin::SettingsWindow() const {
    return Failed() ? nullptr : SettingsWindowOf(plugin_.get());
}

void* LoadedPlugin::Symbol(const char* name) const { return detail::ModuleSymbol(library_, name); }

// ---------------------------------------------------------------------------
// Host
// ---------------------------------------------------------------------------

Host::Host(std::filesystem::path dataFolder) : state_(std::make_unique<HostState>()) {
    state_->dataFolder = std::move(dataFolder);
}

Host::~Host() {
    while (!plugins_.empty()) {
        UnloadPlugin(*plugins_.back());
    }
}

LoadedPlugin& Host::LoadPlugin(const std::filesystem::path& module) {
    auto loaded = std::unique_ptr<LoadedPlugin>(new LoadedPlugin());
    loaded->path_ = module;
    std::string error;
    loaded->library_ = detail::OpenModule(module, error);
    if (loaded->library_ == nullptr) {
        throw PluginLoadError("cannot open " + module.string() + ": " + error);
    }
    loaded->info_ = static_cast<const PluginInfo*>(loaded->Symbol("exports"));
    if (loaded->info_ == nullptr) {
        throw PluginLoadError(module.string() + " exports no plugin record");
    }
    if (loaded->info_->apiBuildVersion != kApiBuildVersion) {
        throw PluginLoadError(module.string() + " was built for plugin API " +
                              std::to_string(loaded->info_->apiBuildVersion) + ", this host has " +
                              std::to_string(kApiBuildVersion));
    }
    std::uintptr_t holderAddress = 0;
    try {
        holderAddress = loaded->info_->createFunction();
    } catch (const std::exception& error) {
        throw PluginLoadError(module.string() + ": getPlugin threw: " + error.what());
    } catch (...) {
        throw PluginLoadError(module.string() + ": getPlugin threw");
    }
    // The module hands out the address of its holder; the host keeps a strong copy of its own.
    using Holder = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>;
    // NOLINTNEXTLINE(performance-no-int-to-ptr): that address comes as an integer, as the loader reads it.
    const auto* holder = reinterpret_cast<const Holder*>(holderAddress);
    if (holder == nullptr || !*holder) {
        throw PluginLoadError(module.string() + " created no plugin");
    }
    loaded->plugin_ = *holder;
    loaded->state_ = std::make_shared<detail::PluginState>();
    // Appended piece by piece: "text" + std::string trips GCC 12's -Wrestrict at -O3.
    std::string& name = loaded->state_->name;
    name = "\"";
    name += loaded->info_->pluginName != nullptr ? loaded->info_->pluginName : "";
    name += "\" (";
    name += module.filename().string();
    name += ")";
    {
        std::lock_guard lock(state_->mutex);
        loaded->id_ = state_->nextOwner++;
        state_->plugins[loaded->id_] = loaded->state_;
    }
    loaded->plugin_->cvarManager = std::make_shared<CVarManagerWrapper>(CVarManagerFor(loaded->id_));
    loaded->plugin_->gameWrapper = std::make_shared<GameWrapper>(GameFor(loaded->id_));
    loaded->game_ = loaded->plugin_->gameWrapper;
    plugins_.push_back(std::move(loaded));
    LoadedPlugin& plugin = *plugins_.back();
    detail::CallPlugin(*state_, plugin.id_, {"onLoad"}, [&] { plugin.plugin_->onLoad(); });
    ReleaseFailedPlugins();
    return plugin;
}

void Host::StopPlugin(LoadedPlugin& plugin) {
    if (!plugin.plugin_) {
        return;
    }
    if (plugin.Failed()) {
        Release(plugin);
        return;
    }
    detail::CallPlugin(*state_, plugin.id_, {"onUnload"}, [&] { plugin.plugin_->onUnload(); });
    plugin.plugin_.reset();
    detail::CallPlugin(*state_, plugin.id_, {"deleteMe"}, [&] { plugin.info_->deleteFunction(); });
}

void Host::Release(LoadedPlugin& plugin) {
    // Whatever it registered goes first, while nothing of it runs; its code stays mapped until
    // UnloadPlugin closes the module.
    state_->ForgetOwner(plugin.id_);
    plugin.plugin_.reset();
    detail::CallPlugin(*state_, plugin.id_, {"deleteMe"}, [&] { plugin.info_->deleteFunction(); });
}

void Host::ReleaseFailedPlugins() {
    if (!state_->releasePending.exchange(false)) {
        return;
    }
    for (const auto& plugin : plugins_) {
        if (plugin->plugin_ && plugin->Failed()) {
            Release(*plugin);
        }
    }
}

void Host::PluginFailed(const LoadedPlugin& plugin, std::string_view callback, const char* what) noexcept {
    state_->PluginFailed(plugin.id_, {callback}, what);
}

std::vector<std::string> Host::PluginFailures() const {
    std::lock_guard lock(state_->mutex);
    return state_->failures;
}

void Host::FailService(std::string_view service, bool fail) {
    std::lock_guard lock(state_->mutex);
    if (fail) {
        state_->failingServices.emplace(service);
    } else if (const auto found = state_->failingServices.find(service);
               found != state_->failingServices.end()) {
        state_->failingServices.erase(found);
    }
    state_->anyServiceFailing = !state_->failingServices.empty();
}

void Host::UnloadPlugin(LoadedPlugin& plugin) {
    StopPlugin(plugin);
    state_->ForgetOwner(plugin.id_);
    {
        std::lock_guard lock(state_->mutex);
        state_->plugins.erase(plugin.id_);
    }
    auto found = std::find_if(plugins_.begin(), plugins_.end(),
                              [&](const auto& entry) { return entry.get() == &plugin; });
    if (found != plugins_.end()) {
        plugins_.erase(found);
    }
}

void Host::SetFreeplay(bool inFreeplay) { state_->freeplay.store(inFreeplay, std::memory_order_relaxed); }

bool Host::IsInFreeplay() const { return state_->freeplay.load(std::memory_order_relaxed); }

std::uint64_t Host::FreeplayQueries() const {
    return state_->freeplayQueries.load(std::memory_order_relaxed);
}

std::size_t Host::AddCar() {
    state_->cars.push_back(std::make_unique<detail::CarState>());
    return state_->cars.size() - 1;
}

void Host::SetInput(std::size_t car, const ControllerInput& input) { state_->cars.at(car)->input = input; }

void Host::SetRoll(std::size_t car, float roll) { state_->cars.at(car)->input.Roll = roll; }

ControllerInput Host::GetInput(std::size_t car) const { return state_->cars.at(car)->input; }

void Host::Tick() {
    // Made once: a tick must not allocate.
    static const std::string event = kSetVehicleInputEvent;
    FireEvent(event);
    RunTasks();
}

void Host::FireEvent(const std::string& eventName) {
    // The scratch list keeps its capacity, so a tick allocates nothing once the game is running.
    auto& hooks = state_->tickScratch;
    hooks.clear();
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& hook : state_->hooks) {
            if (hook->eventName == eventName) {
                hooks.push_back(hook);
            }
        }
    }
    for (const auto& car : state_->cars) {
        for (const auto& hook : hooks) {
            if (hook->alive) {
                // The host's interface hands every hook its own copy of the event's name.
                detail::CallPlugin(*state_, hook->owner, {"its hook on ", eventName},
                                   [&] { hook->fn(detail::Handles::Car(*car), &car->input, eventName); });
            }
        }
    }
    hooks.clear();
    ReleaseFailedPlugins();
}

std::size_t Host::RunTasks() {
    // An empty vector costs no allocation, so an idle tick costs none.
    std::vector<detail::QueuedTask> due;
    {
        std::lock_guard lock(state_->mutex);
        due.swap(state_->tasks);
    }
    for (auto& task : due) {
        if (!state_->HasFailed(task.owner)) {
            detail::CallPlugin(*state_, task.owner, {"a task it queued"}, [&] { task.fn(task.game); });
        }
    }
    const std::size_t ran = due.size();
    due.clear();
    ReleaseFailedPlugins();
    return ran;
}

std::size_t Host::PendingTasks() const {
    std::lock_guard lock(state_->mutex);
    return state_->tasks.size();
}

const std::vector<CanvasCall>& Host::Frame(Vector2 size) {
    thread_local detail::CanvasState canvas;
    thread_local std::vector<std::shared_ptr<detail::DrawableEntry>> drawables;
    canvas.size = size;
    canvas.calls.clear();
    std::lock_guard frame(state_->frameMutex);
    const detail::FrameScope scope;
    {
        std::lock_guard lock(state_->mutex);
        drawables.assign(state_->drawables.begin(), state_->drawables.end());
    }
    // A failed plugin is released on the game thread, which this may not be.
    for (const auto& drawable : drawables) {
        if (drawable->alive) {
            detail::CallPlugin(*state_, drawable->owner, {"its drawable"},
                               [&] { drawable->fn(detail::Handles::Canvas(canvas)); });
        }
    }
    drawables.clear();
    return canvas.calls;
}

void Host::SetDataFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(state_->mutex);
    state_->dataFolder = folder;
}

std::filesystem::path Host::DataFolder() const {
    std::lock_guard lock(state_->mutex);
    return state_->dataFolder;
}

std::vector<std::string> Host::ConsoleLines(std::size_t first, std::size_t count) const {
    return state_->console.Lines(first, count);
}

std::size_t Host::ConsoleLineCount() const { return state_->console.Count(); }

std::size_t Host::FirstConsoleLine() const { return state_->console.First(); }

void Host::ClearConsole() { state_->console.Clear(); }

void Host::SetConsoleSink(std::function<void(std::string_view line)> sink) {
    state_->console.SetSink(std::move(sink));
}

void Host::Log(const std::string& line) { state_->Log(line); }

void Host::ExecuteConsoleLine(std::string_view line) {
    const auto command = ParseConsoleLine(line);
    if (!command) {
        return;
    }
    CVarWrapper cvar = GetCvar(command->name);
    if (!cvar) {
        Log("Unknown command: " + command->name);
        return;
    }
    if (command->value) {
        cvar.setValue(*command->value);
        ReleaseFailedPlugins();
    } else {
        Log(command->name + " = \"" + cvar.getStringValue() + "\"");
    }
}

CVarWrapper Host::GetCvar(const std::string& name) { return state_->Find(name, 0); }

CVarManagerWrapper Host::CVarManagerFor(std::uint64_t owner) {
    return detail::Handles::CVarManager(*state_, owner);
}

GameWrapper Host::GameFor(std::uint64_t owner) { return detail::Handles::Game(*state_, owner); }

std::vector<std::string> Host::CvarNames() const {
    std::lock_guard lock(state_->mutex);
    std::vector<std::string> names;
    names.reserve(state_->cvars.size());
    for (const auto& entry : state_->cvars) {
        names.push_back(entry.first);
    }
    return names;
}

bool Host::RemoveCvar(const std::string& name) {
    std::lock_guard lock(state_->mutex);
    return state_->cvars.erase(name) > 0;
}

} // namespace pluginsdk::host
