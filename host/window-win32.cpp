// The window mode on Windows: a Win32 window with a WGL context, Dear ImGui's Win32 and OpenGL 3
// backends, the keyboard through the window's own messages and the first XInput gamepad.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <GL/gl3w.h>
#include <imgui.h>
#include <xinput.h>
// The backends' headers need imgui.h first.
#include <imgui_impl_opengl3.h>
#include <imgui_impl_win32.h>

#include <algorithm>
#include <array>
#include <string>

#include "window-system.h"

// The backend leaves this declaration to the program, so that its header needs no <windows.h>.
extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND hWnd, UINT msg, WPARAM wParam,
                                                             LPARAM lParam);

namespace spinbeat_host {

namespace {

constexpr const wchar_t* kWindowClass = L"SpinbeatHostWindow";

std::string WindowsError(const char* what) {
    return what + std::string(": Windows error ") + std::to_string(GetLastError());
}

} // namespace

// Everything Windows and WGL hand out, given back in reverse order whatever happens, and what the
// window's messages said since the game loop last looked.
struct WindowSystem::State {
    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (imguiGl) {
            ImGui_ImplOpenGL3_Shutdown();
        }
        if (imguiWin32) {
            ImGui_ImplWin32_Shutdown();
        }
        if (gl != nullptr) {
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(gl);
        }
        if (window != nullptr) {
            // The messages of its end find no state to report to.
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            if (dc != nullptr) {
                ReleaseDC(window, dc);
            }
            DestroyWindow(window);
        }
        if (windowClass != 0) {
            UnregisterClassW(kWindowClass, instance);
        }
    }

    static LRESULT CALLBACK Receive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<std::int16_t> ReadStick();

    HINSTANCE instance = GetModuleHandleW(nullptr);
    ATOM windowClass = 0;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC gl = nullptr;
    bool imguiWin32 = false;
    bool imguiGl = false;

    bool closed = false;
    // First strokes only, in order: Esc and F act once per press.
    std::vector<WPARAM> pressed;
    // Virtual keys held in this window.
    std::array<bool, 256> down{};
    // The gamepad read. Asking for one that is not there is slow, so the next is looked for only when
    // devices come or go.
    std::optional<DWORD> pad;
    bool lookForPad = true;
};

LRESULT CALLBACK WindowSystem::State::Receive(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (state == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (ImGui_ImplWin32_WndProcHandler(hwnd, message, wParam, lParam) != 0) {
        return 1;
    }
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Bit 30: the key was down already, and this is its repeat.
        if ((lParam & (1 << 30)) == 0) {
            state->pressed.push_back(wParam);
        }
        state->down.at(wParam & 0xFF) = true;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        state->down.at(wParam & 0xFF) = false;
        break;
    case WM_KILLFOCUS:
        // Keys let go of in another window are never heard of here.
        state->down.fill(false);
        break;
    case WM_DEVICECHANGE:
        state->lookForPad = true;
        break;
    case WM_SYSCOMMAND:
        // Alt alone would open the window menu, whose own message loop would stop the game's.
        if ((wParam & 0xFFF0) == SC_KEYMENU) {
            return 0;
        }
        break;
    case WM_CLOSE:
        // The game loop ends the session first, and then closes the window.
        state->closed = true;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::optional<std::int16_t> WindowSystem::State::ReadStick() {
    XINPUT_STATE input{};
    if (lookForPad) {
        lookForPad = false;
        pad.reset();
        for (DWORD user = 0; user < XUSER_MAX_COUNT && !pad; ++user) {
            if (XInputGetState(user, &input) == ERROR_SUCCESS) {
                pad = user;
            }
        }
    }
    if (!pad) {
        return std::nullopt;
    }
    if (XInputGetState(*pad, &input) != ERROR_SUCCESS) {
        pad.reset();
        return std::nullopt;
    }
    return input.Gamepad.sThumbLX;
}

// Windows always has a window system: a window that only makes a screenshot is an ordinary one.
WindowSystem::WindowSystem(Vector2 size, bool /*screenshotOnly*/) : state_(std::make_unique<State>()) {
    State& state = *state_;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // One device context for the window's whole life, as its OpenGL context wants.
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = State::Receive;
    windowClass.hInstance = state.instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    state.windowClass = RegisterClassExW(&windowClass);
    if (state.windowClass == 0) {
        throw WindowError(WindowsError("cannot register the window class"));
    }
    RECT frame{0, 0, size.X, size.Y};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    state.window = CreateWindowW(kWindowClass, L"Spinbeat host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                 nullptr, state.instance, nullptr);
    if (state.window == nullptr) {
        throw WindowError(WindowsError("no window possible here") + "; try --headless");
    }
    state.dc = GetDC(state.window);
    PIXELFORMATDESCRIPTOR pixels{};
    pixels.nSize = sizeof pixels;
    pixels.nVersion = 1;
    pixels.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pixels.iPixelType = PFD_TYPE_RGBA;
    pixels.cColorBits = 32;
    pixels.cAlphaBits = 8;
    pixels.iLayerType = PFD_MAIN_PLANE;
    const int format = state.dc != nullptr ? ChoosePixelFormat(state.dc, &pixels) : 0;
    if (format == 0 || SetPixelFormat(state.dc, format, &pixels) == FALSE) {
        throw WindowError(WindowsError("no OpenGL pixel format for the window"));
    }
    state.gl = wglCreateContext(state.dc);
    if (state.gl == nullptr || wglMakeCurrent(state.dc, state.gl) == FALSE) {
        throw WindowError(WindowsError("cannot open an OpenGL context"));
    }
    // The game loop paces itself: a swap that waits for the display would hold up the updates.
    using SwapInterval = BOOL(WINAPI*)(int);
    if (auto* swapInterval = reinterpret_cast<SwapInterval>(
            reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")))) {
        swapInterval(0);
    }
    // Every OpenGL function, the frame's own and the backend's, comes through gl3w.
    if (gl3wInit() != 0) {
        throw WindowError("cannot load the functions of OpenGL 3");
    }
    ShowWindow(state.window, SW_SHOWDEFAULT);
    UpdateWindow(state.window);

    state.imguiWin32 = ImGui_ImplWin32_Init(state.window);
    state.imguiGl = state.imguiWin32 && ImGui_ImplOpenGL3_Init("#version 130");
    if (!state.imguiGl) {
        throw WindowError("Dear ImGui cannot draw with this OpenGL");
    }
    // From here on the window's messages reach the state and Dear ImGui.
    SetWindowLongPtrW(state.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
}

WindowSystem::~WindowSystem() = default;

double WindowSystem::FramesPerSecond() const {
    const int rate = GetDeviceCaps(state_->dc, VREFRESH);
    // 0 and 1 stand for the hardware's default rate.
    return rate > 1 ? std::clamp(rate, 30, 240) : 60.0;
}

WindowSystem::Events WindowSystem::HandleEvents(bool keysFree) {
    State& state = *state_;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (message.message == WM_QUIT) {
            state.closed = true;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Events events;
    events.quit = state.closed;
    for (const WPARAM key : state.pressed) {
        if (keysFree && key == VK_ESCAPE) {
            events.quit = true;
        } else if (keysFree && key == 'F') {
            events.toggleFreeplay = !events.toggleFreeplay;
        }
    }
    state.pressed.clear();
    return events;
}

std::optional<float> WindowSystem::HeldRoll(bool keysFree) {
    State& state = *state_;
    const bool left = keysFree && (state.down['Q'] || state.down[VK_LEFT]);
    const bool right = keysFree && (state.down['E'] || state.down[VK_RIGHT]);
    return RollFrom(left, right, state.ReadStick());
}

Vector2 WindowSystem::ViewSize() const {
    RECT client{};
    GetClientRect(state_->window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

// Without a manifest that says otherwise, Windows scales the window of a program like this one
// itself: its pixels are its coordinates.
Vector2 WindowSystem::PixelSize() const { return ViewSize(); }

void WindowSystem::NewFrame() {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplWin32_NewFrame();
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

void WindowSystem::Present() { SwapBuffers(state_->dc); }

} // namespace spinbeat_host
