// The window mode's window, its OpenGL context, Dear ImGui's backends for them, and the player's keys
// and gamepad, one implementation per platform: SDL2 on Linux; Win32, WGL and XInput on Windows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "bakkesmod/wrappers/values.h"

struct ImDrawData;

namespace spinbeat_host {

// What keeps the window from opening, worded for the player.
class WindowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class WindowSystem {
public:
    // Opens a window of `size` with an OpenGL context, and starts Dear ImGui's backends for both in
    // the current Dear ImGui context. `screenshotOnly`: nobody will look at it, so a system that can
    // draw only off screen will do. Throws WindowError.
    WindowSystem(Vector2 size, bool screenshotOnly);
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;
    // Stops the backends and closes the context and the window, while the Dear ImGui context lives.
    ~WindowSystem();

    // The display's refresh rate: the pace of the frames.
    double FramesPerSecond() const;

    struct Events {
        // The window was closed, or Esc pressed.
        bool quit = false;
        // F was pressed.
        bool toggleFreeplay = false;
    };
    // Handles what happened since the last call, all of it passed on to Dear ImGui. Keys count only
    // when `keysFree`, that is while Dear ImGui is not taking the keyboard.
    Events HandleEvents(bool keysFree);
    // The roll the player holds now (see RollFrom), or nothing.
    std::optional<float> HeldRoll(bool keysFree);

    // The game view's size, in the window's coordinates and in pixels.
    Vector2 ViewSize() const;
    Vector2 PixelSize() const;
    // Before ImGui::NewFrame.
    void NewFrame();
    // Clears a frame of `pixels` and draws Dear ImGui's draw data on it.
    void Render(ImDrawData* data, Vector2 pixels);
    // The frame just rendered, of `pixels`, as OpenGL reads it: 3 bytes a pixel, bottom row first.
    std::vector<std::uint8_t> ReadPixels(Vector2 pixels);
    // Shows the frame just rendered.
    void Present();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A resting stick is never quite centred; past this it steers the roll.
inline constexpr int kStickDeadZone = 8000;

// The roll from the keys held, left and right, and a gamepad's left stick across (-32768 to 32767,
// if there is one): the keys first, then the stick past its dead zone; nothing when neither. Only the
// stick's very end reads a full roll, 1.0 or -1.0 exactly.
inline std::optional<float> RollFrom(bool left, bool right, std::optional<std::int16_t> stick) {
    if (left || right) {
        return (right ? 1.0F : 0.0F) - (left ? 1.0F : 0.0F);
    }
    if (stick && (*stick > kStickDeadZone || *stick < -kStickDeadZone)) {
        return std::clamp(static_cast<float>(*stick) / 32767.0F, -1.0F, 1.0F);
    }
    return std::nullopt;
}

} // namespace spinbeat_host
