// The revolution bar: a bar over the game picture that fills once per beat interval.
#include <cmath>
#include <cstdint>
#include <limits>

#include "Spinbeat.h"
#include "settings.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// Truncation toward zero, as a plain cast does, but defined for every float: a position or size
// that comes out NaN or beyond the pixel range must not become undefined behaviour.
std::int32_t TruncateToPixels(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0F) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < -2147483648.0F) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// The host takes each 8-bit channel as the byte of a char.
void SetColor(CanvasWrapper& canvas, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
              std::uint8_t alpha) {
    canvas.SetColor(static_cast<char>(red), static_cast<char>(green), static_cast<char>(blue),
                    static_cast<char>(alpha));
}

} // namespace

void Spinbeat::RenderRevolutionBar(CanvasWrapper& canvas) {
    if (!gameWrapper->IsInFreeplay() || !displayRevolutionBar.load(relaxed)) {
        return;
    }
    const Vector2 frame = canvas.GetSize();
    const std::int32_t width = barWidth;
    const std::int32_t height = barHeight;
    const std::int32_t half = width / 2;
    const std::int32_t quarter = width / 4;

    // Centred across; from the top edge (0.0) down to resting on the bottom edge (1.0).
    const Vector2 position{
        TruncateToPixels(static_cast<float>(frame.X) * 0.5F - static_cast<float>(half)),
        TruncateToPixels((static_cast<float>(frame.Y) - static_cast<float>(height)) *
                         barVerticalPosition.load(relaxed)),
    };

    std::int32_t fill = 0;
    if (isRolling.load(relaxed)) {
        const float elapsed = static_cast<float>(elapsedMs.load(relaxed));
        const float interval = beatIntervalMs.load(relaxed);
        // Full from the tick that reached the interval; a negative interval is always reached.
        const float progress = elapsed >= interval ? 1.0F : elapsed / interval;
        fill = TruncateToPixels(static_cast<float>(width) * progress);
    }

    canvas.SetPosition(position);
    SetColor(canvas, 255, 255, 255, 130);
    canvas.FillBox(Vector2{width, height});

    canvas.SetPosition(position);
    SetColor(canvas, 0, 206, 209, 224);
    canvas.FillBox(Vector2{fill, height});

    // Every outline starts at the bar's left edge, so their right edges are the marks.
    canvas.SetPosition(position);
    SetColor(canvas, 255, 255, 255, 255);
    canvas.DrawBox(Vector2{quarter, height});
    canvas.DrawBox(Vector2{half + quarter, height});
    SetColor(canvas, 0, 0, 0, 255);
    canvas.DrawBox(Vector2{half, height});
    SetColor(canvas, 255, 255, 255, 255);
    canvas.DrawBox(Vector2{width, height});
}
