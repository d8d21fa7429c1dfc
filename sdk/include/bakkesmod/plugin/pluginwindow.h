// A plugin's own window, opened and closed with the host's `togglemenu` command. As the host's header
// does, this one takes std::string and std::uintptr_t from what was included before it: include it
// after bakkesmod/plugin/bakkesmodplugin.h.
#pragma once

#include "pluginsdk/api.h"

namespace BakkesMod::Plugin {

// The host calls these on the thread that draws its Dear ImGui windows. Declared whole here: a plugin
// imports nothing of it.
class PLUGINSDK_SHARED_TYPE PluginWindow {
public:
    virtual ~PluginWindow() = default;
    // Draws the window, Begin to End, into the current Dear ImGui context; called each frame it is open.
    virtual void Render() = 0;
    // The name `togglemenu` takes: no spaces.
    virtual std::string GetMenuName() = 0;
    // The window's title.
    virtual std::string GetMenuTitle() = 0;
    // The host's context, an ImGuiContext*; set before the first Render.
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
    // Whether the game should get no keyboard and mouse while the window is open.
    virtual bool ShouldBlockInput() = 0;
    // Whether the window counts as an open menu of the host's.
    virtual bool IsActiveOverlay() = 0;
    // Called when `togglemenu` opens the window, and when it closes it.
    virtual void OnOpen() = 0;
    virtual void OnClose() = 0;
};

} // namespace BakkesMod::Plugin
