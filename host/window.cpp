// The window mode: the game loop with live input, the game view on Dear ImGui's background, the
// host's windows, and the screenshot, on whichever window system the platform has.
#include "window.h"

#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game-loop.h"
#include "host-ui.h"
#include "image-textures.h"
#include "picture.h"
#include "session.h"
#include "window-system.h"

namespace spinbeat_host {

namespace {

// The game view on Dear ImGui's background draw list, under every window.
class DrawListPainter : public Painter {
public:
    explicit DrawListPainter(ImDrawList* list) : list_(list) {}
    void FillRect(int x, int y, int w, int h, Rgba color) override {
        if (w > 0 && h > 0) {
            list_->AddRectFilled({static_cast<float>(x), static_cast<float>(y)},
                                 {static_cast<float>(x) + static_cast<float>(w),
                                  static_cast<float>(y) + static_cast<float>(h)},
                                 IM_COL32(color.r, color.g, color.b, color.a));
        }
    }
    void FillConvex(std::span<const PointF> corners, Rgba color) override {
        std::vector<ImVec2> points;
        points.reserve(corners.size());
        for (const PointF& corner : corners) {
            points.emplace_back(corner.x, corner.y);
        }
        list_->AddConvexPolyFilled(points.data(), static_cast<int>(points.size()),
                                   IM_COL32(color.r, color.g, color.b, color.a));
    }
    void DrawText(PointF at, std::string_view text, Vector2F scale, Rgba color, bool dropShadow,
                  bool wrap) override {
        // The host's font is Dear ImGui's own, which the window's context has too.
        const float size = ImGui::GetFontSize() * std::clamp(scale.Y, 0.0F, 64.0F);
        const float wrapWidth = wrap ? ImGui::GetIO().DisplaySize.x - at.x : 0.0F;
        const std::string_view::const_pointer end = text.data() + text.size();
        if (dropShadow) {
            list_->AddText(ImGui::GetFont(), size, {at.x + 1.0F, at.y + 1.0F}, IM_COL32(0, 0, 0, color.a),
                           text.data(), end, wrapWidth);
        }
        list_->AddText(ImGui::GetFont(), size, {at.x, at.y}, IM_COL32(color.r, color.g, color.b, color.a),
                       text.data(), end, wrapWidth);
    }

    // By the identifier ImGui::Image takes: ImageTextures makes it the renderer's texture.
    void DrawImage(PointF at, Vector2F size, const pluginsdk::host::ImageTexture& image, Vector2F uvMin,
                   Vector2F uvMax, Rgba tint) override {
        list_->AddImage(const_cast<pluginsdk::host::ImageTexture*>(&image), {at.x, at.y},
                        {at.x + size.X, at.y + size.Y}, {uvMin.X, uvMin.Y}, {uvMax.X, uvMax.Y},
                        IM_COL32(tint.r, tint.g, tint.b, tint.a));
    }

private:
    ImDrawList* list_;
};

// The plugins' toasts in the top right corner, newest lowest, and the game's chat at the bottom left.
void DrawNotices(ImDrawList* list, const pluginsdk::host::Host& host, Vector2 view) {
    constexpr float kMargin = 12.0F;
    constexpr float kToastWidth = 290.0F;
    constexpr float kToastHeight = 60.0F;
    float top = kMargin;
    for (const auto& toast : host.Toasts()) {
        const ImVec2 corner{static_cast<float>(view.X) - kToastWidth - kMargin, top};
        list->AddRectFilled(corner, {corner.x + kToastWidth, corner.y + kToastHeight},
                            IM_COL32(20, 20, 28, 220), 6.0F);
        list->AddText({corner.x + 10.0F, corner.y + 8.0F}, IM_COL32(255, 255, 255, 255), toast.title.c_str());
        list->AddText(nullptr, 0.0F, {corner.x + 10.0F, corner.y + 28.0F}, IM_COL32(210, 210, 210, 255),
                      toast.text.c_str(), nullptr, kToastWidth - 20.0F);
        top += kToastHeight + 8.0F;
    }
    const auto chat = host.ChatLines();
    float y = static_cast<float>(view.Y) - kMargin -
              ImGui::GetTextLineHeightWithSpacing() * static_cast<float>(chat.size());
    for (const auto& line : chat) {
        const std::string text = line.title + ": " + line.text;
        list->AddText({kMargin, y}, IM_COL32(255, 255, 255, 255), text.c_str());
        y += ImGui::GetTextLineHeightWithSpacing();
    }
}

// The host's Dear ImGui context, made before the window's backends start and gone after they stop.
class UiContext {
public:
    UiContext() : context_(ImGui::CreateContext()) {
        ImGui::GetIO().IniFilename = nullptr;
        ImGui::StyleColorsDark();
    }
    UiContext(const UiContext&) = delete;
    UiContext& operator=(const UiContext&) = delete;
    ~UiContext() { ImGui::DestroyContext(context_); }

private:
    ImGuiContext* context_;
};

// OpenGL reads bottom row first; pictures start at the top.
std::vector<std::uint8_t> TopRowFirst(const std::vector<std::uint8_t>& rows, Vector2 pixels) {
    const auto row = static_cast<std::size_t>(std::max(pixels.X, 0)) * 3;
    const auto height = static_cast<std::size_t>(std::max(pixels.Y, 0));
    std::vector<std::uint8_t> flipped(rows.size());
    for (std::size_t y = 0; y < height && row * height <= rows.size(); ++y) {
        std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(row * (height - 1 - y)), row,
                    flipped.begin() + static_cast<std::ptrdiff_t>(row * y));
    }
    return flipped;
}

} // namespace

int RunWindow(const Options& options) {
    IMGUI_CHECKVERSION();
    const UiContext ui;
    std::optional<WindowSystem> window;
    try {
        window.emplace(options.windowSize, options.screenshot.has_value());
    } catch (const WindowError& error) {
        std::cerr << "spinbeat-host: " << error.what() << "\n";
        return 1;
    }

    Session session({options.modules, options.data, options.config, options.freeplay, {}, options.plugins});
    session.SetRoll(options.roll);
    SettingsWindow settings;
    PluginWindows windows(session, true);
    ImageTextures textures;
    ConsoleWindow console;
    GameLoop loop(window->FramesPerSecond());
    int frames = 0;
    bool running = true;
    int exitCode = 0;
    while (running) {
        loop.SleepUntil(std::min(loop.NextTickMs(), loop.NextFrameMs()));
        if (loop.NextTickMs() <= loop.NextFrameMs()) {
            const bool keysFree = !ImGui::GetIO().WantCaptureKeyboard && !windows.BlockInput();
            const WindowSystem::Events events = window->HandleEvents(keysFree);
            running = !events.quit;
            if (events.toggleFreeplay) {
                session.Host().SetFreeplay(!session.Host().IsInFreeplay());
            }
            loop.TickStarts();
            session.SetRoll(window->HeldRoll(keysFree).value_or(options.roll));
            session.Tick();
            loop.TickDone();
            continue;
        }

        const Vector2 view = window->ViewSize();
        const Vector2 pixels = window->PixelSize();
        const auto& calls = session.Frame(view);
        window->NewFrame();
        ImGui::NewFrame();
        DrawListPainter painter(ImGui::GetBackgroundDrawList());
        PaintGameView(painter, view, session.CarAngle(), BallOnView(session.Host(), view), calls);
        DrawNotices(ImGui::GetBackgroundDrawList(), session.Host(), view);
        if (windows.SettingsOpen()) {
            settings.Draw(session);
        }
        windows.Draw();
        console.Draw(session, view);
        DrawGameWindow(session, view);
        ImGui::Render();
        textures.Translate(*ImGui::GetDrawData(), ImGui::GetIO().Fonts->TexID);
        window->Render(ImGui::GetDrawData(), pixels);
        ++frames;
        if (options.screenshot && frames >= options.frames) {
            if (WritePng(*options.screenshot, pixels.X, pixels.Y,
                         TopRowFirst(window->ReadPixels(pixels), pixels))) {
                std::cout << "Screenshot of frame " << frames << " in " << options.screenshot->string()
                          << "\n";
            } else {
                std::cerr << "spinbeat-host: cannot write " << options.screenshot->string() << "\n";
                exitCode = 1;
            }
            running = false;
        }
        window->Present();
        loop.FrameDone();
    }

    if (const std::string problem = session.Finish(); !problem.empty()) {
        std::cerr << "spinbeat-host: " << problem << "\n";
        exitCode = 1;
    }
    return session.Host().PluginFailures().empty() ? exitCode : 1;
}

} // namespace spinbeat_host
