// A plugin developer's view of the host's SDK, written from the facts of its interface and nothing of
// ours: the few classes and members the plugin below uses, with the host's layouts and names.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#define HOST_API __declspec(dllimport)

struct Vector2F {
    float X, Y;
};
struct LinearColor {
    float R, G, B, A;
    LinearColor() = default;
    LinearColor(float r, float g, float b, float a) : R(r), G(g), B(b), A(a) {}
};
struct Vector {
    float X, Y, Z;
};
struct ControllerInput {
    float Throttle, Steer, Pitch, Yaw, Roll, DodgeForward, DodgeStrafe;
    unsigned long Handbrake : 1, Jump : 1, ActivateBoost : 1, HoldingBoost : 1, Jumped : 1;
};

// Held through the host's shared pointers only: the plugin never copies or releases one itself.
class CVarManagerWrapper {
public:
    HOST_API void log(std::string text);
    HOST_API void registerNotifier(std::string name, std::function<void(std::vector<std::string>)> notifier,
                                   std::string description, unsigned char permissions);
    HOST_API void executeCommand(std::string command, bool log = true);

private:
    void* impl_;
};

// The game's objects, each class a pointer more than its base; a text and an array are one pointer.
class UnrealStringWrapper {
public:
    HOST_API UnrealStringWrapper(const UnrealStringWrapper&);
    HOST_API ~UnrealStringWrapper();
    HOST_API std::string ToString();

private:
    void* impl_;
};
template <typename T>
class ArrayWrapper {
public:
    HOST_API ArrayWrapper(const ArrayWrapper&);
    HOST_API ~ArrayWrapper();
    HOST_API int Count();
    HOST_API T Get(int index);

private:
    void* impl_;
};

class ObjectWrapper {
public:
    std::uintptr_t memory_address;
};
class ActorWrapper : public ObjectWrapper {
public:
    HOST_API explicit ActorWrapper(std::uintptr_t address);
    HOST_API ActorWrapper(const ActorWrapper&);
    HOST_API ~ActorWrapper();
    HOST_API bool IsNull();
    HOST_API Vector GetLocation();
    HOST_API void SetLocation(Vector location);

protected:
    void* actor_;
};
class RBActorWrapper : public ActorWrapper {
protected:
    void* rbActor_;
};
class PlayerReplicationInfoWrapper : public ActorWrapper {
public:
    HOST_API UnrealStringWrapper GetPlayerName();
    HOST_API unsigned char GetTeamNum();

protected:
    void* replication_;
};
class PriXWrapper : public PlayerReplicationInfoWrapper {
protected:
    void* priX_;
};
class PriWrapper : public PriXWrapper {
public:
    HOST_API PriWrapper(const PriWrapper&);
    HOST_API ~PriWrapper();

private:
    void* pri_;
};
class VehicleWrapper : public RBActorWrapper {
public:
    HOST_API PriWrapper GetPRI();

protected:
    void* vehicle_;
};
class CarWrapper : public VehicleWrapper {
public:
    HOST_API CarWrapper(const CarWrapper&);
    HOST_API ~CarWrapper();
    HOST_API ControllerInput GetInput();
    HOST_API void Demolish();

private:
    void* car_;
};
class BallWrapper : public RBActorWrapper {
public:
    HOST_API explicit BallWrapper(std::uintptr_t address);
    HOST_API BallWrapper(const BallWrapper&);
    HOST_API ~BallWrapper();

private:
    void* ball_;
};
class GoalWrapper : public ObjectWrapper {
public:
    HOST_API GoalWrapper(const GoalWrapper&);
    HOST_API ~GoalWrapper();
    HOST_API Vector GetLocation();

private:
    void* goal_;
};
class GameEventWrapper : public ActorWrapper {
public:
    HOST_API ArrayWrapper<CarWrapper> GetCars();
    HOST_API ArrayWrapper<PriWrapper> GetPRIs();

protected:
    void* gameEvent_;
};
class TeamGameEventWrapper : public GameEventWrapper {
protected:
    void* teamGameEvent_;
};
class ServerWrapper : public TeamGameEventWrapper {
public:
    HOST_API ServerWrapper(const ServerWrapper&);
    HOST_API ~ServerWrapper();
    HOST_API BallWrapper GetBall();
    HOST_API ArrayWrapper<GoalWrapper> GetGoals();

private:
    void* server_;
};
static_assert(sizeof(CarWrapper) == 40 && sizeof(ControllerInput) == 32 && sizeof(ServerWrapper) == 40 &&
              sizeof(BallWrapper) == 32 && sizeof(PriWrapper) == 40 && sizeof(GoalWrapper) == 16);

class CanvasWrapper {
public:
    HOST_API CanvasWrapper(const CanvasWrapper&);
    HOST_API ~CanvasWrapper();
    HOST_API void SetPosition(Vector2F pos);
    HOST_API void SetColor(LinearColor color);
    HOST_API void DrawString(std::string text, float xScale, float yScale);

private:
    void* impl_;
};

class GameWrapper {
public:
    HOST_API void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);
    template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    HOST_API void
    HookEventWithCaller(std::string eventName,
                        std::function<void(T caller, void* params, std::string eventName)> callback);
    HOST_API void SetTimeout(std::function<void(GameWrapper*)> task, float seconds);
    HOST_API void RegisterDrawable(std::function<void(CanvasWrapper canvas)> callback);
    HOST_API CarWrapper GetLocalCar();
    HOST_API ServerWrapper GetCurrentGameState();

private:
    void* impl_;
};

namespace BakkesMod::Plugin {
class __declspec(dllexport) BakkesModPlugin {
public:
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;
    virtual void onLoad() {}
    virtual void onUnload() {}
};
} // namespace BakkesMod::Plugin
