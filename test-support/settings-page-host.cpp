// The host's side of a plugin's settings page: context, settings window, frames and input.
#include "settings-page-host.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace spinbeat_test {

namespace {

const ImVec2 kDisplaySize{1280, 720};
const ImVec2 kWindowSize{640, 480};
// Outside the settings window: nothing on the page is hovered while the mouse rests here.
const ImVec2 kMouseAtRest{1000, 600};

// Positions where the same widget answers, as a closed range of whole pixels.
struct Span {
    float first = 0;
    float last = -1;
    bool Empty() const { return last < first; }
};

} // namespace

SettingsPageHost::SettingsPageHost(BakkesMod::Plugin::PluginSettingsWindow& page) : page_(&page) {
    context_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = kDisplaySize;
    io.DeltaTime = 1.0F / 60.0F;
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    // The legacy key map: each named key is the key-down slot of its own number.
    for (int key = 0; key < ImGuiKey_COUNT; ++key) {
        io.KeyMap[key] = key;
    }
    io.MousePos = kMouseAtRest;
    // No renderer will ever upload it, but a frame cannot start without a built atlas.
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

SettingsPageHost::SettingsPageHost(pluginsdk::host::Host& host, const pluginsdk::host::LoadedPlugin& plugin)
    : SettingsPageHost(*plugin.SettingsWindow()) {
    host_ = &host;
    plugin_ = &plugin;
}

SettingsPageHost::~SettingsPageHost() { ImGui::DestroyContext(context_); }

template <typename Body>
void SettingsPageHost::CallPage(const char* callback, Body&& body) {
    if (host_ != nullptr) {
        host_->CallPlugin(*plugin_, callback, body);
    } else {
        body();
    }
}

const std::string& SettingsPageHost::Draw() { return DrawFrame(true); }

void SettingsPageHost::Draw(int frames) {
    for (int i = 0; i < frames; ++i) {
        DrawFrame(true);
    }
}

const std::string& SettingsPageHost::DrawWithoutHandingOverTheContext() { return DrawFrame(false); }

const std::string& SettingsPageHost::DrawFrame(bool handOver) {
    ImGui::SetCurrentContext(context_);
    ImGui::NewFrame();
    ImGui::SetNextWindowPos({0, 0});
    ImGui::SetNextWindowSize(kWindowSize);
    ImGui::Begin("Settings", nullptr,
                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings);
    windowId_ = ImGui::GetCurrentWindow()->IDStack.back();
    pageStart_ = ImGui::GetCursorScreenPos();
    const ImVec2 windowPos = ImGui::GetWindowPos();
    const ImVec2 contentMax = ImGui::GetWindowContentRegionMax();
    contentMax_ = {windowPos.x + contentMax.x, windowPos.y + contentMax.y};

    ImGui::LogToBuffer();
    if (handOver) {
        CallPage("SetImGuiContext",
                 [&] { page_->SetImGuiContext(reinterpret_cast<std::uintptr_t>(context_)); });
    }
    CallPage("RenderSettings", [&] { page_->RenderSettings(); });
    text_ = ImGui::GetCurrentContext()->LogBuffer.c_str();
    // Dear ImGui ends its logged lines as the platform does.
    std::erase(text_, '\r');
    ImGui::LogFinish();
    ImGui::GetCurrentContext()->LogBuffer.clear();

    pageEnd_ = ImGui::GetCursorScreenPos();
    ImGui::End();
    ImGui::Render();
    return text_;
}

// ---------------------------------------------------------------------------
// Finding widgets
// ---------------------------------------------------------------------------

// Widgets are found the way a player finds them: by moving the mouse over the page and asking
// Dear ImGui which widget answers. Working the layout out from the style's metrics instead would
// restate Dear ImGui's layout rules in the test and silently click beside a widget once they or
// the style change; the answer to the mouse is the hit test the click itself goes through. A
// widget's identity is the hash of its label in the window, which the test computes itself, so a
// box found is the widget with that label wherever the page put it. The integer field pushes its
// label and names its text field "" (the label's own identity) and its step buttons "-" and "+".
// Scans run while no widget is active: an active widget keeps the others from answering.

ImGuiID SettingsPageHost::IdOf(std::string_view label, std::string_view part) const {
    ImGuiID id = ImHashStr(label.data(), label.size(), windowId_);
    if (!part.empty()) {
        id = ImHashStr(part.data(), part.size(), id);
    }
    return id;
}

ImGuiID SettingsPageHost::HoveredAt(ImVec2 at) {
    MoveMouse(at);
    return ImGui::GetCurrentContext()->HoveredId;
}

bool SettingsPageHost::Locate(std::string_view label, std::string_view part, WidgetBox& box) {
    // Learn the page's extent and the window's identity first; the extent depends on which
    // widgets the page draws.
    Draw();
    const ImGuiID id = IdOf(label, part);
    const float left = pageStart_.x;
    const float right = contentMax_.x;
    const float top = pageStart_.y;
    const float bottom = pageEnd_.y;

    auto scan = [&](bool across, float fixed, float from, float to) {
        Span span;
        for (float moving = from; moving < to; moving += 1) {
            if (HoveredAt(across ? ImVec2{moving, fixed} : ImVec2{fixed, moving}) != id) {
                continue;
            }
            if (span.Empty()) {
                span.first = moving;
            }
            span.last = moving;
        }
        return span;
    };

    // Every widget of the page starts at its left edge: one walk down that edge finds each line's
    // widget. A part may lie further right, so unless the widget itself was met on the way, each
    // line is searched across.
    struct Line {
        ImGuiID id;
        Span rows;
    };
    std::vector<Line> lines;
    for (float y = top; y < bottom; y += 1) {
        const ImGuiID hovered = HoveredAt({left + 1, y});
        if (hovered == 0) {
            continue;
        }
        if (lines.empty() || lines.back().id != hovered) {
            lines.push_back({hovered, {y, y}});
        }
        lines.back().rows.last = y;
    }
    if (std::any_of(lines.begin(), lines.end(), [&](const Line& line) { return line.id == id; })) {
        std::erase_if(lines, [&](const Line& line) { return line.id != id; });
    }

    bool found = false;
    for (const Line& line : lines) {
        const Span columns = scan(true, (line.rows.first + line.rows.last) / 2, left, right);
        if (columns.Empty()) {
            continue;
        }
        const Span rows = scan(false, (columns.first + columns.last) / 2, top, bottom);
        box = {{columns.first, rows.first}, {columns.last + 1, rows.last + 1}};
        found = true;
        break;
    }
    MoveMouse(kMouseAtRest);
    return found;
}

WidgetBox SettingsPageHost::Find(std::string_view label, std::string_view part) {
    WidgetBox box;
    if (!Locate(label, part, box)) {
        throw std::runtime_error("the page has no widget \"" + std::string(label) +
                                 (part.empty() ? "" : "\" with a part \"" + std::string(part)) + "\"");
    }
    return box;
}

bool SettingsPageHost::Has(std::string_view label) {
    WidgetBox box;
    return Locate(label, {}, box);
}

// ---------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------

void SettingsPageHost::MoveMouse(ImVec2 at) {
    ImGui::SetCurrentContext(context_);
    ImGui::GetIO().MousePos = at;
    Draw();
}

void SettingsPageHost::Click(ImVec2 at, bool ctrl) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeyCtrl = ctrl;
    MoveMouse(at);
    io.MouseDown[0] = true;
    Draw();
    io.MouseDown[0] = false;
    Draw();
    io.KeyCtrl = false;
}

void SettingsPageHost::Drag(ImVec2 from, std::initializer_list<ImVec2> path) {
    ImGuiIO& io = ImGui::GetIO();
    MoveMouse(from);
    io.MouseDown[0] = true;
    Draw();
    for (const ImVec2 at : path) {
        io.MousePos = at;
        Draw();
    }
    io.MouseDown[0] = false;
    Draw();
}

void SettingsPageHost::Type(std::string_view characters) {
    for (const char c : characters) {
        ImGui::GetIO().AddInputCharacter(static_cast<unsigned char>(c));
        Draw();
    }
}

void SettingsPageHost::PressEnter() {
    ImGuiIO& io = ImGui::GetIO();
    io.KeysDown[io.KeyMap[ImGuiKey_Enter]] = true;
    Draw();
    io.KeysDown[io.KeyMap[ImGuiKey_Enter]] = false;
    Draw();
}

} // namespace spinbeat_test
