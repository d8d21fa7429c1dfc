// A picture in memory, painted in software, and PNG files of pictures.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "scene.h"

namespace spinbeat_host {

// Opaque RGB pixels, top row first: what a screen would show.
class Picture : public Painter {
public:
    Picture(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgba At(int x, int y) const;
    std::span<const std::uint8_t> Rgb() const { return pixels_; }

    void FillRect(int x, int y, int w, int h, Rgba color) override;
    // Covers the pixels whose centres lie inside; no smoothing of the edges.
    void FillConvex(std::span<const PointF> corners, Rgba color) override;
    // Each glyph's coverage taken from the font's texture, nearest texel, scaled.
    void DrawText(PointF at, std::string_view text, Vector2F scale, Rgba color, bool dropShadow,
                  bool wrap) override;
    // Nearest texel at each pixel's centre.
    void DrawImage(PointF at, Vector2F size, const pluginsdk::host::ImageTexture& image, Vector2F uvMin,
                   Vector2F uvMax, Rgba tint) override;
    // Blends `color` over pixel (x, y), which must lie inside.
    void Blend(int x, int y, Rgba color);

private:
    void DrawGlyphs(PointF at, std::string_view text, Vector2F scale, Rgba color, bool wrap);

    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

// Writes `rgb` (3 bytes a pixel, rows of `width`, top row first) as a PNG; returns false on failure.
bool WritePng(const std::filesystem::path& file, int width, int height, std::span<const std::uint8_t> rgb);

} // namespace spinbeat_host
