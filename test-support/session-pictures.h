// The snapshots and screenshots of spinbeat-host, read back as a player would look at them.
#pragma once

#include <filesystem>
#include <vector>

#include "scene.h"

namespace spinbeat_test {

// The revolution bar's fixed size.
inline constexpr int kBarWidth = 825;
inline constexpr int kBarHeight = 20;

// A PNG's pixels, read from memory: stb opens files by narrow names only.
class Png {
public:
    explicit Png(const std::filesystem::path& file);
    bool Loaded() const { return !rgb_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    spinbeat_host::Rgba At(int x, int y) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char> rgb_;
};

// The bar's fill colour over anything; the backdrop and the bar's white never look like it.
bool IsFill(spinbeat_host::Rgba c);
bool IsSky(spinbeat_host::Rgba c);
bool IsWhite(spinbeat_host::Rgba c);
// The bar's translucent white over the sky: lighter than the sky, and grey rather than cyan.
bool IsBarBackground(spinbeat_host::Rgba c);

// The fill's width along the middle row of a bar whose top-left corner is (x, y).
int FillWidth(const Png& png, int x, int y);
// Whether the bar's white outline has its top-left corner at (x, y), whatever its fill: white along
// its top and bottom rows, and not on the rows beside them.
bool HasBarOutlineAt(const Png& png, int x, int y);

} // namespace spinbeat_test
