// The host's own Dear ImGui windows: the settings window with the plugins' pages, the console,
// and the game's controls.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>

#include "session.h"

namespace spinbeat_host {

class SettingsWindow {
public:
    // Lists every plugin's page by its name and draws the chosen one in the current context.
    void Draw(Session& session);

    // Presses the button labelled `label` on the page shown, as keyboard navigation would: the
    // next Draw finds the button, the one after presses it. Then PressFound tells whether the
    // page had such a button.
    void PressButton(std::string label);
    bool PressFound() const { return pressFound_; }

private:
    enum class Press { None, Requested, Activated };

    std::size_t chosen_ = 0;
    // Plugins that already have the host's context.
    std::set<std::uint64_t> handedContext_;
    Press press_ = Press::None;
    std::string pressLabel_;
    unsigned pressId_ = 0;
    bool pressFound_ = false;
};

class ConsoleWindow {
public:
    // Shows the lines the host's console keeps; a line typed at the bottom runs as the console's command.
    // `view` is the size of the game view the windows first take their places in.
    void Draw(Session& session, Vector2 view);

private:
    std::array<char, 512> input_{};
    bool refocus_ = false;
};

// Free play, the roll as the car gets it, and the keys.
void DrawGameWindow(Session& session, Vector2 view);

} // namespace spinbeat_host
