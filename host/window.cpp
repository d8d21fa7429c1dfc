// The window mode: SDL2 window, input and OpenGL 3 context, Dear ImGui, the game loop.
#include "window.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "game-loop.h"
#include "host-ui.h"
#include "picture.h"
#include "session.h"

namespace spinbeat_host {

namespace {

// A resting stick is never quite centred; past this it steers the roll.
constexpr Sint16 kStickDeadZone = 8000;

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

private:
    ImDrawList* list_;
};

// Everything SDL and OpenGL hand out, given back in reverse order whatever happens.
struct Platform {
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    ~Platform() {
        if (imguiGl) {
            ImGui_ImplOpenGL3_Shutdown();
        }
        if (imguiSdl) {
            ImGui_ImplSDL2_Shutdown();
        }
        if (imgui != nullptr) {
            ImGui::DestroyContext(imgui);
        }
        if (controller != nullptr) {
            SDL_GameControllerClose(controller);
        }
        if (gl != nullptr) {
            SDL_GL_DeleteContext(gl);
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        if (sdl) {
            SDL_Quit();
        }
    }

    bool sdl = false;
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    SDL_GameController* controller = nullptr;
    ImGuiContext* imgui = nullptr;
    bool imguiSdl = false;
    bool imguiGl = false;
};

float StickToRoll(Sint16 value) {
    // Only the stick's very end reads a full roll: 1.0 or -1.0 exactly.
    return std::clamp(static_cast<float>(value) / 32767.0F, -1.0F, 1.0F);
}

// The roll this update: keys first, then the stick, then what was held from the start.
float ReadRoll(const Platform& platform, bool keyboardFree, float resting) {
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const bool left = keyboardFree && (keys[SDL_SCANCODE_Q] != 0 || keys[SDL_SCANCODE_LEFT] != 0);
    const bool right = keyboardFree && (keys[SDL_SCANCODE_E] != 0 || keys[SDL_SCANCODE_RIGHT] != 0);
    if (left || right) {
        return (right ? 1.0F : 0.0F) - (left ? 1.0F : 0.0F);
    }
    if (platform.controller != nullptr) {
        const Sint16 stick = SDL_GameControllerGetAxis(platform.controller, SDL_CONTROLLER_AXIS_LEFTX);
        if (stick > kStickDeadZone || stick < -kStickDeadZone) {
            return StickToRoll(stick);
        }
    }
    return resting;
}

double DisplayRate(SDL_Window* window) {
    SDL_DisplayMode mode{};
    if (SDL_GetCurrentDisplayMode(std::max(SDL_GetWindowDisplayIndex(window), 0), &mode) == 0 &&
        mode.refresh_rate > 0) {
        return std::clamp(mode.refresh_rate, 30, 240);
    }
    return 60.0;
}

bool SaveScreenshot(const std::filesystem::path& file, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL reads bottom row first; pictures start at the top.
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> flipped(pixels.size());
    for (int y = 0; y < height; ++y) {
        std::copy_n(pixels.begin() +
                        static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(height - 1 - y)),
                    row, flipped.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y)));
    }
    return WritePng(file, width, height, flipped);
}

} // namespace

int RunWindow(const Options& options) {
    Platform platform;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
        std::cerr << "spinbeat-host: no window possible here (" << SDL_GetError()
                  << "); try --headless, or SDL_VIDEODRIVER=offscreen with --screenshot\n";
        return 1;
    }
    platform.sdl = true;
    // With no display SDL falls back to drawing off screen, where only a screenshot shows anything.
    if (std::string_view(SDL_GetCurrentVideoDriver()) == "offscreen" && !options.screenshot) {
        std::cerr << "spinbeat-host: no display to show a window on; try --headless, or --screenshot\n";
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    platform.window = SDL_CreateWindow("Spinbeat host", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                       options.windowSize.X, options.windowSize.Y,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (platform.window != nullptr) {
        platform.gl = SDL_GL_CreateContext(platform.window);
    }
    if (platform.gl == nullptr) {
        std::cerr << "spinbeat-host: cannot open an OpenGL 3.2 window: " << SDL_GetError() << "\n";
        return 1;
    }
    SDL_GL_MakeCurrent(platform.window, platform.gl);
    // The game loop paces itself: a swap that waits for the display would hold up the updates.
    SDL_GL_SetSwapInterval(0);

    IMGUI_CHECKVERSION();
    platform.imgui = ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::StyleColorsDark();
    platform.imguiSdl = ImGui_ImplSDL2_InitForOpenGL(platform.window, platform.gl);
    platform.imguiGl = platform.imguiSdl && ImGui_ImplOpenGL3_Init("#version 150");
    if (!platform.imguiGl) {
        std::cerr << "spinbeat-host: Dear ImGui cannot draw with this OpenGL\n";
        return 1;
    }

    Session session({options.module, options.data, options.config, options.freeplay});
    session.SetRoll(options.roll);
    SettingsWindow settings;
    ConsoleWindow console;
    GameLoop loop(DisplayRate(platform.window));
    int frames = 0;
    bool running = true;
    int exitCode = 0;
    while (running) {
        loop.SleepUntil(std::min(loop.NextTickMs(), loop.NextFrameMs()));
        if (loop.NextTickMs() <= loop.NextFrameMs()) {
            const bool keyboardFree = !ImGui::GetIO().WantCaptureKeyboard;
            SDL_Event event;
            while (SDL_PollEvent(&event) != 0) {
                ImGui_ImplSDL2_ProcessEvent(&event);
                if (event.type == SDL_QUIT) {
                    running = false;
                } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0 && keyboardFree) {
                    if (event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
                        running = false;
                    } else if (event.key.keysym.scancode == SDL_SCANCODE_F) {
                        session.Host().SetFreeplay(!session.Host().IsInFreeplay());
                    }
                } else if (event.type == SDL_CONTROLLERDEVICEADDED && platform.controller == nullptr) {
                    platform.controller = SDL_GameControllerOpen(event.cdevice.which);
                } else if (event.type == SDL_CONTROLLERDEVICEREMOVED && platform.controller != nullptr &&
                           event.cdevice.which ==
                               SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(platform.controller))) {
                    SDL_GameControllerClose(platform.controller);
                    platform.controller = nullptr;
                }
            }
            loop.TickStarts();
            session.SetRoll(ReadRoll(platform, keyboardFree, options.roll));
            session.Tick();
            loop.TickDone();
            continue;
        }

        Vector2 view;
        SDL_GetWindowSize(platform.window, &view.X, &view.Y);
        int pixelsX = 0;
        int pixelsY = 0;
        SDL_GL_GetDrawableSize(platform.window, &pixelsX, &pixelsY);
        const auto& calls = session.Frame(view);
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        DrawListPainter painter(ImGui::GetBackgroundDrawList());
        PaintGameView(painter, view, session.CarAngle(), calls);
        settings.Draw(session);
        console.Draw(session, view);
        DrawGameWindow(session, view);
        ImGui::Render();
        glViewport(0, 0, pixelsX, pixelsY);
        glClearColor(0.0F, 0.0F, 0.0F, 1.0F);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        ++frames;
        if (options.screenshot && frames >= options.frames) {
            if (SaveScreenshot(*options.screenshot, pixelsX, pixelsY)) {
                std::cout << "Screenshot of frame " << frames << " in " << options.screenshot->string()
                          << "\n";
            } else {
                std::cerr << "spinbeat-host: cannot write " << options.screenshot->string() << "\n";
                exitCode = 1;
            }
            running = false;
        }
        SDL_GL_SwapWindow(platform.window);
        loop.FrameDone();
    }

    if (const std::string problem = session.Finish(); !problem.empty()) {
        std::cerr << "spinbeat-host: " << problem << "\n";
        exitCode = 1;
    }
    return session.Host().PluginFailures().empty() ? exitCode : 1;
}

} // namespace spinbeat_host
