// The game's objects: each class a chain down to the game object's address, a car the longest one.
#pragma once

#include <cstdint>
#include <string>

#include "bakkesmod/wrappers/values.h"
#include "pluginsdk/api.h"

// Every game object is made from the game object's address, and copied, assigned and released by the
// library, never inline.
class ObjectWrapper {
public:
    PLUGINSDK_API explicit ObjectWrapper(std::uintptr_t mem);

    // The game object; 0 for none, as in the menus.
    std::uintptr_t memory_address;
};

// Each class of a chain adds a pointer the host may keep state in. The stand-in reads everything from
// the game object and leaves them empty.
class ActorWrapper : public ObjectWrapper {
public:
    PLUGINSDK_API explicit ActorWrapper(std::uintptr_t mem);
    PLUGINSDK_API ActorWrapper(const ActorWrapper& other);
    PLUGINSDK_API ActorWrapper& operator=(ActorWrapper other);
    PLUGINSDK_API ~ActorWrapper();

    // True for no game object: a plugin tests a getter's result before it uses it.
    PLUGINSDK_API bool IsNull();
    PLUGINSDK_API bool IsNull() const;
    PLUGINSDK_API explicit operator bool();
    PLUGINSDK_API explicit operator bool() const;

    // Where it is and how it moves, in the game's units. No physics: what is set is read back.
    PLUGINSDK_API Vector GetLocation();
    PLUGINSDK_API void SetLocation(Vector location);
    PLUGINSDK_API Vector GetVelocity();
    PLUGINSDK_API void SetVelocity(Vector velocity);
    PLUGINSDK_API Rotator GetRotation();
    PLUGINSDK_API void SetRotation(Rotator rotation);
    PLUGINSDK_API Vector GetAngularVelocity();
    PLUGINSDK_API void SetAngularVelocity(Vector velocity, bool addToCurrent);

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

class PriWrapper;
class BallWrapper;

class VehicleWrapper : public RBActorWrapper {
public:
    PLUGINSDK_API explicit VehicleWrapper(std::uintptr_t mem);
    PLUGINSDK_API VehicleWrapper(const VehicleWrapper& other);
    PLUGINSDK_API VehicleWrapper& operator=(VehicleWrapper other);
    PLUGINSDK_API ~VehicleWrapper();

    // The player driving it.
    PLUGINSDK_API PriWrapper GetPRI();

private:
    void* vehicleState_ = nullptr;
};

// A car in the running game.
class CarWrapper : public VehicleWrapper {
public:
    PLUGINSDK_API explicit CarWrapper(std::uintptr_t mem);
    PLUGINSDK_API CarWrapper(const CarWrapper& other);
    PLUGINSDK_API CarWrapper& operator=(CarWrapper other);
    PLUGINSDK_API ~CarWrapper();

    PLUGINSDK_API ControllerInput GetInput();
    PLUGINSDK_API std::string GetOwnerName();
    // Paints the car; each colour is kept as the car's, for a plugin to read back.
    PLUGINSDK_API void SetCarColor(LinearColor primary, LinearColor secondary);

private:
    void* carState_ = nullptr;
};

// The other callers the game hands hooks, and the objects the game's getters return. The stand-in
// host's game has none of these but through an address a plugin gives it: each is a null object
// unless made from one.
class BallWrapper : public RBActorWrapper {
public:
    PLUGINSDK_API explicit BallWrapper(std::uintptr_t mem);
    PLUGINSDK_API BallWrapper(const BallWrapper& other);
    PLUGINSDK_API BallWrapper& operator=(BallWrapper other);
    PLUGINSDK_API ~BallWrapper();

private:
    void* ballState_ = nullptr;
};

class CarComponentWrapper : public ActorWrapper {
public:
    PLUGINSDK_API explicit CarComponentWrapper(std::uintptr_t mem);
    PLUGINSDK_API CarComponentWrapper(const CarComponentWrapper& other);
    PLUGINSDK_API CarComponentWrapper& operator=(CarComponentWrapper other);
    PLUGINSDK_API ~CarComponentWrapper();

private:
    void* componentState_ = nullptr;
};

class ControllerWrapper : public ActorWrapper {
public:
    PLUGINSDK_API explicit ControllerWrapper(std::uintptr_t mem);
    PLUGINSDK_API ControllerWrapper(const ControllerWrapper& other);
    PLUGINSDK_API ControllerWrapper& operator=(ControllerWrapper other);
    PLUGINSDK_API ~ControllerWrapper();

private:
    void* controllerState_ = nullptr;
};

class PlayerControllerWrapper : public ControllerWrapper {
public:
    PLUGINSDK_API explicit PlayerControllerWrapper(std::uintptr_t mem);
    PLUGINSDK_API PlayerControllerWrapper(const PlayerControllerWrapper& other);
    PLUGINSDK_API PlayerControllerWrapper& operator=(PlayerControllerWrapper other);
    PLUGINSDK_API ~PlayerControllerWrapper();

private:
    void* playerControllerState_ = nullptr;
};

class PlayerReplicationInfoWrapper : public ActorWrapper {
public:
    PLUGINSDK_API explicit PlayerReplicationInfoWrapper(std::uintptr_t mem);
    PLUGINSDK_API PlayerReplicationInfoWrapper(const PlayerReplicationInfoWrapper& other);
    PLUGINSDK_API PlayerReplicationInfoWrapper& operator=(PlayerReplicationInfoWrapper other);
    PLUGINSDK_API ~PlayerReplicationInfoWrapper();

private:
    void* replicationState_ = nullptr;
};

class PriXWrapper : public PlayerReplicationInfoWrapper {
public:
    PLUGINSDK_API explicit PriXWrapper(std::uintptr_t mem);
    PLUGINSDK_API PriXWrapper(const PriXWrapper& other);
    PLUGINSDK_API PriXWrapper& operator=(PriXWrapper other);
    PLUGINSDK_API ~PriXWrapper();

private:
    void* priXState_ = nullptr;
};

class PriWrapper : public PriXWrapper {
public:
    PLUGINSDK_API explicit PriWrapper(std::uintptr_t mem);
    PLUGINSDK_API PriWrapper(const PriWrapper& other);
    PLUGINSDK_API PriWrapper& operator=(PriWrapper other);
    PLUGINSDK_API ~PriWrapper();

private:
    void* priState_ = nullptr;
};

class GameEventWrapper : public ActorWrapper {
public:
    PLUGINSDK_API explicit GameEventWrapper(std::uintptr_t mem);
    PLUGINSDK_API GameEventWrapper(const GameEventWrapper& other);
    PLUGINSDK_API GameEventWrapper& operator=(GameEventWrapper other);
    PLUGINSDK_API ~GameEventWrapper();

private:
    void* gameEventState_ = nullptr;
};

class TeamGameEventWrapper : public GameEventWrapper {
public:
    PLUGINSDK_API explicit TeamGameEventWrapper(std::uintptr_t mem);
    PLUGINSDK_API TeamGameEventWrapper(const TeamGameEventWrapper& other);
    PLUGINSDK_API TeamGameEventWrapper& operator=(TeamGameEventWrapper other);
    PLUGINSDK_API ~TeamGameEventWrapper();

private:
    void* teamGameEventState_ = nullptr;
};

class ServerWrapper : public TeamGameEventWrapper {
public:
    PLUGINSDK_API explicit ServerWrapper(std::uintptr_t mem);
    PLUGINSDK_API ServerWrapper(const ServerWrapper& other);
    PLUGINSDK_API ServerWrapper& operator=(ServerWrapper other);
    PLUGINSDK_API ~ServerWrapper();

    PLUGINSDK_API BallWrapper GetBall();

private:
    void* serverState_ = nullptr;
};

static_assert(sizeof(ObjectWrapper) == 8 && sizeof(ActorWrapper) == 16 && sizeof(CarWrapper) == 40 &&
              sizeof(BallWrapper) == 32 && sizeof(CarComponentWrapper) == 24 &&
              sizeof(PlayerControllerWrapper) == 32 && sizeof(PriWrapper) == 40 &&
              sizeof(ServerWrapper) == 40);
static_assert(!std::is_trivially_copyable_v<CarWrapper>);
