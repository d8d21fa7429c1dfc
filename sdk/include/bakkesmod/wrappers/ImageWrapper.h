// An image from a PNG or JPEG file, for the canvas and for Dear ImGui.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "bakkesmod/wrappers/values.h"
#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct Image;
struct Handles;
} // namespace pluginsdk::detail

// Read from its file when made: a file that is missing or no image gives a null image, which draws
// nothing and is 0 by 0, and says why on the console. Owns its pixels: neither copied nor moved.
class ImageWrapper {
public:
    // Whether it is made ready for the canvas, and for Dear ImGui, at once.
    PLUGINSDK_API ImageWrapper(std::string path, bool canvasLoad = false, bool ImGuiLoad = false);
    PLUGINSDK_API ImageWrapper(std::wstring path, bool canvasLoad = false, bool ImGuiLoad = false);
    PLUGINSDK_API ImageWrapper(std::filesystem::path path, bool canvasLoad = false, bool ImGuiLoad = false);
    ImageWrapper(const ImageWrapper&) = delete;
    ImageWrapper& operator=(const ImageWrapper&) = delete;
    PLUGINSDK_API ~ImageWrapper();

    // Whether the image has pixels to draw on the canvas.
    PLUGINSDK_API bool LoadForCanvas();
    // Calls `onLoaded` with whether the image can be drawn with ImGui::Image.
    PLUGINSDK_API void LoadForImGui(std::function<void(bool)> onLoaded);
    PLUGINSDK_API bool IsLoadedForCanvas();
    PLUGINSDK_API bool IsLoadedForImGui();
    // The texture for the canvas; for ImGui::Image, a texture of the renderer drawing the host's
    // windows. Null until loaded for it, and for a null image.
    PLUGINSDK_API void* GetCanvasTex();
    PLUGINSDK_API void* GetImGuiTex();

    PLUGINSDK_API std::string GetPath();
    PLUGINSDK_API std::wstring GetPathW();
    PLUGINSDK_API std::filesystem::path GetPathFs();
    // In pixels.
    PLUGINSDK_API Vector2 GetSize();
    PLUGINSDK_API Vector2F GetSizeF();

private:
    friend struct pluginsdk::detail::Handles;

    pluginsdk::detail::Image* image_;
};

static_assert(sizeof(ImageWrapper) == 8);
