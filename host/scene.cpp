// Painting the game view, the same way on screen and in pictures.
#include "scene.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace spinbeat_host {

using pluginsdk::host::CanvasCall;

void PaintBackdrop(Painter& painter, Vector2 size) {
    const int horizon = static_cast<int>(static_cast<float>(size.Y) * kHorizon);
    painter.FillRect(0, 0, size.X, horizon, kSkyColor);
    painter.FillRect(0, horizon, size.X, size.Y - horizon, kGroundColor);
    // Field lines give the eye something that stays put while the car turns.
    const Rgba line{60, 110, 76, 255};
    painter.FillRect(0, horizon, size.X, 2, line);
    for (int i = 1; i < 6; ++i) {
        painter.FillRect(size.X * i / 6, horizon, 2, size.Y - horizon, line);
    }
}

void PaintCar(Painter& painter, Vector2 size, double angle) {
    const float scale = static_cast<float>(std::min(size.X, size.Y)) / 960.0F;
    const PointF centre{static_cast<float>(size.X) * 0.5F, static_cast<float>(size.Y) * 0.5F};
    const auto cosA = static_cast<float>(std::cos(angle));
    const auto sinA = static_cast<float>(std::sin(angle));
    // A box in car space (x right, y down, units of 1/960 of the view) turned about the view's centre.
    const auto paintBox = [&](float left, float top, float right, float bottom, Rgba color) {
        const std::array<PointF, 4> local{{{left, top}, {right, top}, {right, bottom}, {left, bottom}}};
        std::array<PointF, 4> corners{};
        for (std::size_t i = 0; i < local.size(); ++i) {
            const float x = local[i].x * scale;
            const float y = local[i].y * scale;
            corners[i] = {centre.x + x * cosA - y * sinA, centre.y + x * sinA + y * cosA};
        }
        painter.FillConvex(corners, color);
    };
    // Seen from behind: wheels, body, cabin, and a roof stripe that shows which way is up.
    const Rgba tyre{20, 20, 24, 255};
    paintBox(-120, 10, -80, 60, tyre);
    paintBox(80, 10, 120, 60, tyre);
    paintBox(-130, -20, 130, 40, {230, 120, 40, 255});
    paintBox(-80, -70, 80, -20, {200, 100, 30, 255});
    paintBox(-60, -62, 60, -30, {120, 170, 210, 255});
    paintBox(-30, -78, 30, -70, {250, 230, 90, 255});
}

namespace {

// Far beyond any picture, yet no sum of two of them overflows: a plugin may send any number.
int Bounded(double value) {
    if (!(value == value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(std::floor(value + 0.5), -16777216.0, 16777216.0));
}

// A box from the pen, its corners on the nearest whole pixels.
struct Box {
    int x;
    int y;
    int w;
    int h;
};

Box BoxAt(PointF pen, Vector2F size) {
    const int x = Bounded(pen.x);
    const int y = Bounded(pen.y);
    return {x, y, Bounded(static_cast<double>(pen.x) + size.X) - x,
            Bounded(static_cast<double>(pen.y) + size.Y) - y};
}

} // namespace

void ReplayCanvas(Painter& painter, std::span<const CanvasCall> calls) {
    PointF pen;
    Rgba color{255, 255, 255, 255};
    for (const CanvasCall& call : calls) {
        const Vector2F point = call.Point();
        switch (call.op) {
        case CanvasCall::Op::SetPosition:
            pen = {point.X, point.Y};
            break;
        case CanvasCall::Op::SetColor:
            color = {call.color.r, call.color.g, call.color.b, call.color.a};
            break;
        case CanvasCall::Op::FillBox: {
            const Box box = BoxAt(pen, point);
            painter.FillRect(box.x, box.y, box.w, box.h, color);
            break;
        }
        case CanvasCall::Op::DrawBox: {
            // A one-pixel frame in four parts that never overlap, so a translucent colour blends
            // once on every pixel of it.
            const auto [x, y, w, h] = BoxAt(pen, point);
            if (w <= 2 || h <= 2) {
                painter.FillRect(x, y, w, h, color);
                break;
            }
            painter.FillRect(x, y, w, 1, color);
            painter.FillRect(x, y + h - 1, w, 1, color);
            painter.FillRect(x, y + 1, 1, h - 2, color);
            painter.FillRect(x + w - 1, y + 1, 1, h - 2, color);
            break;
        }
        case CanvasCall::Op::DrawRect: {
            const Box box = BoxAt({point.X, point.Y}, {call.to.X - point.X, call.to.Y - point.Y});
            painter.FillRect(box.x, box.y, box.w, box.h, color);
            break;
        }
        case CanvasCall::Op::DrawImage:
            if (call.image) {
                painter.DrawImage({point.X, point.Y}, call.to, *call.image, call.uvMin, call.uvMax,
                                  {call.color.r, call.color.g, call.color.b, call.color.a});
            }
            break;
        case CanvasCall::Op::DrawLine: {
            // A quad along the line, as wide as asked and at least a pixel.
            const float dx = call.to.X - point.X;
            const float dy = call.to.Y - point.Y;
            const float length = std::sqrt(dx * dx + dy * dy);
            if (!(length > 0.0F) || !std::isfinite(length)) {
                break;
            }
            const float half = std::max(call.width, 1.0F) * 0.5F;
            const float nx = -dy / length * half;
            const float ny = dx / length * half;
            const std::array<PointF, 4> corners{{{point.X + nx, point.Y + ny},
                                                 {call.to.X + nx, call.to.Y + ny},
                                                 {call.to.X - nx, call.to.Y - ny},
                                                 {point.X - nx, point.Y - ny}}};
            painter.FillConvex(corners, color);
            break;
        }
        case CanvasCall::Op::DrawString: {
            painter.DrawText(pen, call.Text(), call.scale, color, call.dropShadow, call.wrapText);
            break;
        }
        }
    }
}

std::optional<BallView> BallOnView(const pluginsdk::host::Host& host, Vector2 size) {
    float radius = 0.0F;
    const auto at = host.ProjectBall(size, radius);
    if (!at) {
        return std::nullopt;
    }
    return BallView{{at->X, at->Y}, radius};
}

void PaintBall(Painter& painter, const BallView& ball) {
    // A disc of many sides; a ball of less than a pixel still shows as one.
    constexpr int kSides = 32;
    const float radius = std::max(ball.radius, 1.0F);
    std::array<PointF, kSides> corners{};
    for (int i = 0; i < kSides; ++i) {
        const double angle = 2.0 * 3.14159265358979 * i / kSides;
        corners[static_cast<std::size_t>(i)] = {ball.centre.x + radius * static_cast<float>(std::cos(angle)),
                                                ball.centre.y + radius * static_cast<float>(std::sin(angle))};
    }
    painter.FillConvex(corners, {225, 225, 215, 255});
}

void PaintGameView(Painter& painter, Vector2 size, double carAngle, std::optional<BallView> ball,
                   std::span<const CanvasCall> calls) {
    PaintBackdrop(painter, size);
    PaintCar(painter, size, carAngle);
    if (ball) {
        PaintBall(painter, *ball);
    }
    ReplayCanvas(painter, calls);
}

} // namespace spinbeat_host
