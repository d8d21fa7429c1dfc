// The plugin's settings-page facet: its name and the host's Dear ImGui context.
#pragma once

#include <cstdint>
#include <string>

#include "host-sdk.h"

class SettingsWindowBase : public BakkesMod::Plugin::PluginSettingsWindow {
public:
    std::string GetPluginName() override;
    // The host owns the context; the widgets of RenderSettings draw into the one set last.
    void SetImGuiContext(std::uintptr_t context) override;
};
