// The interfaces a plugin implements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pluginsdk/api.h"
#include "pluginsdk/wrappers.h"

namespace BakkesMod::Plugin {

// The plugin proper. The host fills both pointers, then calls onLoad; it calls onUnload before it
// drops the plugin. Both run on the game thread. Every member is compiled into the plugin module.
class PLUGINSDK_PLUGIN_BASE_API BakkesModPlugin {
public:
    BakkesModPlugin();
    BakkesModPlugin(const BakkesModPlugin& other);
    BakkesModPlugin(BakkesModPlugin&& other) noexcept;
    // Not virtual: the module's holder always destroys the plugin as its own class.
    ~BakkesModPlugin();
    BakkesModPlugin& operator=(const BakkesModPlugin& other);
    BakkesModPlugin& operator=(BakkesModPlugin&& other) noexcept;

    // Hooks, drawables and console variables are set up here, not in the constructor.
    virtual void onLoad();
    // Everything that calls back into the plugin object must be removed here.
    virtual void onUnload();

    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;
};

// A plugin's page in the host's settings window. The host calls these on the thread that draws
// its Dear ImGui windows, inside its own frame. Declared whole here: a plugin imports nothing of it.
class PLUGINSDK_SHARED_TYPE PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow() = default;
    // Draws the page's widgets into the current Dear ImGui context.
    virtual void RenderSettings() = 0;
    // The page's name in the host's list of plugins.
    virtual std::string GetPluginName() = 0;
    // The host's context, an ImGuiContext*; set before the first RenderSettings.
    virtual void SetImGuiContext(std::uintptr_t context) = 0;
};

} // namespace BakkesMod::Plugin
