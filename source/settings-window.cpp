// The settings-page facet shared by the plugin's page.
#include "settings-window.h"

#include <imgui.h>

std::string SettingsWindowBase::GetPluginName() { return "Spinbeat"; }

void SettingsWindowBase::SetImGuiContext(std::uintptr_t context) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the host hands its context over as an integer.
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}
