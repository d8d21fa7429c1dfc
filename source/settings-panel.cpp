// The plugin's settings page: the four settings, edited through the host's console variables.
#include <imgui.h>

#include "Spinbeat.h"
#include "callback-guard.h"
#include "plugin-exports.h"
#include "settings.h"

void Spinbeat::RenderSettings() {
    GuardHostCallback([this] {
        // A host that never handed its context over would have us draw into nothing.
        if (ImGui::GetCurrentContext() == nullptr) {
            return;
        }
        ImGui::TextUnformatted("Spinbeat");

        // Each variable is looked up afresh: the page keeps nothing between frames, and a missing
        // variable only costs its own widget.
        if (CVarWrapper cvar = cvarManager->getCvar(kPlaySoundOnBeatCvar)) {
            bool value = cvar.getBoolValue();
            if (ImGui::Checkbox("Play sound on beat", &value)) {
                cvar.setValue(value ? 1 : 0);
            }
        }

        // No range: whatever the player types or steps to is taken as it is.
        if (CVarWrapper cvar = cvarManager->getCvar(kBpmCvar)) {
            int value = cvar.getIntValue();
            if (ImGui::InputInt("BPM", &value, 1, 100)) {
                cvar.setValue(value);
            }
        }

        if (ImGui::Button("Playtest beat sound")) {
            // The sound plays on the game thread. The task may run after this object is gone, so it
            // checks first that the holder still has this very object.
            const BakkesMod::Plugin::BakkesModPlugin* self = this;
            const std::uint64_t generation = PluginGeneration();
            gameWrapper->Execute([this, self, generation](GameWrapper* /*game*/) {
                GuardHostCallback([&] {
                    if (IsCurrentPlugin(self, generation)) {
                        PlayBeatSound();
                    }
                });
            });
        }

        if (CVarWrapper cvar = cvarManager->getCvar(kDisplayRevolutionBarCvar)) {
            bool value = cvar.getBoolValue();
            if (ImGui::Checkbox("Display revolution bar", &value)) {
                cvar.setValue(value ? 1 : 0);
            }
        }

        if (CVarWrapper cvar = cvarManager->getCvar(kBarVerticalPositionCvar)) {
            float value = cvar.getFloatValue();
            if (ImGui::SliderFloat("Position of the revolution bar", &value, 0.0F, 1.0F, "%.3f", 1.0F)) {
                cvar.setValue(value);
            }
        }
    });
}
