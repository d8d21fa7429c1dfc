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
    // Lists every plugin's page by its name and draws the chosen one in the current context. A window
    // not `shown` still draws its page, off the screen: a headless session runs the page every frame.
    void Draw(Session& session, bool shown = true);

    // Presses the button labelled `label` on the page shown, as keyboard navigation would: the
    // next Draw finds the button, the one after presses it. Then PressFound tells whether the
    // page had such a button.
    void PressButton(std::string label);
    bool PressFound() const { return pressFound_; }

private:
    enum class Press { None, Requested, Activated };

    std::size_t chosen_ = 0;
    bool wasShown_ = true;
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

// The plugins' own windows, and whether the settings window shows: `togglemenu NAME` opens and closes
// the window of the plugin whose menu name is NAME (its OnOpen and OnClose called), `togglemenu
// settings` the settings window.
class PluginWindows {
public:
    // Registers `togglemenu` with the session's host.
    PluginWindows(Session& session, bool settingsOpen);

    // Draws every open window with its plugin's Render, in the current context.
    void Draw();
    bool SettingsOpen() const { return settingsOpen_; }
    // Whether an open window asks that the game get no keys while it is open.
    bool BlockInput();
    // Whether anything of the host's menus shows: the settings window or a plugin's window.
    bool AnyOpen() const { return settingsOpen_ || !open_.empty(); }

private:
    void Toggle(const std::string& name);

    Session& session_;
    bool settingsOpen_;
    // By the plugin's id.
    std::set<std::uint64_t> open_;
    std::set<std::uint64_t> handedContext_;
};

// Free play, the roll as the car gets it, and the keys.
void DrawGameWindow(Session& session, Vector2 view);

} // namespace spinbeat_host
