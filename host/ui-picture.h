// Dear ImGui's windows in a picture: one frame's draw data, kept, and painted in software.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "picture.h"
#include "pluginsdk/host/image.h"

struct ImDrawData;

namespace spinbeat_host {

// One frame's triangles, with their textures, copied from the draw data so that a picture can be
// painted from it after the frame, on another thread.
struct UiDrawing {
    struct Vertex {
        PointF at;
        PointF uv;
        Rgba color;
    };
    struct Batch {
        std::size_t firstIndex;
        std::size_t indices;
        // Left, top, right, bottom.
        float clip[4];
        // Null for a texture no image or font of this host has: drawn in the vertices' colours.
        std::shared_ptr<const pluginsdk::host::ImageTexture> texture;
    };
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;
    std::vector<Batch> batches;
};

// `font` is the font atlas's pixels, whose identifier the context's font atlas holds.
UiDrawing CaptureUi(const ImDrawData& data, const std::shared_ptr<const pluginsdk::host::ImageTexture>& font);
// Each triangle's pixels whose centres lie inside it and inside its clip rectangle, the texel nearest
// to the interpolated coordinate times the interpolated colour.
void PaintUi(Picture& picture, const UiDrawing& drawing);

} // namespace spinbeat_host
