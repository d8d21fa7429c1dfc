// The host's Dear ImGui windows.
#include "host-ui.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <string>
#include <vector>

namespace spinbeat_host {

namespace {

constexpr float kMargin = 20.0F;
// Below a bar at the top edge of the view, where plugins most often draw.
constexpr float kTop = 40.0F;

// Dear ImGui's stacks as the host left them before a plugin's page drew.
struct UiStacks {
    ImGuiWindow* window;
    int windows;
    int ids;
    int groups;
    int trees;
    ImVec1 indent;
    int colors;
    int styleVars;
    int fonts;

    static UiStacks Now() {
        const ImGuiContext& g = *ImGui::GetCurrentContext();
        const ImGuiWindow& current = *g.CurrentWindow;
        return {.window = g.CurrentWindow,
                .windows = g.CurrentWindowStack.Size,
                .ids = current.IDStack.Size,
                .groups = current.DC.GroupStack.Size,
                .trees = current.DC.TreeDepth,
                .indent = current.DC.Indent,
                .colors = g.ColorModifiers.Size,
                .styleVars = g.StyleModifiers.Size,
                .fonts = g.FontStack.Size};
    }

    // A page that threw half way may have left windows open, and IDs, groups, tree nodes or styles
    // pushed: the host's own frame must still balance.
    void Restore() const {
        ImGuiContext& g = *ImGui::GetCurrentContext();
        // Colours, style variables and fonts belong to the context; a window's End only checks that
        // no more are pushed than at its Begin.
        ImGui::PopStyleColor(std::max(g.ColorModifiers.Size - colors, 0));
        ImGui::PopStyleVar(std::max(g.StyleModifiers.Size - styleVars, 0));
        while (g.FontStack.Size > fonts) {
            ImGui::PopFont();
        }
        while (g.CurrentWindowStack.Size > windows) {
            ImGuiWindow& open = *g.CurrentWindow;
            // A window's End expects its own stacks as its Begin found them, which Begin noted down:
            // in Dear ImGui 1.75 the IDs first, then the groups.
            const auto& begun = open.DC.StackSizesBackup;
            while (open.DC.GroupStack.Size > begun[1]) {
                ImGui::EndGroup();
            }
            while (open.IDStack.Size > begun[0]) {
                ImGui::PopID();
            }
            if ((open.Flags & ImGuiWindowFlags_ChildWindow) != 0) {
                ImGui::EndChild();
            } else {
                ImGui::End();
            }
        }
        if (g.CurrentWindow != window) {
            return;
        }
        while (window->DC.GroupStack.Size > groups) {
            ImGui::EndGroup();
        }
        while (window->DC.TreeDepth > trees) {
            ImGui::TreePop();
        }
        while (window->IDStack.Size > ids) {
            ImGui::PopID();
        }
        // Groups and tree nodes each put the indent back their own way, and which came first is
        // unknown.
        window->DC.Indent = indent;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

void SettingsWindow::PressButton(std::string label) {
    pressLabel_ = std::move(label);
    press_ = Press::Requested;
    pressFound_ = false;
}

void SettingsWindow::Draw(Session& session, bool shown) {
    constexpr float kOffScreen = -100000.0F;
    if (!shown) {
        ImGui::SetNextWindowPos({kOffScreen, kOffScreen}, ImGuiCond_Always);
    } else {
        ImGui::SetNextWindowPos({kMargin, kTop}, wasShown_ ? ImGuiCond_FirstUseEver : ImGuiCond_Always);
    }
    wasShown_ = shown;
    ImGui::SetNextWindowSize({760.0F, 230.0F}, ImGuiCond_FirstUseEver);
    const bool open = ImGui::Begin("Settings");
    struct Page {
        pluginsdk::host::LoadedPlugin* plugin;
        decltype(plugin->SettingsWindow()) window;
    };
    std::vector<Page> pages;
    auto& host = session.Host();
    for (const auto& plugin : host.Plugins()) {
        if (auto* window = plugin->SettingsWindow()) {
            pages.push_back({plugin.get(), window});
        }
    }
    if (open) {
        ImGui::BeginChild("plugins", {120.0F, 0.0F}, true);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            std::string name;
            if (!host.CallPlugin(*pages[i].plugin, "GetPluginName",
                                 [&] { name = pages[i].window->GetPluginName(); })) {
                continue;
            }
            ImGui::PushID(static_cast<int>(i));
            if (ImGui::Selectable(name.c_str(), chosen_ == i)) {
                chosen_ = i;
            }
            ImGui::PopID();
        }
        ImGui::EndChild();
        ImGui::SameLine();
        ImGui::BeginChild("page");
        if (chosen_ < pages.size()) {
            auto [plugin, page] = pages[chosen_];
            if (handedContext_.insert(plugin->Id()).second) {
                host.CallPlugin(*plugin, "SetImGuiContext", [&, page = page] {
                    page->SetImGuiContext(reinterpret_cast<std::uintptr_t>(ImGui::GetCurrentContext()));
                });
            }
            ImGui::PushID(static_cast<int>(plugin->Id()));
            const UiStacks stacks = UiStacks::Now();
            if (!host.CallPlugin(*plugin, "RenderSettings", [page = page] { page->RenderSettings(); })) {
                stacks.Restore();
            }
            // The page's own ID stack is balanced again here, so its button has this ID.
            if (press_ == Press::Activated) {
                pressFound_ = ImGui::GetCurrentContext()->ActiveId == pressId_;
                press_ = Press::None;
            } else if (press_ == Press::Requested) {
                pressId_ = ImGui::GetID(pressLabel_.c_str());
                ImGui::ActivateItem(pressId_);
                press_ = Press::Activated;
            }
            ImGui::PopID();
        }
        ImGui::EndChild();
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// Plugins' windows
// ---------------------------------------------------------------------------

PluginWindows::PluginWindows(Session& session, bool settingsOpen)
    : session_(session), settingsOpen_(settingsOpen) {
    session.Host().RegisterHostCommand(
        "togglemenu",
        [this](const std::vector<std::string>& words) {
            if (words.size() < 2) {
                session_.Host().Log("Usage: togglemenu NAME (a plugin window's menu name, or settings)");
                return;
            }
            Toggle(words[1]);
        },
        "Opens or closes a menu: settings, or a plugin's window by its menu name");
}

void PluginWindows::Toggle(const std::string& name) {
    if (name == "settings") {
        settingsOpen_ = !settingsOpen_;
        return;
    }
    auto& host = session_.Host();
    for (const auto& plugin : host.Plugins()) {
        auto* window = pluginsdk::host::PluginWindowOf(plugin->Plugin().get());
        std::string menu;
        if (window == nullptr ||
            !host.CallPlugin(*plugin, "GetMenuName", [&] { menu = window->GetMenuName(); }) || menu != name) {
            continue;
        }
        if (open_.erase(plugin->Id()) > 0) {
            host.CallPlugin(*plugin, "OnClose", [window] { window->OnClose(); });
        } else {
            open_.insert(plugin->Id());
            host.CallPlugin(*plugin, "OnOpen", [window] { window->OnOpen(); });
        }
        return;
    }
    host.Log("togglemenu: no menu named " + name);
}

bool PluginWindows::BlockInput() {
    auto& host = session_.Host();
    for (const auto& plugin : host.Plugins()) {
        auto* window =
            open_.contains(plugin->Id()) ? pluginsdk::host::PluginWindowOf(plugin->Plugin().get()) : nullptr;
        bool block = false;
        if (window != nullptr &&
            host.CallPlugin(*plugin, "ShouldBlockInput", [&] { block = window->ShouldBlockInput(); }) &&
            block) {
            return true;
        }
    }
    return false;
}

void PluginWindows::Draw() {
    auto& host = session_.Host();
    for (const auto& plugin : host.Plugins()) {
        if (!open_.contains(plugin->Id())) {
            continue;
        }
        auto* window = plugin->Failed() ? nullptr : pluginsdk::host::PluginWindowOf(plugin->Plugin().get());
        if (window == nullptr) {
            open_.erase(plugin->Id());
            continue;
        }
        if (handedContext_.insert(plugin->Id()).second) {
            host.CallPlugin(*plugin, "SetImGuiContext", [window] {
                window->SetImGuiContext(reinterpret_cast<std::uintptr_t>(ImGui::GetCurrentContext()));
            });
        }
        const UiStacks stacks = UiStacks::Now();
        if (!host.CallPlugin(*plugin, "Render", [window] { window->Render(); })) {
            stacks.Restore();
        }
    }
}

// ---------------------------------------------------------------------------
// Console
// ---------------------------------------------------------------------------

void ConsoleWindow::Draw(Session& session, Vector2 view) {
    const float height = 210.0F;
    ImGui::SetNextWindowPos({kMargin, static_cast<float>(view.Y) - height - kMargin}, ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize({static_cast<float>(view.X) - 2 * kMargin, height}, ImGuiCond_FirstUseEver);
    if (!ImGui::Begin("Console")) {
        ImGui::End();
        return;
    }
    const float inputHeight = ImGui::GetFrameHeightWithSpacing();
    ImGui::BeginChild("lines", {0.0F, -inputHeight}, false, ImGuiWindowFlags_HorizontalScrollbar);
    // Follow new lines only while the reader is at the bottom.
    const bool atBottom = ImGui::GetScrollY() >= ImGui::GetScrollMaxY();
    // The host keeps the history; a frame copies only the lines it shows.
    const auto& host = session.Host();
    const std::size_t first = host.FirstConsoleLine();
    const std::size_t kept = host.ConsoleLineCount() - first;
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(kept));
    while (clipper.Step()) {
        const auto shown =
            host.ConsoleLines(first + static_cast<std::size_t>(clipper.DisplayStart),
                              static_cast<std::size_t>(clipper.DisplayEnd - clipper.DisplayStart));
        for (const auto& line : shown) {
            ImGui::TextUnformatted(line.c_str());
        }
    }
    if (atBottom) {
        ImGui::SetScrollHereY(1.0F);
    }
    ImGui::EndChild();

    ImGui::SetNextItemWidth(-1.0F);
    if (refocus_) {
        ImGui::SetKeyboardFocusHere();
        refocus_ = false;
    }
    if (ImGui::InputTextWithHint("##input", "NAME VALUE sets a variable, NAME shows it", input_.data(),
                                 input_.size(), ImGuiInputTextFlags_EnterReturnsTrue)) {
        session.TypeConsoleLine(input_.data());
        input_[0] = '\0';
        refocus_ = true;
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// Game
// ---------------------------------------------------------------------------

void DrawGameWindow(Session& session, Vector2 view) {
    const float width = 300.0F;
    ImGui::SetNextWindowPos({static_cast<float>(view.X) - width - kMargin, kTop}, ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize({width, 0.0F}, ImGuiCond_FirstUseEver);
    if (ImGui::Begin("Game", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        bool freeplay = session.Host().IsInFreeplay();
        if (ImGui::Checkbox("Free play (F)", &freeplay)) {
            session.Host().SetFreeplay(freeplay);
        }
        const float roll = session.Roll();
        ImGui::Text("Roll %+.3f%s", static_cast<double>(roll),
                    roll == 1.0F || roll == -1.0F ? "  (full)" : "");
        ImGui::TextDisabled("Q / Left: roll left   E / Right: roll right");
        ImGui::TextDisabled("Gamepad: left stick across   Esc: quit");
    }
    ImGui::End();
}

} // namespace spinbeat_host
