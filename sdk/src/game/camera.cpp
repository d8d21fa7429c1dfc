// The game's camera: what it shows of the world on a canvas, for the canvas's Project and the host's
// game view alike.
#include <cmath>
#include <numbers>

#include "../host-state.h"
#include "arena.h"

namespace pluginsdk::detail {

std::optional<Vector2F> ProjectThrough(Vector camera, Rotator rotation, float fov, Vector location,
                                       Vector2 size) {
    // The game's rotations run 65,536 to a turn; its axes are x forward, y right, z up at no rotation.
    constexpr double kRadiansPerUnit = 2.0 * std::numbers::pi / 65536.0;
    const double pitch = rotation.Pitch * kRadiansPerUnit;
    const double yaw = rotation.Yaw * kRadiansPerUnit;
    const double roll = rotation.Roll * kRadiansPerUnit;
    const double forward[3] = {std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw),
                               std::sin(pitch)};
    const double flatRight[3] = {-std::sin(yaw), std::cos(yaw), 0.0};
    const double flatUp[3] = {-std::sin(pitch) * std::cos(yaw), -std::sin(pitch) * std::sin(yaw),
                              std::cos(pitch)};
    double right[3];
    double up[3];
    for (int i = 0; i < 3; ++i) {
        right[i] = flatRight[i] * std::cos(roll) + flatUp[i] * std::sin(roll);
        up[i] = flatUp[i] * std::cos(roll) - flatRight[i] * std::sin(roll);
    }
    const double d[3] = {double{location.X} - camera.X, double{location.Y} - camera.Y,
                         double{location.Z} - camera.Z};
    const auto dot = [&](const double(&axis)[3]) { return d[0] * axis[0] + d[1] * axis[1] + d[2] * axis[2]; };
    const double depth = dot(forward);
    // A field of view of nothing or of a half turn and more shows no place at all.
    if (!(depth > 0.0) || !(fov > 0.0F && fov < 180.0F)) {
        return std::nullopt;
    }
    const double halfWidth = size.X * 0.5;
    const double focal = halfWidth / std::tan(fov * std::numbers::pi / 360.0);
    return Vector2F{static_cast<float>(halfWidth + dot(right) * focal / depth),
                    static_cast<float>(size.Y * 0.5 - dot(up) * focal / depth)};
}

} // namespace pluginsdk::detail

namespace {

// A place behind the camera lands this far off the frame, where nothing a plugin draws shows.
constexpr float kOffFrame = -100000.0F;

Vector2F ProjectOnto(const pluginsdk::detail::CanvasState& canvas, Vector location) {
    if (canvas.host == nullptr) {
        return {kOffFrame, kOffFrame};
    }
    return canvas.host->arena.Project(location, canvas.size).value_or(Vector2F{kOffFrame, kOffFrame});
}

} // namespace

Vector2F CanvasWrapper::ProjectF(Vector location) {
    return ProjectOnto(pluginsdk::detail::Handles::State(*this), location);
}

Vector2 CanvasWrapper::Project(Vector location) {
    const Vector2F at = ProjectF(location);
    return {static_cast<int>(std::lround(at.X)), static_cast<int>(std::lround(at.Y))};
}

namespace pluginsdk::host {

void Host::PlaceBall(Vector location) { state_->arena.PlaceBall(location); }

void Host::PlaceCar(Vector location) { state_->arena.PlaceCar(location); }

std::optional<Vector2F> Host::ProjectBall(Vector2 size, float& radius) const {
    const Vector centre = state_->arena.BallLocation();
    const auto at = state_->arena.Project(centre, size);
    // The ball's radius on the canvas: its top projected, as the game's ball is a sphere seen near on.
    const auto top = state_->arena.Project({centre.X, centre.Y, centre.Z + 92.75F}, size);
    radius = at && top ? std::hypot(at->X - top->X, at->Y - top->Y) : 0.0F;
    return at;
}

} // namespace pluginsdk::host
