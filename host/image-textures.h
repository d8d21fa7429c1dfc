// Plugins' images as textures of the window's OpenGL renderer.
#pragma once

#include <imgui.h>

#include <map>
#include <memory>

#include "pluginsdk/host/image.h"

namespace spinbeat_host {

// Dear ImGui's draw data names an image by the identifier its GetImGuiTex gave; the renderer takes an
// OpenGL texture's name. Made once an image, on the thread whose OpenGL context is current, and deleted
// once the image is gone.
class ImageTextures {
public:
    ImageTextures() = default;
    ImageTextures(const ImageTextures&) = delete;
    ImageTextures& operator=(const ImageTextures&) = delete;
    ~ImageTextures();

    // Puts each image's texture in place of its identifier; a command naming no image of this host
    // (a plugin's stray pointer) draws nothing. `font` is the font atlas's own, left as it is.
    void Translate(ImDrawData& data, ImTextureID font);

private:
    struct Made {
        std::weak_ptr<const pluginsdk::host::ImageTexture> image;
        unsigned int name;
    };
    std::map<const void*, Made> made_;
};

} // namespace spinbeat_host
