// The host services a plugin sees: console variables, the game, cars, the canvas. Every declaration
// here has the host's binary interface: a plugin built against it imports exactly the names the
// host's pluginsdk.dll exports, and the handles have the host's sizes and layouts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>

#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct CVarHandle;
struct PluginLink;
struct CanvasState;
struct Handles;
} // namespace pluginsdk::detail

static_assert(sizeof(void*) == 8, "the host is a 64-bit program");

// ---------------------------------------------------------------------------
// Plain values
// ---------------------------------------------------------------------------

// Screen coordinates and sizes in whole pixels, origin at the top left. Trivially copyable: passed
// in a register.
struct Vector2 {
    int X = 0;
    int Y = 0;

    friend bool operator==(const Vector2&, const Vector2&) = default;
};
static_assert(sizeof(Vector2) == 8 && std::is_trivially_copyable_v<Vector2>);

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
    unsigned long Handbrake : 1 = 0;
    unsigned long Jump : 1 = 0;
    unsigned long ActivateBoost : 1 = 0;
    unsigned long HoldingBoost : 1 = 0;
    unsigned long Jumped : 1 = 0;
};
static_assert(sizeof(ControllerInput) == 32, "the game passes 32 bytes of input");
static_assert(offsetof(ControllerInput, Roll) == 16, "plugins read the roll axis at byte 16");

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------
// A handle is one pointer to the host's own state (a car: the game object's address and a pointer
// for each class of its chain). Copies, assignments and releases go through the library, never
// inline: a handle is not trivially copyable, so both sides pass and return it through a pointer.
// There are no move members: a handle is always copied.

// A handle to one console variable; a handle to no variable converts to false.
class CVarWrapper {
public:
    PLUGINSDK_API CVarWrapper(const CVarWrapper& other);
    PLUGINSDK_API CVarWrapper& operator=(CVarWrapper other);
    PLUGINSDK_API ~CVarWrapper();

    PLUGINSDK_API std::string getCVarName();
    PLUGINSDK_API std::string getDescription();
    PLUGINSDK_API std::string getStringValue();
    // Text is read leniently: anything that is not a number reads as 0.
    PLUGINSDK_API bool getBoolValue();
    PLUGINSDK_API int getIntValue();
    PLUGINSDK_API float getFloatValue();

    // Each setter clamps to the declared bounds, then runs every change callback.
    PLUGINSDK_API void setValue(int value);
    PLUGINSDK_API void setValue(float value);
    PLUGINSDK_API void setValue(std::string value);

    // The callback runs after every later change of the value, on the thread that changed it.
    PLUGINSDK_API void
    addOnValueChanged(std::function<void(std::string oldValue, CVarWrapper cvar)> callback);

    PLUGINSDK_API bool IsNull();
    PLUGINSDK_API explicit operator bool();

private:
    friend struct pluginsdk::detail::Handles;
    explicit CVarWrapper(pluginsdk::detail::CVarHandle* handle) noexcept : handle_(handle) {}

    // Owned: null for no variable.
    pluginsdk::detail::CVarHandle* handle_;
};

// One plugin's access to the console: its variables and its log lines.
class CVarManagerWrapper {
public:
    PLUGINSDK_API CVarManagerWrapper(const CVarManagerWrapper& other);
    PLUGINSDK_API CVarManagerWrapper& operator=(CVarManagerWrapper other);
    PLUGINSDK_API ~CVarManagerWrapper();

    // Registering a name that exists already returns the existing variable unchanged.
    PLUGINSDK_API CVarWrapper registerCvar(std::string name, std::string defaultValue,
                                           std::string description = "", bool searchable = true,
                                           bool hasMin = false, float min = 0.0F, bool hasMax = false,
                                           float max = 0.0F, bool saveToConfig = true);
    PLUGINSDK_API CVarWrapper getCvar(std::string name);
    // One console line, written as given.
    PLUGINSDK_API void log(std::string text);

private:
    friend struct pluginsdk::detail::Handles;
    explicit CVarManagerWrapper(pluginsdk::detail::PluginLink* link) noexcept : link_(link) {}

    // Owned.
    pluginsdk::detail::PluginLink* link_;
};

// ---------------------------------------------------------------------------
// The game's objects: a car is a class chain down to the game object's address
// ---------------------------------------------------------------------------

class ObjectWrapper {
public:
    PLUGINSDK_API explicit ObjectWrapper(std::uintptr_t mem);

    // The game object.
    std::uintptr_t memory_address;
};

// Each class of the chain has a pointer of its own that the host may keep state in. The stand-in
// reads everything from the game object and leaves them empty.
class ActorWrapper : public ObjectWrapper {
public:
    PLUGINSDK_API explicit ActorWrapper(std::uintptr_t mem);
    PLUGINSDK_API ActorWrapper(const ActorWrapper& other);
    PLUGINSDK_API ActorWrapper& operator=(ActorWrapper other);
    // NOLINTNEXTLINE(performance-trivially-destructible): the host's library releases its handles.
    PLUGINSDK_API ~ActorWrapper();

private:
    void* actorState_ = nullptr;
};

class RBActorWrapper : public ActorWrapper {
public:
    PLUGINSDK_API explicit RBActorWrapper(std::uintptr_t mem);
    PLUGINSDK_API RBActorWrapper(const RBActorWrapper& other);
    PLUGINSDK_API RBActorWrapper& operator=(RBActorWrapper other);
    PLUGINSDK_API ~RBActorWrapper();

private:
    void* rbActorState_ = nullptr;
};

class VehicleWrapper : public RBActorWrapper {
public:
    PLUGINSDK_API explicit VehicleWrapper(std::uintptr_t mem);
    PLUGINSDK_API VehicleWrapper(const VehicleWrapper& other);
    PLUGINSDK_API VehicleWrapper& operator=(VehicleWrapper other);
    PLUGINSDK_API ~VehicleWrapper();

private:
    void* vehicleState_ = nullptr;
};

// A handle to a car in the running game.
class CarWrapper : public VehicleWrapper {
public:
    // `mem` is the car's game object.
    PLUGINSDK_API explicit CarWrapper(std::uintptr_t mem);
    PLUGINSDK_API CarWrapper(const CarWrapper& other);
    PLUGINSDK_API CarWrapper& operator=(CarWrapper other);
    PLUGINSDK_API ~CarWrapper();

    PLUGINSDK_API ControllerInput GetInput();

private:
    void* carState_ = nullptr;
};

// The frame a drawable paints on: a pen position, a colour and boxes.
class CanvasWrapper {
public:
    // `mem` is the host's canvas.
    PLUGINSDK_API explicit CanvasWrapper(std::uintptr_t mem);
    PLUGINSDK_API CanvasWrapper(const CanvasWrapper& other);
    PLUGINSDK_API CanvasWrapper& operator=(CanvasWrapper other);
    // NOLINTNEXTLINE(performance-trivially-destructible): the host's library releases its handles.
    PLUGINSDK_API ~CanvasWrapper();

    PLUGINSDK_API Vector2 GetSize();
    PLUGINSDK_API void SetPosition(Vector2 pos);
    // Channels 0 to 255, as the bytes of a char.
    PLUGINSDK_API void SetColor(char red, char green, char blue, char alpha);
    PLUGINSDK_API void FillBox(Vector2 box);
    PLUGINSDK_API void DrawBox(Vector2 box);

private:
    // Not owned: the canvas lives for the frame.
    pluginsdk::detail::CanvasState* canvas_;
};

// One plugin's access to the game: event hooks, drawables and the game thread.
class GameWrapper {
public:
    PLUGINSDK_API GameWrapper(const GameWrapper& other);
    PLUGINSDK_API GameWrapper& operator=(GameWrapper other);
    PLUGINSDK_API ~GameWrapper();

    // The callback runs on the game thread each time the game runs the named function. The library
    // has it for the callers the game passes (cars); a plugin sees only this declaration.
    template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    PLUGINSDK_API void
    HookEventWithCaller(std::string eventName,
                        std::function<void(T caller, void* params, std::string eventName)> callback);
    // Removes this plugin's hooks on the named function; other plugins keep theirs.
    PLUGINSDK_API void UnhookEvent(std::string eventName);

    // The callback runs once for every drawn frame, on the thread that draws.
    PLUGINSDK_API void RegisterDrawable(std::function<void(CanvasWrapper canvas)> callback);
    // Removes this plugin's drawables; other plugins keep theirs.
    PLUGINSDK_API void UnregisterDrawables();

    PLUGINSDK_API bool IsInFreeplay();
    PLUGINSDK_API std::filesystem::path GetDataFolder();

    // Queues the task; the host runs it once, on the game thread, at its next tick.
    PLUGINSDK_API void Execute(std::function<void(GameWrapper* game)> task);

private:
    friend struct pluginsdk::detail::Handles;
    explicit GameWrapper(pluginsdk::detail::PluginLink* link) noexcept : link_(link) {}

    // Owned.
    pluginsdk::detail::PluginLink* link_;
};

extern template PLUGINSDK_API void GameWrapper::HookEventWithCaller<CarWrapper>(
    std::string eventName,
    std::function<void(CarWrapper caller, void* params, std::string eventName)> callback);

static_assert(sizeof(CVarWrapper) == 8 && sizeof(CVarManagerWrapper) == 8 && sizeof(GameWrapper) == 8 &&
              sizeof(CanvasWrapper) == 8);
static_assert(sizeof(CarWrapper) == 40);
static_assert(!std::is_trivially_copyable_v<CVarWrapper> && !std::is_trivially_copyable_v<CarWrapper> &&
              !std::is_trivially_copyable_v<CanvasWrapper>);
