// The free-play arena: the records behind the game objects a plugin reaches through the host's
// wrappers, and the members every wrapper of them shares.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bakkesmod/wrappers/values.h"

namespace pluginsdk::detail {

// One value of a game object as its members read and write it: the bytes of a number, a plain struct
// or another object's address, or a text.
struct Property {
    std::array<unsigned char, 32> bytes{};
    std::string text;
    std::wstring wide;
};

// A game object. Its address is the wrapper's memory_address, so every copy of a wrapper, every
// T(address) and every hook's caller lead to the one record. Read and written under RecordsLock.
struct Record {
    std::map<std::string, Property, std::less<>> properties;
    // An array's elements: objects' addresses, or numbers.
    std::vector<std::uintptr_t> elements;
};

// The player's car: its input first, where the car-input hook's caller and params find it.
struct CarState {
    ControllerInput input;
    Record record{};
};

class Arena {
public:
    Arena();
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // A car the host adds joins the game; the first is the player's, with the player's PRI.
    void AddCar(CarState& car);
    // The object a hooked function of the game runs on, for a hook's caller; 0 for none.
    std::uintptr_t CallerFor(std::string_view eventName, bool freeplay) const;

    std::uintptr_t Server() const { return Address(server_); }
    std::uintptr_t Ball() const { return Address(ball_); }
    std::uintptr_t Camera() const { return Address(camera_); }
    std::uintptr_t PlayerController() const { return Address(controller_); }
    std::uintptr_t LocalCar() const { return localCar_; }
    // Where the camera shows a place of the world on a canvas of `size`, in pixels; none for a place
    // behind it.
    std::optional<Vector2F> Project(Vector location, Vector2 size) const;
    // A session's placing of the ball or the player's car; the chase camera stays behind the car.
    void PlaceBall(Vector location);
    void PlaceCar(Vector location);
    Vector BallLocation() const;

    // One of the game's objects that are there in the menus too (the item database, the ranks, the
    // GUI manager, ...), by the name of the GameWrapper getter that hands it out.
    std::uintptr_t Service(std::string_view name);

    static std::uintptr_t Address(const Record& record) { return reinterpret_cast<std::uintptr_t>(&record); }

private:
    void Adopt(std::uintptr_t address, Record& record);
    // Puts the camera behind a car at `car`; the lock must be held, or the arena not yet shared.
    void Chase(Vector car);

    Record server_, ball_, pri_, playerName_, camera_, controller_, playlist_, boost_;
    std::array<Record, 2> goals_, teams_;
    std::array<Record, 2> teamNames_;
    Record cars_, pris_, goalList_, teamList_, balls_, players_;
    std::uintptr_t localCar_ = 0;
    std::vector<std::uintptr_t> adopted_;
    std::map<std::string, Record, std::less<>> services_;
};

// A camera's view: where a place of the world lands on a canvas of `size`, none behind the camera.
// `fov` is the horizontal field of view in degrees, as the game's.
std::optional<Vector2F> ProjectThrough(Vector camera, Rotator rotation, float fov, Vector location,
                                       Vector2 size);

// What the members of game objects do, for the written ones and the generated ones alike. `self`
// is the wrapper, whose first bytes are memory_address; `member` names the member for the report of a
// plugin stopped for a null object or an address that is no game object.
void ReadProperty(const void* self, std::string_view member, std::string_view name, void* out,
                  std::size_t size);
void WriteProperty(const void* self, std::string_view member, std::string_view name, const void* in,
                   std::size_t size);
std::string ReadText(const void* self, std::string_view member, std::string_view name);
void WriteText(const void* self, std::string_view member, std::string_view name, std::string text);
std::wstring ReadWideText(const void* self, std::string_view member, std::string_view name);
void WriteWideText(const void* self, std::string_view member, std::string_view name, std::wstring text);
// An ArrayWrapper's: a null array is an empty one, as the game's getters hand out for none.
int ArrayCount(const void* self, std::string_view member);
std::uintptr_t ArrayElement(const void* self, std::string_view member, int index);
// An UnrealStringWrapper's text; a null one reads empty.
std::string StringText(const void* self, std::string_view member);
std::wstring StringWideText(const void* self, std::string_view member);
// A GameWrapper's own getter: the object the game has for it in free play, 0 elsewhere.
std::uintptr_t GameObject(const void* self, std::string_view name);

} // namespace pluginsdk::detail
