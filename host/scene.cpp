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
int Bounded(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, -(1 << 24), 1 << 24));
}

} // namespace

void ReplayCanvas(Painter& painter, std::span<const CanvasCall> calls) {
    Vector2 pen;
    Rgba color{255, 255, 255, 255};
    for (const CanvasCall& call : calls) {
        switch (call.op) {
        case CanvasCall::Op::SetPosition:
            pen = call.vec;
            break;
        case CanvasCall::Op::SetColor:
            color = {call.color.r, call.color.g, call.color.b, call.color.a};
            break;
        case CanvasCall::Op::FillBox:
            painter.FillRect(Bounded(pen.X), Bounded(pen.Y), Bounded(call.vec.X), Bounded(call.vec.Y), color);
            break;
        case CanvasCall::Op::DrawBox: {
            // A one-pixel frame in four parts that never overlap, so a translucent colour blends
            // once on every pixel of it.
            const int x = Bounded(pen.X);
            const int y = Bounded(pen.Y);
            const int w = Bounded(call.vec.X);
            const int h = Bounded(call.vec.Y);
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
        }
    }
}

void PaintGameView(Painter& painter, Vector2 size, double carAngle, std::span<const CanvasCall> calls) {
    PaintBackdrop(painter, size);
    PaintCar(painter, size, carAngle);
    ReplayCanvas(painter, calls);
}

} // namespace spinbeat_host
