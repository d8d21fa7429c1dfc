// A plugin as a developer might write one, which throws from the callback FAULTY_PLUGIN_FAILS_IN names.
#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"

#if defined(_WIN32)
#define FAULTY_EXPORT __declspec(dllexport)
#else
#define FAULTY_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr const char* kEvent = "Function TAGame.Car_TA.SetVehicleInput";
constexpr const char* kHitEvent = "Function TAGame.Car_TA.EventHitBall";
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
        // An event the session fires: the caller each form gets, and the parameters.
        const auto seen = [this](const char* form, std::uintptr_t caller, void* params) {
            const auto* bytes = static_cast<const unsigned char*>(params);
            const bool zeroed =
                bytes != nullptr && std::all_of(bytes, bytes + 4096, [](auto b) { return b == 0; });
            cvarManager->log(std::string("faulty: ") + form + (caller != 0 ? " caller" : " null caller") +
                             (zeroed ? ", zeroed params" : ", params not zeroed"));
            std::fill_n(static_cast<unsigned char*>(params), 4096, 1);
        };
        gameWrapper->HookEventWithCallerPost<CarWrapper>(
            kHitEvent, [seen](CarWrapper car, void* params, const std::string&) {
                seen("post car", car.memory_address, params);
            });
        gameWrapper->HookEventWithCaller<BallWrapper>(
            kHitEvent, [seen](BallWrapper ball, void* params, const std::string&) {
                seen("ball", ball.memory_address, params);
            });
        // Unloads itself from its own command: the host must wait until the command has returned.
        cvarManager->registerNotifier(
            "faulty_unload_self",
            [this](const std::vector<std::string>&) {
                cvarManager->executeCommand("plugin unload faulty");
                cvarManager->log("faulty: still running after asking to be unloaded");
            },
            "", 0);
        FailIf("onLoad");
    }

    void onUnload() override {
        FailIf("onUnload");
        if (std::getenv("FAULTY_PLUGIN_LEAVES") != nullptr) {
            return;
        }
        gameWrapper->UnhookEventPost(kHitEvent);
        gameWrapper->UnhookEvent(kHitEvent);
        cvarManager->removeNotifier("faulty_unload_self");
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
