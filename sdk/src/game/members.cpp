// The game objects' members a plugin built against these headers calls: each reads and writes the
// same value of the record as the Windows library's generated member of that name.
#include <string>

#include "../host-state.h"
#include "arena.h"

using pluginsdk::detail::ReadProperty;
using pluginsdk::detail::WriteProperty;

namespace {

template <typename T>
T Read(const void* self, std::string_view member, std::string_view name) {
    T value;
    ReadProperty(self, member, name, &value, sizeof value);
    return value;
}

template <typename T>
void Write(const void* self, std::string_view member, std::string_view name, const T& value) {
    WriteProperty(self, member, name, &value, sizeof value);
}

template <typename T>
T ObjectAt(const void* self, std::string_view member, std::string_view name) {
    return T(Read<std::uintptr_t>(self, member, name));
}

} // namespace

Vector ActorWrapper::GetLocation() { return Read<Vector>(this, "ActorWrapper::GetLocation()", "Location"); }

void ActorWrapper::SetLocation(Vector location) {
    Write(this, "ActorWrapper::SetLocation(Vector)", "Location", location);
}

Vector ActorWrapper::GetVelocity() { return Read<Vector>(this, "ActorWrapper::GetVelocity()", "Velocity"); }

void ActorWrapper::SetVelocity(Vector velocity) {
    Write(this, "ActorWrapper::SetVelocity(Vector)", "Velocity", velocity);
}

Rotator ActorWrapper::GetRotation() { return Read<Rotator>(this, "ActorWrapper::GetRotation()", "Rotation"); }

void ActorWrapper::SetRotation(Rotator rotation) {
    Write(this, "ActorWrapper::SetRotation(Rotator)", "Rotation", rotation);
}

Vector ActorWrapper::GetAngularVelocity() {
    return Read<Vector>(this, "ActorWrapper::GetAngularVelocity()", "AngularVelocity");
}

void ActorWrapper::SetAngularVelocity(Vector velocity, bool addToCurrent) {
    constexpr std::string_view member = "ActorWrapper::SetAngularVelocity(Vector, bool)";
    if (addToCurrent) {
        const Vector current = Read<Vector>(this, member, "AngularVelocity");
        velocity = {current.X + velocity.X, current.Y + velocity.Y, current.Z + velocity.Z};
    }
    Write(this, member, "AngularVelocity", velocity);
}

PriWrapper VehicleWrapper::GetPRI() { return ObjectAt<PriWrapper>(this, "VehicleWrapper::GetPRI()", "PRI"); }

std::string CarWrapper::GetOwnerName() {
    return pluginsdk::detail::ReadText(this, "CarWrapper::GetOwnerName()", "OwnerName");
}

void CarWrapper::SetCarColor(LinearColor primary, LinearColor secondary) {
    constexpr std::string_view member = "CarWrapper::SetCarColor(LinearColor, LinearColor)";
    Write(this, member, "PrimaryColor", primary);
    Write(this, member, "SecondaryColor", secondary);
}

BallWrapper ServerWrapper::GetBall() {
    return ObjectAt<BallWrapper>(this, "ServerWrapper::GetBall()", "Ball");
}

ServerWrapper GameWrapper::GetCurrentGameState() {
    return ServerWrapper(pluginsdk::detail::GameObject(this, "CurrentGameState"));
}

ServerWrapper GameWrapper::GetGameEventAsServer() {
    return ServerWrapper(pluginsdk::detail::GameObject(this, "GameEventAsServer"));
}

PlayerControllerWrapper GameWrapper::GetPlayerController() {
    return PlayerControllerWrapper(pluginsdk::detail::GameObject(this, "PlayerController"));
}
