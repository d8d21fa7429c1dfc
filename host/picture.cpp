// The software painter and PNG output.
#include "picture.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include <stb_image_write.h>

namespace spinbeat_host {

Picture::Picture(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0) {}

Rgba Picture::At(int x, int y) const {
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {pixels_[at], pixels_[at + 1], pixels_[at + 2], 255};
}

// The blend a GPU does for alpha-blended drawing, rounded to the nearest level.
void Picture::Blend(int x, int y, Rgba color) {
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    const unsigned alpha = color.a;
    const auto mix = [&](std::uint8_t source, std::uint8_t& target) {
        target = static_cast<std::uint8_t>((source * alpha + target * (255U - alpha) + 127U) / 255U);
    };
    mix(color.r, pixels_[at]);
    mix(color.g, pixels_[at + 1]);
    mix(color.b, pixels_[at + 2]);
}

void Picture::FillRect(int x, int y, int w, int h, Rgba color) {
    if (w <= 0 || h <= 0) {
        return;
    }
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int right = static_cast<int>(std::min<long long>(static_cast<long long>(x) + w, width_));
    const int bottom = static_cast<int>(std::min<long long>(static_cast<long long>(y) + h, height_));
    for (int row = top; row < bottom; ++row) {
        for (int column = left; column < right; ++column) {
            Blend(column, row, color);
        }
    }
}

void Picture::FillConvex(std::span<const PointF> corners, Rgba color) {
    if (corners.size() < 3) {
        return;
    }
    float minX = corners[0].x;
    float maxX = corners[0].x;
    float minY = corners[0].y;
    float maxY = corners[0].y;
    for (const PointF& corner : corners) {
        minX = std::min(minX, corner.x);
        maxX = std::max(maxX, corner.x);
        minY = std::min(minY, corner.y);
        maxY = std::max(maxY, corner.y);
    }
    const int left = std::max(0, static_cast<int>(std::floor(minX)));
    const int right = std::min(width_ - 1, static_cast<int>(std::ceil(maxX)));
    const int top = std::max(0, static_cast<int>(std::floor(minY)));
    const int bottom = std::min(height_ - 1, static_cast<int>(std::ceil(maxY)));
    // Inside means on the same side of every edge, whichever way round the corners go.
    const auto inside = [&](float px, float py) {
        bool anyPositive = false;
        bool anyNegative = false;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const PointF& a = corners[i];
            const PointF& b = corners[(i + 1) % corners.size()];
            const float cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
            anyPositive = anyPositive || cross > 0.0F;
            anyNegative = anyNegative || cross < 0.0F;
        }
        return !(anyPositive && anyNegative);
    };
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            if (inside(static_cast<float>(column) + 0.5F, static_cast<float>(row) + 0.5F)) {
                Blend(column, row, color);
            }
        }
    }
}

bool WritePng(const std::filesystem::path& file, int width, int height, std::span<const std::uint8_t> rgb) {
    // Through a stream of ours: stb opens files by a narrow name, which cannot name every path on Windows.
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const auto write = [](void* stream, void* data, int size) {
        static_cast<std::ofstream*>(stream)->write(static_cast<const char*>(data), size);
    };
    if (!out || stbi_write_png_to_func(write, &out, width, height, 3, rgb.data(), width * 3) == 0) {
        return false;
    }
    out.close();
    return !out.fail();
}

} // namespace spinbeat_host
