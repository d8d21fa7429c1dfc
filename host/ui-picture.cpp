// Dear ImGui's draw data painted in software, for the headless session's snapshots.
#include "ui-picture.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

namespace spinbeat_host {

UiDrawing CaptureUi(const ImDrawData& data,
                    const std::shared_ptr<const pluginsdk::host::ImageTexture>& font) {
    UiDrawing drawing;
    drawing.vertices.reserve(static_cast<std::size_t>(data.TotalVtxCount));
    drawing.indices.reserve(static_cast<std::size_t>(data.TotalIdxCount));
    for (int list = 0; list < data.CmdListsCount; ++list) {
        const ImDrawList& commands = *data.CmdLists[list];
        const auto base = static_cast<std::uint32_t>(drawing.vertices.size());
        for (const ImDrawVert& vertex : commands.VtxBuffer) {
            const ImU32 c = vertex.col;
            drawing.vertices.push_back({{vertex.pos.x - data.DisplayPos.x, vertex.pos.y - data.DisplayPos.y},
                                        {vertex.uv.x, vertex.uv.y},
                                        {static_cast<std::uint8_t>(c >> IM_COL32_R_SHIFT),
                                         static_cast<std::uint8_t>(c >> IM_COL32_G_SHIFT),
                                         static_cast<std::uint8_t>(c >> IM_COL32_B_SHIFT),
                                         static_cast<std::uint8_t>(c >> IM_COL32_A_SHIFT)}});
        }
        const std::size_t firstIndex = drawing.indices.size();
        for (const ImDrawIdx index : commands.IdxBuffer) {
            drawing.indices.push_back(base + index);
        }
        for (const ImDrawCmd& command : commands.CmdBuffer) {
            // No callbacks: nothing of this host's or a plugin's asks for one in a picture.
            if (command.UserCallback != nullptr) {
                continue;
            }
            const ImVec4& clip = command.ClipRect;
            drawing.batches.push_back({firstIndex + command.IdxOffset,
                                       command.ElemCount,
                                       {clip.x - data.DisplayPos.x, clip.y - data.DisplayPos.y,
                                        clip.z - data.DisplayPos.x, clip.w - data.DisplayPos.y},
                                       command.TextureId == font.get()
                                           ? font
                                           : pluginsdk::host::FindImageTexture(command.TextureId)});
        }
    }
    return drawing;
}

namespace {

constexpr float kNudgeX = 1.0F / 512.0F;
constexpr float kNudgeY = 1.0F / 1024.0F;

void PaintTriangle(Picture& picture, const UiDrawing::Vertex& a, const UiDrawing::Vertex& b,
                   const UiDrawing::Vertex& c, const UiDrawing::Batch& batch) {
    const float area = (b.at.x - a.at.x) * (c.at.y - a.at.y) - (b.at.y - a.at.y) * (c.at.x - a.at.x);
    if (!(std::abs(area) > 0.0F) || !std::isfinite(area)) {
        return;
    }
    const auto edge = [](double value, int limit) {
        return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(limit)));
    };
    const int left =
        edge(std::floor(std::max({std::min({a.at.x, b.at.x, c.at.x}), batch.clip[0]})), picture.Width());
    const int top =
        edge(std::floor(std::max({std::min({a.at.y, b.at.y, c.at.y}), batch.clip[1]})), picture.Height());
    const int right =
        edge(std::ceil(std::min({std::max({a.at.x, b.at.x, c.at.x}), batch.clip[2]})), picture.Width());
    const int bottom =
        edge(std::ceil(std::min({std::max({a.at.y, b.at.y, c.at.y}), batch.clip[3]})), picture.Height());
    const auto mix = [](float wa, float wb, float wc, std::uint8_t va, std::uint8_t vb, std::uint8_t vc) {
        return std::clamp(wa * static_cast<float>(va) + wb * static_cast<float>(vb) +
                              wc * static_cast<float>(vc),
                          0.0F, 255.0F);
    };
    for (int row = top; row < bottom; ++row) {
        // A hair off the pixel's centre: a centre on the edge two triangles share (a rectangle's
        // diagonal) then falls in one of them, and a translucent rectangle blends once there.
        const float py = static_cast<float>(row) + 0.5F + kNudgeY;
        for (int column = left; column < right; ++column) {
            const float px = static_cast<float>(column) + 0.5F + kNudgeX;
            const float wa = ((b.at.x - px) * (c.at.y - py) - (b.at.y - py) * (c.at.x - px)) / area;
            const float wb = ((c.at.x - px) * (a.at.y - py) - (c.at.y - py) * (a.at.x - px)) / area;
            const float wc = 1.0F - wa - wb;
            if (wa < 0.0F || wb < 0.0F || wc < 0.0F) {
                continue;
            }
            float r = mix(wa, wb, wc, a.color.r, b.color.r, c.color.r);
            float g = mix(wa, wb, wc, a.color.g, b.color.g, c.color.g);
            float bl = mix(wa, wb, wc, a.color.b, b.color.b, c.color.b);
            float alpha = mix(wa, wb, wc, a.color.a, b.color.a, c.color.a);
            if (batch.texture && batch.texture->width > 0 && batch.texture->height > 0) {
                const std::uint8_t* texel = batch.texture->Texel(wa * a.uv.x + wb * b.uv.x + wc * c.uv.x,
                                                                 wa * a.uv.y + wb * b.uv.y + wc * c.uv.y);
                r *= static_cast<float>(texel[0]) / 255.0F;
                g *= static_cast<float>(texel[1]) / 255.0F;
                bl *= static_cast<float>(texel[2]) / 255.0F;
                alpha *= static_cast<float>(texel[3]) / 255.0F;
            }
            if (alpha >= 0.5F) {
                picture.Blend(column, row,
                              {static_cast<std::uint8_t>(std::lround(r)),
                               static_cast<std::uint8_t>(std::lround(g)),
                               static_cast<std::uint8_t>(std::lround(bl)),
                               static_cast<std::uint8_t>(std::lround(alpha))});
            }
        }
    }
}

} // namespace

void PaintUi(Picture& picture, const UiDrawing& drawing) {
    for (const UiDrawing::Batch& batch : drawing.batches) {
        const std::size_t end = std::min(batch.firstIndex + batch.indices, drawing.indices.size());
        for (std::size_t i = batch.firstIndex; i + 2 < end; i += 3) {
            const auto vertex = [&](std::size_t at) -> const UiDrawing::Vertex* {
                const std::uint32_t index = drawing.indices[at];
                return index < drawing.vertices.size() ? &drawing.vertices[index] : nullptr;
            };
            const UiDrawing::Vertex* a = vertex(i);
            const UiDrawing::Vertex* b = vertex(i + 1);
            const UiDrawing::Vertex* c = vertex(i + 2);
            if (a != nullptr && b != nullptr && c != nullptr) {
                PaintTriangle(picture, *a, *b, *c, batch);
            }
        }
    }
}

} // namespace spinbeat_host
