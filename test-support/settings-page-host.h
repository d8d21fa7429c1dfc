// The host's side of a plugin's settings page: a headless Dear ImGui context of the test's own.
#pragma once

#include <imgui.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "pluginsdk/host/host.h"

namespace spinbeat_test {

struct WidgetBox {
    ImVec2 min;
    ImVec2 max;

    ImVec2 Center() const { return {(min.x + max.x) / 2, (min.y + max.y) / 2}; }
    // A point inside the box, `fraction` of the way from its left edge, at mid-height.
    ImVec2 At(float fraction) const { return {min.x + (max.x - min.x) * fraction, (min.y + max.y) / 2}; }
};

// Draws the page the way the host does: inside its own settings window, in its own frame, after
// handing the page its context. The test's copy of Dear ImGui owns the context; the module draws
// into it with its private copy. Input comes through the fields a platform backend of Dear ImGui 1.75
// fills: io.KeysDown by io.KeyMap, io.MousePos, io.MouseDown, io.AddInputCharacter.
class SettingsPageHost {
public:
    explicit SettingsPageHost(BakkesMod::Plugin::PluginSettingsWindow& page);
    // The page of a plugin `host` has loaded, called at the host's boundary.
    SettingsPageHost(pluginsdk::host::Host& host, const pluginsdk::host::LoadedPlugin& plugin);
    SettingsPageHost(const SettingsPageHost&) = delete;
    SettingsPageHost& operator=(const SettingsPageHost&) = delete;
    ~SettingsPageHost();

    // Shows another plugin's page from the next frame on, as when a plugin is loaded anew.
    void ShowPage(BakkesMod::Plugin::PluginSettingsWindow& page) { page_ = &page; }

    // One frame with the input as it stands. Returns the page's text as Dear ImGui's own text log
    // captures it (what "copy to clipboard" would give the player).
    const std::string& Draw();
    void Draw(int frames);
    // A frame in which the host forgets to hand its context over first.
    const std::string& DrawWithoutHandingOverTheContext();
    // The page's extent in the last frame: its first widget's corner, and where a widget after
    // its last would go.
    ImVec2 PageStart() const { return pageStart_; }
    ImVec2 PageEnd() const { return pageEnd_; }

    // The box in which the widget with this label answers the mouse. For widgets built of parts
    // (the integer field's step buttons) `part` names the part inside the widget labelled `label`.
    // Throws when the page has no such widget, which fails the test.
    WidgetBox Find(std::string_view label, std::string_view part = {});
    // Whether the page has a widget with this label that answers the mouse.
    bool Has(std::string_view label);

    // Mouse and keyboard, each step a frame of its own.
    void MoveMouse(ImVec2 at);
    // A warm-up frame over the point, a frame with the button down, a frame with it up.
    void Click(ImVec2 at, bool ctrl = false);
    // Press at `from`, one frame at each point of `path`, release at the last one.
    void Drag(ImVec2 from, std::initializer_list<ImVec2> path);
    // One character a frame, as a keyboard delivers them.
    void Type(std::string_view characters);
    void PressEnter();

private:
    ImGuiID IdOf(std::string_view label, std::string_view part) const;
    bool Locate(std::string_view label, std::string_view part, WidgetBox& box);
    ImGuiID HoveredAt(ImVec2 at);
    const std::string& DrawFrame(bool handOver);
    template <typename Body>
    void CallPage(const char* callback, Body&& body);

    BakkesMod::Plugin::PluginSettingsWindow* page_;
    pluginsdk::host::Host* host_ = nullptr;
    const pluginsdk::host::LoadedPlugin* plugin_ = nullptr;
    ImGuiContext* context_ = nullptr;
    ImGuiID windowId_ = 0;
    ImVec2 pageStart_;
    ImVec2 pageEnd_;
    ImVec2 contentMax_;
    std::string text_;
};

} // namespace spinbeat_test
