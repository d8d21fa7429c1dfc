// A plugin's page in the host's settings window. As the host's header does, this one takes
// std::string and std::uintptr_t from what was included before it: include it after
// bakkesmod/plugin/bakkesmodplugin.h.
#pragma once

#include "pluginsdk/api.h"

namespace BakkesMod::Plugin {

// The host calls these on the thread that draws its Dear ImGui windows, inside its own frame. Declared
// whole here: a plugin imports nothing of it.
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
