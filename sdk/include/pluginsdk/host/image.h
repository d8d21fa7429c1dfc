// An image's pixels as the host's renderers take them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pluginsdk/api.h"

namespace pluginsdk::host {

// RGBA, four bytes a pixel, top row first. Dear ImGui's texture identifiers on a host with no renderer
// of its own (headless) point at one of these; the canvas's image calls share one.
struct ImageTexture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    // The file's name, for reports of what was drawn.
    std::string name;

    // Nearest texel at (u, v), both 0 to 1 across the image, clamped at its edges.
    const std::uint8_t* Texel(float u, float v) const {
        const auto clamp = [](float t, int size) {
            if (!(t > 0.0F)) {
                return 0;
            }
            const int at = t >= 1.0F ? size - 1 : static_cast<int>(t * static_cast<float>(size));
            return at >= size ? size - 1 : at;
        };
        const auto index = static_cast<std::size_t>(clamp(v, height)) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(clamp(u, width));
        return rgba.data() + index * 4;
    }
};

// The pixels behind a texture identifier an image's GetImGuiTex gave, while the image lives; null for
// any other value a plugin hands Dear ImGui.
PLUGINSDK_API std::shared_ptr<const ImageTexture> FindImageTexture(const void* imguiTexture);

} // namespace pluginsdk::host
