// A plugin developer's plugin with a window of its own and an image, and a null read in one hook, as a
// bug of theirs would have it.
#include <imgui.h>

#include <memory>
#include <string>
#include <vector>

#include "dev-sdk.h"

namespace {

class Dev final : public BakkesMod::Plugin::BakkesModPlugin, public BakkesMod::Plugin::PluginWindow {
public:
    void onLoad() override {
        cvarManager->registerNotifier(
            "dev_image",
            [this](std::vector<std::string> words) {
                if (words.size() < 2) {
                    return;
                }
                image_ = std::make_shared<ImageWrapper>(std::filesystem::path(words[1]), true, true);
                const Vector2 size = image_->GetSize();
                cvarManager->log("dev: image " + std::to_string(size.X) + "x" + std::to_string(size.Y) +
                                 (image_->IsLoadedForCanvas() ? " canvas" : "") +
                                 (image_->IsLoadedForImGui() ? " imgui" : ""));
            },
            "Loads an image", 0);
        gameWrapper->RegisterDrawable([this](CanvasWrapper canvas) {
            if (image_) {
                canvas.SetPosition(Vector2F{100.0F, 200.0F});
                canvas.DrawTexture(image_.get(), 2.0F);
            }
        });
        gameWrapper->HookEvent("Function TAGame.Car_TA.OnHitBall", [](std::string) {
            // The bug: a field read through a null object.
            static volatile std::uintptr_t object = 0;
            const int field = *reinterpret_cast<volatile int*>(object + 0x10);
            static_cast<void>(field);
        });
        cvarManager->log("dev: loaded");
    }

    void Render() override {
        ImGui::SetNextWindowPos({300.0F, 100.0F}, ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize({400.0F, 300.0F}, ImGuiCond_FirstUseEver);
        if (ImGui::Begin(GetMenuTitle().c_str(), &open_)) {
            ImGui::Text("Rendered %d times", ++renders_);
            ImGui::Button("A button");
            if (image_ && image_->IsLoadedForImGui()) {
                ImGui::Image(image_->GetImGuiTex(), {96.0F, 96.0F});
            }
        }
        ImGui::End();
    }
    std::string GetMenuName() override { return "devwindow"; }
    std::string GetMenuTitle() override { return "Dev window"; }
    void SetImGuiContext(std::uintptr_t ctx) override {
        ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx));
    }
    bool ShouldBlockInput() override { return false; }
    bool IsActiveOverlay() override { return true; }
    void OnOpen() override { cvarManager->log("dev: opened"); }
    void OnClose() override { cvarManager->log("dev: closed"); }

private:
    std::shared_ptr<ImageWrapper> image_;
    bool open_ = true;
    int renders_ = 0;
};

std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> holder;

} // namespace

extern "C" {
__declspec(dllexport) std::uintptr_t getPlugin() {
    if (!holder) {
        holder = std::make_shared<Dev>();
    }
    return reinterpret_cast<std::uintptr_t>(&holder);
}
__declspec(dllexport) void deleteMe() { holder.reset(); }

struct Record {
    short apiBuildVersion;
    const char* sourceFileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    int pluginType;
    std::uintptr_t (*create)();
    void (*destroy)();
};
__declspec(dllexport) extern const Record exports = {95,    __FILE__, "Dev",      "Dev",
                                                     "1.0", 1,        &getPlugin, &deleteMe};
}
