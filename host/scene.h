// The game view: a backdrop, the player's car turning with its roll, the ball where the game's camera
// shows it, and the plugins' canvas calls.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "pluginsdk/host/host.h"

namespace spinbeat_host {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
};

struct PointF {
    float x = 0.0F;
    float y = 0.0F;
};

// Whatever puts the view on pixels: the software painter for pictures, Dear ImGui's draw list on
// screen. Both blend each colour over what is there by its alpha.
class Painter {
public:
    virtual ~Painter() = default;
    // Pixels x to x + w - 1 and y to y + h - 1; nothing when either size is 0 or less.
    virtual void FillRect(int x, int y, int w, int h, Rgba color) = 0;
    // A convex polygon, corners in order around it.
    virtual void FillConvex(std::span<const PointF> corners, Rgba color) = 0;
    // Text in the host's font with its top left at `at`, scaled; a shadow one pixel down and right
    // first; wrapped at the right edge when asked.
    virtual void DrawText(PointF at, std::string_view text, Vector2F scale, Rgba color, bool dropShadow,
                          bool wrap) = 0;
    // The part of `image` from `uvMin` to `uvMax` (0 to 1 across it) stretched over the box at `at`,
    // each texel times `tint`.
    virtual void DrawImage(PointF at, Vector2F size, const pluginsdk::host::ImageTexture& image,
                           Vector2F uvMin, Vector2F uvMax, Rgba tint) = 0;
};

// The backdrop's colours, which a picture shows wherever nothing else was drawn.
inline constexpr Rgba kSkyColor{28, 36, 58, 255};
inline constexpr Rgba kGroundColor{30, 70, 44, 255};
// Where the sky ends, as a share of the height.
inline constexpr float kHorizon = 0.62F;

// A full roll turns the car about once in 1.14 s, so one turn per beat sits near 53 BPM.
inline constexpr double kRollRadiansPerSecond = 5.5;

void PaintBackdrop(Painter& painter, Vector2 size);
// `angle` in radians, clockwise on screen as the car rolls right.
void PaintCar(Painter& painter, Vector2 size, double angle);
// Replays one frame's canvas calls: a pen position and colour, boxes, rectangles, lines and text.
void ReplayCanvas(Painter& painter, std::span<const pluginsdk::host::CanvasCall> calls);
// The ball on the view: its centre and radius in pixels.
struct BallView {
    PointF centre;
    float radius = 0.0F;
};
// Where the host's camera shows the free-play ball on a view of `size`; none behind the camera.
std::optional<BallView> BallOnView(const pluginsdk::host::Host& host, Vector2 size);
void PaintBall(Painter& painter, const BallView& ball);
void PaintGameView(Painter& painter, Vector2 size, double carAngle, std::optional<BallView> ball,
                   std::span<const pluginsdk::host::CanvasCall> calls);

} // namespace spinbeat_host
