// Loading plugins, and stopping them: at the boundary of their callbacks, and when they call what
// spinbeat-host cannot do for them.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "host-state.h"
#include "pe-imports.h"
#include "platform.h"
#include "pluginsdk/host/host.h"

namespace pluginsdk::detail {

// ---------------------------------------------------------------------------
// Which plugin this thread is calling
// ---------------------------------------------------------------------------

namespace {
PLUGINSDK_STATIC_TLS thread_local HostState* callingHost = nullptr;
PLUGINSDK_STATIC_TLS thread_local std::uint64_t callingOwner = 0;
} // namespace

CallingPlugin::CallingPlugin(HostState& host, std::uint64_t owner) noexcept
    : previousHost_(callingHost), previousOwner_(callingOwner) {
    callingHost = &host;
    callingOwner = owner;
}

CallingPlugin::~CallingPlugin() {
    callingHost = previousHost_;
    callingOwner = previousOwner_;
}

HostState* CallingPlugin::Host() { return callingHost; }

std::uint64_t CallingPlugin::Owner() { return callingOwner; }

void StopCallingPlugin(std::string_view member, bool nullObject) {
    StopCallingPluginFor("called " + std::string(member) +
                         (nullObject ? " on a null object, where the game would crash"
                                     : ", which spinbeat-host does not implement"));
}

void StopCallingPluginFor(const std::string& reason) {
    if (callingHost != nullptr) {
        // A plugin that catches the exception and goes on calling such members is reported once.
        if (!callingHost->HasFailed(callingOwner)) {
            callingHost->PluginFailed(callingOwner, reason);
        }
    } else {
        // A plugin's own thread, or its module's start-up: no callback of the host's to charge it to.
        std::fprintf(stderr, "PLUGIN STOPPED: a plugin %s, outside any of its callbacks\n", reason.c_str());
    }
    throw host::PluginStopped();
}

// ---------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------

void HostState::ForgetOwner(std::uint64_t owner) {
    RemoveDrawables(owner);
    // Destroy the plugin's callbacks now: their code lives in the module about to be closed.
    std::vector<std::shared_ptr<CVarState::Callback>> droppedCallbacks;
    std::vector<QueuedTask> droppedTasks;
    {
        std::lock_guard lock(mutex);
        std::erase_if(hooks, [&](const auto& hook) { return hook->owner == owner; });
        std::erase_if(notifiers, [&](const auto& entry) { return entry.second->owner == owner; });
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

std::string HostState::NameOfLocked(std::uint64_t owner) const {
    if (owner == 0) {
        return "the host";
    }
    const auto found = plugins.find(owner);
    return found != plugins.end() ? found->second->name : "plugin " + std::to_string(owner);
}

std::string HostState::Registrations(std::uint64_t owner) const {
    const auto mine = [owner](const auto& entry) { return entry->owner == owner; };
    std::size_t changeCallbacks = 0;
    std::size_t queued = 0;
    std::size_t timeouts = 0;
    std::size_t hookCount = 0;
    std::size_t drawableCount = 0;
    std::size_t notifierCount = 0;
    {
        std::lock_guard lock(mutex);
        hookCount = static_cast<std::size_t>(std::count_if(hooks.begin(), hooks.end(), mine));
        drawableCount = static_cast<std::size_t>(std::count_if(drawables.begin(), drawables.end(), mine));
        notifierCount = static_cast<std::size_t>(std::count_if(
            notifiers.begin(), notifiers.end(), [&](const auto& entry) { return mine(entry.second); }));
        for (const auto& task : tasks) {
            if (task.owner == owner) {
                ++(task.timeout ? timeouts : queued);
            }
        }
        // The callbacks on its own variables go with its variables, as the host has them; on another's,
        // they would outlive it.
        for (const auto& [name, cvar] : cvars) {
            if (cvar->owner != owner) {
                std::lock_guard cvarLock(cvar->mutex);
                changeCallbacks += static_cast<std::size_t>(
                    std::count_if(cvar->callbacks.begin(), cvar->callbacks.end(), mine));
            }
        }
    }
    std::string words;
    const auto add = [&](std::size_t count, const char* one, const char* many) {
        if (count > 0) {
            words += (words.empty() ? "" : ", ") + std::to_string(count) + " " + (count == 1 ? one : many);
        }
    };
    add(hookCount, "hook", "hooks");
    add(drawableCount, "drawable", "drawables");
    add(notifierCount, "command", "commands");
    add(queued, "queued task", "queued tasks");
    add(timeouts, "timeout", "timeouts");
    add(changeCallbacks, "change callback on another's variable", "change callbacks on others' variables");
    return words;
}

void HostState::PluginFailed(std::uint64_t owner, CallbackName callback, const char* what) noexcept {
    try {
        PluginFailed(owner, "threw from " + std::string(callback.what) + std::string(callback.subject) +
                                ": " + (what != nullptr ? what : "an exception of unknown type"));
    } catch (...) {
        // Out of memory while reporting: the report is lost, the host goes on.
    }
}

void HostState::PluginFailed(std::uint64_t owner, std::string_view reason) noexcept {
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
            line = "PLUGIN STOPPED: " + plugin->name + " " + std::string(reason);
            // One line, whatever the exception's text holds.
            std::replace_if(
                line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
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

const char* PluginStopped::what() const noexcept { return "the plugin called what stopped it"; }

// ---------------------------------------------------------------------------
// What a module imports from the host's library
// ---------------------------------------------------------------------------

namespace {

// The class of a member as the report shows it, "Class::member(...)": what comes before its last "::"
// outside the parameters; "" for a plain function.
std::string ClassOf(std::string_view shown) {
    const std::string_view head = shown.substr(0, shown.find('('));
    const std::size_t colons = head.rfind("::");
    return colons == std::string_view::npos ? std::string() : std::string(head.substr(0, colons));
}

} // namespace

SdkImports ReadSdkImports(const std::filesystem::path& module) {
    SdkImports report;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(module, error);
    std::ifstream in(module, std::ios::binary);
    if (error || !in) {
        report.error = "cannot read " + module.string();
        return report;
    }
    const auto read = [&](std::uint64_t offset, void* out, std::size_t count) {
        in.clear();
        return static_cast<bool>(in.seekg(static_cast<std::streamoff>(offset)) &&
                                 in.read(static_cast<char*>(out), static_cast<std::streamsize>(count)));
    };
    detail::PeImports imports = detail::ReadPeImports(read, size, "pluginsdk.dll");
    if (!imports.error.empty()) {
        report.error = module.filename().string() + ": " + imports.error;
        return report;
    }
    report.names = imports.names.size();
    for (const std::string& name : imports.names) {
        const auto known = detail::LookUpHostName(name);
        if (!known) {
            report.error =
                "this spinbeat-host has no pluginsdk.dll of the host's: it loads modules of its own platform";
            return report;
        }
        ++report.byClass[ClassOf(known->shown)];
        if (!known->implemented) {
            report.unimplemented.push_back(known->shown);
        }
    }
    std::sort(report.unimplemented.begin(), report.unimplemented.end());
    return report;
}

std::vector<std::string> DescribeSdkImportsByClass(const SdkImports& imports) {
    std::map<std::string, std::vector<std::string>> missing;
    for (const std::string& shown : imports.unimplemented) {
        missing[ClassOf(shown)].push_back(shown);
    }
    std::vector<std::string> lines;
    for (const auto& [name, count] : imports.byClass) {
        const auto& lacking = missing[name];
        std::string line = "  " + (name.empty() ? std::string("(functions)") : name) + ": " +
                           std::to_string(count - lacking.size()) + " of " + std::to_string(count) +
                           " implemented";
        for (std::size_t i = 0; i < lacking.size(); ++i) {
            line += (i == 0 ? "; not " : ", ") + lacking[i];
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string DescribeSdkImports(const std::string& plugin, const SdkImports& imports) {
    if (!imports.error.empty()) {
        return plugin + ": " + imports.error;
    }
    if (imports.names == 0) {
        return plugin + " imports nothing from pluginsdk.dll";
    }
    std::string line = plugin + " imports " + std::to_string(imports.names) + " names from pluginsdk.dll; ";
    if (imports.unimplemented.empty()) {
        return line + "spinbeat-host implements all of them";
    }
    const std::size_t missing = imports.unimplemented.size();
    line += "spinbeat-host implements " + std::to_string(imports.names - missing) +
            (missing == 1 ? ", not this one:" : ", not these " + std::to_string(missing) + ":");
    for (std::size_t i = 0; i < imports.unimplemented.size(); ++i) {
        line += (i == 0 ? " " : "; ") + imports.unimplemented[i];
    }
    return line;
}

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

BakkesMod::Plugin::PluginWindow* PluginWindowOf(BakkesMod::Plugin::BakkesModPlugin* plugin) {
    return dynamic_cast<BakkesMod::Plugin::PluginWindow*>(plugin);
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
    loaded->listed_ = std::make_shared<BakkesMod::Plugin::LoadedPlugin>();
    loaded->listed_->_filename = module.stem().string();
    loaded->listed_->_name = loaded->info_->pluginName != nullptr ? loaded->info_->pluginName : "";
    loaded->listed_->_version = loaded->info_->pluginVersion != nullptr ? loaded->info_->pluginVersion : "";
    loaded->listed_->_className = loaded->info_->className != nullptr ? loaded->info_->className : "";
    loaded->listed_->_type = loaded->info_->pluginType;
    // The object, without a reference of the list's own: the host's one reference decides, with the
    // module's holder, when the object goes (deleteMe while the host still holds it keeps it alive).
    loaded->listed_->_plugin = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>(
        std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>(), loaded->plugin_.get());
    {
        std::lock_guard lock(state_->mutex);
        state_->loadedList.push_back(loaded->listed_);
    }
    plugins_.push_back(std::move(loaded));
    LoadedPlugin& plugin = *plugins_.back();
    // A module built against the host's own SDK may call what spinbeat-host does not implement: the
    // player learns which before anything of it runs.
    if (const SdkImports imports = ReadSdkImports(module); imports.error.empty()) {
        state_->Log(DescribeSdkImports(plugin.state_->name, imports));
    }
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
    plugin.listed_->_plugin.reset();
    plugin.plugin_.reset();
    detail::CallPlugin(*state_, plugin.id_, {"deleteMe"}, [&] { plugin.info_->deleteFunction(); });
}

void Host::Release(LoadedPlugin& plugin) {
    // Whatever it registered goes first, while nothing of it runs; its code stays mapped until
    // UnloadPlugin closes the module.
    state_->ForgetOwner(plugin.id_);
    plugin.listed_->_plugin.reset();
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
    // A bug that shows only at unload: the game would go on calling into a module that is gone.
    if (const std::string left = state_->Registrations(plugin.id_); !left.empty()) {
        state_->Log(plugin.state_->name + " left registered after onUnload: " + left +
                    "; the host drops them");
    }
    state_->ForgetOwner(plugin.id_);
    {
        std::lock_guard lock(state_->mutex);
        state_->plugins.erase(plugin.id_);
        std::erase(state_->loadedList, plugin.listed_);
    }
    auto found = std::find_if(plugins_.begin(), plugins_.end(),
                              [&](const auto& entry) { return entry.get() == &plugin; });
    if (found != plugins_.end()) {
        plugins_.erase(found);
    }
}

} // namespace pluginsdk::host
