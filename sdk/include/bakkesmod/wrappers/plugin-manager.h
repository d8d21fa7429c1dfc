// The host's list of loaded plugins, as a plugin sees it through GameWrapper::GetPluginManager().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/game-objects.h"
#include "pluginsdk/api.h"

namespace BakkesMod::Plugin {
class BakkesModPlugin;

// One loaded plugin: what its module's record says, and its object while it runs.
struct LoadedPlugin {
    // The module's file name without its extension: the name `plugin unload` takes.
    std::string _filename;
    std::string _name;
    std::string _version;
    std::string _className;
    int _type = 0;
    std::shared_ptr<BakkesModPlugin> _plugin;
};
} // namespace BakkesMod::Plugin

class PluginManagerWrapper : public ObjectWrapper {
public:
    PLUGINSDK_API explicit PluginManagerWrapper(std::uintptr_t mem);
    PLUGINSDK_API PluginManagerWrapper(const PluginManagerWrapper& other);
    PLUGINSDK_API PluginManagerWrapper& operator=(PluginManagerWrapper other);
    // NOLINTNEXTLINE(performance-trivially-destructible): the host's library releases its objects.
    PLUGINSDK_API ~PluginManagerWrapper();

    // The host's own list, in load order, valid until the next plugin loads or unloads; read it on
    // the game thread.
    PLUGINSDK_API std::vector<std::shared_ptr<BakkesMod::Plugin::LoadedPlugin>>* GetLoadedPlugins();

private:
    void* managerState_ = nullptr;
};

static_assert(sizeof(PluginManagerWrapper) == 16);
