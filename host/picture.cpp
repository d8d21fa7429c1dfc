// The software painter and PNG output.
#include "picture.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include <stb_image_write.h>

#include "host-font.h"

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

void Picture::DrawText(PointF at, std::string_view text, Vector2F scale, Rgba color, bool dropShadow,
                       bool wrap) {
    if (dropShadow) {
        DrawGlyphs({at.x + 1.0F, at.y + 1.0F}, text, scale, {0, 0, 0, color.a}, wrap);
    }
    DrawGlyphs(at, text, scale, color, wrap);
}

void Picture::DrawGlyphs(PointF at, std::string_view text, Vector2F scale, Rgba color, bool wrap) {
    const HostFont& host = TheHostFont();
    // Text beyond the picture draws nothing, and no scale may make a glyph cover more than it.
    const float sx = std::clamp(scale.X, 0.0F, 64.0F);
    const float sy = std::clamp(scale.Y, 0.0F, 64.0F);
    if (!(sx > 0.0F) || !(sy > 0.0F) || !std::isfinite(at.x) || !std::isfinite(at.y)) {
        return;
    }
    float x = at.x;
    float y = at.y;
    for (const char c : text) {
        if (c == '\n' ||
            (wrap && x > at.x && x + host.font->FontSize * 0.5F * sx > static_cast<float>(width_))) {
            x = at.x;
            y += host.font->FontSize * sy;
            if (c == '\n') {
                continue;
            }
        }
        if (y > static_cast<float>(height_) || (!wrap && x > static_cast<float>(width_))) {
            return;
        }
        const ImFontGlyph* glyph = host.font->FindGlyph(static_cast<ImWchar>(static_cast<unsigned char>(c)));
        if (glyph == nullptr) {
            continue;
        }
        // In doubles, clamped to the picture before any of it becomes a pixel number: a pen may stand
        // anywhere.
        const auto edge = [](double value, int limit) {
            return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(limit)));
        };
        const int left = edge(std::floor(static_cast<double>(x) + glyph->X0 * sx), width_);
        const int right = edge(std::ceil(static_cast<double>(x) + glyph->X1 * sx), width_);
        const int top = edge(std::floor(static_cast<double>(y) + glyph->Y0 * sy), height_);
        const int bottom = edge(std::ceil(static_cast<double>(y) + glyph->Y1 * sy), height_);
        for (int row = top; row < bottom; ++row) {
            const float v =
                (static_cast<float>(row) + 0.5F - y - glyph->Y0 * sy) / ((glyph->Y1 - glyph->Y0) * sy);
            const int texelY = std::clamp(
                static_cast<int>((glyph->V0 + v * (glyph->V1 - glyph->V0)) * static_cast<float>(host.height)),
                0, host.height - 1);
            for (int column = left; column < right; ++column) {
                const float u =
                    (static_cast<float>(column) + 0.5F - x - glyph->X0 * sx) / ((glyph->X1 - glyph->X0) * sx);
                const int texelX = std::clamp(static_cast<int>((glyph->U0 + u * (glyph->U1 - glyph->U0)) *
                                                               static_cast<float>(host.width)),
                                              0, host.width - 1);
                const unsigned coverage =
                    host.alpha[static_cast<std::size_t>(texelY) * static_cast<std::size_t>(host.width) +
                               static_cast<std::size_t>(texelX)];
                if (coverage > 0) {
                    Blend(column, row,
                          {color.r, color.g, color.b,
                           static_cast<std::uint8_t>((coverage * color.a + 127U) / 255U)});
                }
            }
        }
        x += glyph->AdvanceX * sx;
    }
}

void Picture::DrawImage(PointF at, Vector2F size, const pluginsdk::host::ImageTexture& image, Vector2F uvMin,
                        Vector2F uvMax, Rgba tint) {
    if (image.width <= 0 || image.height <= 0 || !(std::abs(size.X) > 0.0F) || !(std::abs(size.Y) > 0.0F) ||
        !std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(size.X) || !std::isfinite(size.Y)) {
        return;
    }
    const auto edge = [](double value, int limit) {
        return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(limit)));
    };
    const double x0 = std::min(at.x, at.x + size.X);
    const double y0 = std::min(at.y, at.y + size.Y);
    const int left = edge(std::round(x0), width_);
    const int right = edge(std::round(x0 + std::abs(size.X)), width_);
    const int top = edge(std::round(y0), height_);
    const int bottom = edge(std::round(y0 + std::abs(size.Y)), height_);
    for (int row = top; row < bottom; ++row) {
        const float v = (static_cast<float>(row) + 0.5F - at.y) / size.Y;
        for (int column = left; column < right; ++column) {
            const float u = (static_cast<float>(column) + 0.5F - at.x) / size.X;
            const std::uint8_t* texel =
                image.Texel(uvMin.X + u * (uvMax.X - uvMin.X), uvMin.Y + v * (uvMax.Y - uvMin.Y));
            const auto times = [](std::uint8_t a, std::uint8_t b) {
                return static_cast<std::uint8_t>((a * b + 127U) / 255U);
            };
            Blend(column, row,
                  {times(texel[0], tint.r), times(texel[1], tint.g), times(texel[2], tint.b),
                   times(texel[3], tint.a)});
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
