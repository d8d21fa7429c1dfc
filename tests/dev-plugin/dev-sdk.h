// A plugin developer's view of the host's SDK, written from the facts of its interface and nothing of
// ours: what a plugin with its own window, an image and a hook uses, with the host's layouts and names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#define HOST_API __declspec(dllimport)

struct Vector2 {
    int X, Y;
};
struct Vector2F {
    float X, Y;
};

class CVarManagerWrapper {
public:
    HOST_API void log(std::string text);
    HOST_API void registerNotifier(std::string name, std::function<void(std::vector<std::string>)> notifier,
                                   std::string description, unsigned char permissions);

private:
    void* impl_;
};

class ImageWrapper {
public:
    HOST_API ImageWrapper(std::filesystem::path path, bool canvasLoad, bool ImGuiLoad);
    HOST_API ~ImageWrapper();
    HOST_API bool IsLoadedForCanvas();
    HOST_API bool IsLoadedForImGui();
    HOST_API void* GetImGuiTex();
    HOST_API Vector2 GetSize();

private:
    void* impl_;
};

class CanvasWrapper {
public:
    HOST_API CanvasWrapper(const CanvasWrapper&);
    HOST_API ~CanvasWrapper();
    HOST_API void SetPosition(Vector2F pos);
    HOST_API void DrawTexture(ImageWrapper* image, float scale);

private:
    void* impl_;
};

class GameWrapper {
public:
    HOST_API void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);
    HOST_API void RegisterDrawable(std::function<void(CanvasWrapper canvas)> callback);

private:
    void* impl_;
};

namespace BakkesMod::Plugin {
class __declspec(dllexport) BakkesModPlugin {
public:
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;
    virtual void onLoad() {}
    virtual void onUnload() {}
};

// The host's second interface: a window of the plugin's own, opened with `togglemenu NAME`.
class PluginWindow {
public:
    virtual ~PluginWindow() = default;
    virtual void Render() = 0;
    virtual std::string GetMenuName() = 0;
    virtual std::string GetMenuTitle() = 0;
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
    virtual bool ShouldBlockInput() = 0;
    virtual bool IsActiveOverlay() = 0;
    virtual void OnOpen() = 0;
    virtual void OnClose() = 0;
};
} // namespace BakkesMod::Plugin
