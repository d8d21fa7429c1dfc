// Reading spinbeat-host's pictures back.
#include "session-pictures.h"

#include <stb_image.h>

#include <fstream>
#include <iterator>
#include <string>

namespace spinbeat_test {

Png::Png(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            static_cast<int>(bytes.size()), &width_, &height_, nullptr, 3);
    if (pixels != nullptr) {
        rgb_.assign(pixels, pixels + static_cast<std::ptrdiff_t>(width_) * height_ * 3);
    }
    stbi_image_free(pixels);
}

spinbeat_host::Rgba Png::At(int x, int y) const {
    const auto at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {rgb_.at(at), rgb_.at(at + 1), rgb_.at(at + 2), 255};
}

bool IsFill(spinbeat_host::Rgba c) { return c.g > c.r + 80 && c.b > c.r + 80; }

bool IsSky(spinbeat_host::Rgba c) {
    return c.r == spinbeat_host::kSkyColor.r && c.g == spinbeat_host::kSkyColor.g &&
           c.b == spinbeat_host::kSkyColor.b;
}

bool IsWhite(spinbeat_host::Rgba c) { return c.r == 255 && c.g == 255 && c.b == 255; }

bool IsBarBackground(spinbeat_host::Rgba c) { return c.r > 100 && !IsFill(c); }

int FillWidth(const Png& png, int x, int y) {
    int width = 0;
    for (int column = x; column < x + kBarWidth; ++column) {
        if (IsFill(png.At(column, y + kBarHeight / 2))) {
            width = column - x + 1;
        }
    }
    return width;
}

bool HasBarOutlineAt(const Png& png, int x, int y) {
    const int column = x + 700;
    const bool below = y + kBarHeight < png.Height() && IsWhite(png.At(column, y + kBarHeight));
    return IsWhite(png.At(column, y)) && IsWhite(png.At(column, y + kBarHeight - 1)) &&
           !IsWhite(png.At(column, y - 1)) && !below;
}

} // namespace spinbeat_test
