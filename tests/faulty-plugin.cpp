// A plugin as a developer might write one, which throws from the callback FAULTY_PLUGIN_FAILS_IN names.
#include <imgui.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"

#if defined(_WIN32)
#define FAULTY_EXPORT __declspec(dllexport)
#else
#define FAULTY_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr const char* kEvent = "Function TAGame.Car_TA.SetVehicleInput";
int hookCalls = 0;

bool FailsIn(std::string_view callback) {
    const char* chosen = std::getenv("FAULTY_PLUGIN_FAILS_IN");
    return chosen != nullptr && callback == chosen;
}

void FailIf(const std::string& callback) {
    if (FailsIn(callback)) {
        throw std::runtime_error(callback + " failed on purpose");
    }
}

class Faulty : public BakkesMod::Plugin::BakkesModPlugin, public BakkesMod::Plugin::PluginSettingsWindow {
public:
    ~Faulty() override {
        if (cvarManager) {
            cvarManager->log("faulty: object released");
        }
    }

    // Everything is registered before onLoad fails, so the host has all of it to remove.
    void onLoad() override {
        cvarManager->registerCvar("faulty_value", "0").addOnValueChanged([](std::string, CVarWrapper) {
            FailIf("cvar");
        });
        gameWrapper->HookEventWithCaller<CarWrapper>(kEvent, [this](CarWrapper, void*, const std::string&) {
            ++hookCalls;
            FailIf("hook");
            if (FailsIn("task") && hookCalls == 1) {
                gameWrapper->Execute([](GameWrapper*) { FailIf("task"); });
            }
        });
        gameWrapper->RegisterDrawable([](CanvasWrapper canvas) {
            canvas.FillBox(Vector2{1, 1});
            FailIf("drawable");
        });
        FailIf("onLoad");
    }

    void onUnload() override {
        FailIf("onUnload");
        gameWrapper->UnhookEvent(kEvent);
        gameWrapper->UnregisterDrawables();
    }

    // "settings" fails at once; "settings-midway" leaves Dear ImGui's stacks unbalanced first, in the
    // host's window and in a window of its own.
    void RenderSettings() override {
        FailIf("settings");
        ImGui::PushID("faulty");
        ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(255, 0, 0, 255));
        ImGui::BeginGroup();
        ImGui::TreePush("faulty");
        ImGui::Begin("Faulty window");
        ImGui::BeginGroup();
        ImGui::PushID(1);
        ImGui::TextUnformatted("faulty");
        FailIf("settings-midway");
        ImGui::PopID();
        ImGui::EndGroup();
        ImGui::End();
        ImGui::TreePop();
        ImGui::EndGroup();
        ImGui::PopStyleColor();
        ImGui::PopID();
    }
    std::string GetPluginName() override { return "Faulty"; }
    void SetImGuiContext(std::uintptr_t context) override {
        ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
    }
};

std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> holder;

} // namespace

extern "C" {

FAULTY_EXPORT std::uintptr_t getPlugin() {
    if (!holder) {
        holder = std::make_shared<Faulty>();
    }
    return reinterpret_cast<std::uintptr_t>(&holder);
}

FAULTY_EXPORT void deleteMe() { holder.reset(); }

struct Record {
    std::int32_t apiBuildVersion;
    const char *sourceFileName, *className, *pluginName, *pluginVersion;
    std::int32_t pluginType;
    std::uintptr_t (*createFunction)();
    void (*deleteFunction)();
};
FAULTY_EXPORT extern const Record exports;
const Record exports = {95, __FILE__, "Faulty", "Faulty", "1.0", 1, &getPlugin, &deleteMe};

// How often its hook has run, for the tests to see whether the host still calls it.
FAULTY_EXPORT int HookCalls() { return hookCalls; }
}
