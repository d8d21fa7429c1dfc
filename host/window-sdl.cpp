// The window mode on SDL2: its window and OpenGL 3.2 context, Dear ImGui's SDL2 and OpenGL 3
// backends, the keyboard and the first game controller.
#include <GL/gl3w.h>
#include <SDL.h>
#include <imgui.h>
// The backends' headers need imgui.h first.
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "window-system.h"

namespace spinbeat_host {

// Everything SDL and OpenGL hand out, given back in reverse order whatever happens.
struct WindowSystem::State {
    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (imguiGl) {
            ImGui_ImplOpenGL3_Shutdown();
        }
        if (imguiSdl) {
            ImGui_ImplSDL2_Shutdown();
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
    bool imguiSdl = false;
    bool imguiGl = false;
};

WindowSystem::WindowSystem(Vector2 size, bool screenshotOnly) : state_(std::make_unique<State>()) {
    State& state = *state_;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
        throw WindowError(std::string("no window possible here (") + SDL_GetError() +
                          "); try --headless, or SDL_VIDEODRIVER=offscreen with --screenshot");
    }
    state.sdl = true;
    // With no display SDL falls back to drawing off screen, where only a screenshot shows anything.
    if (std::string_view(SDL_GetCurrentVideoDriver()) == "offscreen" && !screenshotOnly) {
        throw WindowError("no display to show a window on; try --headless, or --screenshot");
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    state.window = SDL_CreateWindow("Spinbeat host", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, size.X,
                                    size.Y, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (state.window != nullptr) {
        state.gl = SDL_GL_CreateContext(state.window);
    }
    if (state.gl == nullptr) {
        throw WindowError(std::string("cannot open an OpenGL 3.2 window: ") + SDL_GetError());
    }
    SDL_GL_MakeCurrent(state.window, state.gl);
    // The game loop paces itself: a swap that waits for the display would hold up the updates.
    SDL_GL_SetSwapInterval(0);
    // Every OpenGL function, the frame's own and the backend's, comes through gl3w.
    if (gl3wInit() != 0) {
        throw WindowError("cannot load the functions of OpenGL 3");
    }

    state.imguiSdl = ImGui_ImplSDL2_InitForOpenGL(state.window, state.gl);
    state.imguiGl = state.imguiSdl && ImGui_ImplOpenGL3_Init("#version 150");
    if (!state.imguiGl) {
        throw WindowError("Dear ImGui cannot draw with this OpenGL");
    }
}

WindowSystem::~WindowSystem() = default;

double WindowSystem::FramesPerSecond() const {
    SDL_DisplayMode mode{};
    if (SDL_GetCurrentDisplayMode(std::max(SDL_GetWindowDisplayIndex(state_->window), 0), &mode) == 0 &&
        mode.refresh_rate > 0) {
        return std::clamp(mode.refresh_rate, 30, 240);
    }
    return 60.0;
}

WindowSystem::Events WindowSystem::HandleEvents(bool keysFree) {
    State& state = *state_;
    Events events;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        ImGui_ImplSDL2_ProcessEvent(&event);
        if (event.type == SDL_QUIT) {
            events.quit = true;
        } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0 && keysFree) {
            if (event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
                events.quit = true;
            } else if (event.key.keysym.scancode == SDL_SCANCODE_F) {
                events.toggleFreeplay = !events.toggleFreeplay;
            }
        } else if (event.type == SDL_CONTROLLERDEVICEADDED && state.controller == nullptr) {
            state.controller = SDL_GameControllerOpen(event.cdevice.which);
        } else if (event.type == SDL_CONTROLLERDEVICEREMOVED && state.controller != nullptr &&
                   event.cdevice.which ==
                       SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(state.controller))) {
            SDL_GameControllerClose(state.controller);
            state.controller = nullptr;
        }
    }
    return events;
}

std::optional<float> WindowSystem::HeldRoll(bool keysFree) {
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const bool left = keysFree && (keys[SDL_SCANCODE_Q] != 0 || keys[SDL_SCANCODE_LEFT] != 0);
    const bool right = keysFree && (keys[SDL_SCANCODE_E] != 0 || keys[SDL_SCANCODE_RIGHT] != 0);
    std::optional<std::int16_t> stick;
    if (state_->controller != nullptr) {
        stick = SDL_GameControllerGetAxis(state_->controller, SDL_CONTROLLER_AXIS_LEFTX);
    }
    return RollFrom(left, right, stick);
}

Vector2 WindowSystem::ViewSize() const {
    Vector2 view;
    SDL_GetWindowSize(state_->window, &view.X, &view.Y);
    return view;
}

Vector2 WindowSystem::PixelSize() const {
    Vector2 pixels;
    SDL_GL_GetDrawableSize(state_->window, &pixels.X, &pixels.Y);
    return pixels;
}

void WindowSystem::NewFrame() {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame(state_->window);
}

void WindowSystem::Render(ImDrawData* data, Vector2 pixels) {
    glViewport(0, 0, pixels.X, pixels.Y);
    glClearColor(0.0F, 0.0F, 0.0F, 1.0F);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(data);
}

std::vector<std::uint8_t> WindowSystem::ReadPixels(Vector2 pixels) {
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(std::max(pixels.X, 0)) *
                                   static_cast<std::size_t>(std::max(pixels.Y, 0)) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, pixels.X, pixels.Y, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    return rows;
}

void WindowSystem::Present() { SDL_GL_SwapWindow(state_->window); }

} // namespace spinbeat_host
