// The host services a plugin sees: console variables, the game, cars, the canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct HostState;
struct CVarState;
struct CarState;
struct CanvasState;
} // namespace pluginsdk::detail

// ---------------------------------------------------------------------------
// Plain values
// ---------------------------------------------------------------------------

// Screen coordinates and sizes in whole pixels, origin at the top left.
struct Vector2 {
    std::int32_t X = 0;
    std::int32_t Y = 0;

    friend bool operator==(const Vector2&, const Vector2&) = default;
};

// One car's controls for one input update, laid out as the game passes them.
struct ControllerInput {
    float Throttle = 0.0F;
    float Steer = 0.0F;
    float Pitch = 0.0F;
    float Yaw = 0.0F;
    // Full deflection reads exactly 1.0 or -1.0.
    float Roll = 0.0F;
    float DodgeForward = 0.0F;
    float DodgeStrafe = 0.0F;
    std::uint32_t Buttons = 0;
};
static_assert(sizeof(ControllerInput) <= 32, "the game passes at most 32 bytes of input");
static_assert(offsetof(ControllerInput, Roll) == 16, "plugins read the roll axis at byte 16");

// ---------------------------------------------------------------------------
// Console variables
// ---------------------------------------------------------------------------

// A handle to one console variable; an empty handle converts to false.
class PLUGINSDK_API CVarWrapper {
public:
    using ChangeCallback = std::function<void(std::string oldValue, CVarWrapper cvar)>;

    CVarWrapper() = default;

    explicit operator bool() const { return state_ != nullptr; }
    bool IsNull() const { return state_ == nullptr; }

    std::string getCVarName() const;
    std::string getDescription() const;
    std::string getStringValue() const;
    // Text is parsed leniently: anything that is not a number reads as 0.
    bool getBoolValue() const;
    std::int32_t getIntValue() const;
    float getFloatValue() const;

    // Each setter clamps to the declared bounds, then runs every change callback.
    void setValue(int value);
    void setValue(float value);
    void setValue(const std::string& value);

    // The callback runs after every later change of the value, on the thread that changed it.
    void addOnValueChanged(ChangeCallback callback);

    // Made by the host only.
    CVarWrapper(std::shared_ptr<pluginsdk::detail::CVarState> state, std::uint64_t owner)
        : state_(std::move(state)), owner_(owner) {}

private:
    std::shared_ptr<pluginsdk::detail::CVarState> state_;
    // The plugin whose callbacks this handle adds; 0 for the host's own handles.
    std::uint64_t owner_ = 0;
};

// One plugin's access to the console: its variables and its log lines.
class PLUGINSDK_API CVarManagerWrapper {
public:
    CVarManagerWrapper(pluginsdk::detail::HostState* host, std::uint64_t owner)
        : host_(host), owner_(owner) {}

    // Registering a name that exists already returns the existing variable unchanged.
    CVarWrapper registerCvar(const std::string& name, const std::string& defaultValue,
                             const std::string& description = "", bool searchable = true, bool hasMin = false,
                             float min = 0.0F, bool hasMax = false, float max = 0.0F,
                             bool saveToConfig = true);
    CVarWrapper getCvar(const std::string& name);
    // One console line, written as given.
    void log(const std::string& text);

private:
    pluginsdk::detail::HostState* host_;
    std::uint64_t owner_;
};

// ---------------------------------------------------------------------------
// The game
// ---------------------------------------------------------------------------

// A handle to a car in the running game.
class PLUGINSDK_API CarWrapper {
public:
    explicit CarWrapper(const pluginsdk::detail::CarState* car) : car_(car) {}

    explicit operator bool() const { return car_ != nullptr; }
    ControllerInput GetInput() const;

private:
    const pluginsdk::detail::CarState* car_;
};

// The frame a drawable paints on: a pen position, a colour and boxes.
class PLUGINSDK_API CanvasWrapper {
public:
    explicit CanvasWrapper(pluginsdk::detail::CanvasState* canvas) : canvas_(canvas) {}

    Vector2 GetSize() const;
    void SetPosition(Vector2 position);
    void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    void FillBox(Vector2 size);
    void DrawBox(Vector2 size);

private:
    pluginsdk::detail::CanvasState* canvas_;
};

// One plugin's access to the game: event hooks, drawables and the game thread.
class PLUGINSDK_API GameWrapper {
public:
    template <typename Caller>
    using EventCallback = std::function<void(Caller caller, void* params, const std::string& eventName)>;
    using DrawableCallback = std::function<void(CanvasWrapper canvas)>;
    using Task = std::function<void(GameWrapper* game)>;

    GameWrapper(pluginsdk::detail::HostState* host, std::uint64_t owner) : host_(host), owner_(owner) {}

    // The callback runs on the game thread each time the game runs the named function.
    template <typename Caller>
    void HookEventWithCaller(const std::string& eventName, EventCallback<Caller> callback) {
        static_assert(std::is_same_v<Caller, CarWrapper>, "the host passes cars as callers");
        HookCarEvent(eventName, std::move(callback));
    }
    // Removes this plugin's hooks on the named function; other plugins keep theirs.
    void UnhookEvent(const std::string& eventName);

    // The callback runs once for every drawn frame, on the thread that draws.
    void RegisterDrawable(DrawableCallback callback);
    // Removes this plugin's drawables; other plugins keep theirs.
    void UnregisterDrawables();

    bool IsInFreeplay() const;
    std::filesystem::path GetDataFolder() const;

    // Queues the task; the host runs it once, on the game thread, at its next tick.
    void Execute(Task task);

private:
    void HookCarEvent(const std::string& eventName, EventCallback<CarWrapper> callback);

    pluginsdk::detail::HostState* host_;
    std::uint64_t owner_;
};
