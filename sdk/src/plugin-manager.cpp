// The loaded plugins as a plugin reads them: the host's own list, behind one game object.
#include "host-state.h"

// NOLINTBEGIN(performance-unnecessary-value-param): the host's assignment takes its argument by value.
PluginManagerWrapper::PluginManagerWrapper(std::uintptr_t mem) : ObjectWrapper(mem) {}
PluginManagerWrapper::PluginManagerWrapper(const PluginManagerWrapper& other) = default;
PluginManagerWrapper& PluginManagerWrapper::operator=(PluginManagerWrapper other) {
    ObjectWrapper::operator=(other);
    managerState_ = other.managerState_;
    return *this;
}
PluginManagerWrapper::~PluginManagerWrapper() = default;
// NOLINTEND(performance-unnecessary-value-param)

std::vector<std::shared_ptr<BakkesMod::Plugin::LoadedPlugin>>* PluginManagerWrapper::GetLoadedPlugins() {
    pluginsdk::detail::RequireObject(memory_address, "PluginManagerWrapper::GetLoadedPlugins()");
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the object is the host's list, by its address.
    return reinterpret_cast<std::vector<std::shared_ptr<BakkesMod::Plugin::LoadedPlugin>>*>(memory_address);
}

PluginManagerWrapper GameWrapper::GetPluginManager() {
    return PluginManagerWrapper(reinterpret_cast<std::uintptr_t>(&link_->host->loadedList));
}
