// The plain values the host's members take and return: screen points, colours, a car's controls.
#pragma once

#include <cstddef>
#include <type_traits>

// Screen coordinates and sizes in whole pixels, origin at the top left. Trivially copyable: passed
// in a register.
struct Vector2 {
    int X = 0;
    int Y = 0;

    friend bool operator==(const Vector2&, const Vector2&) = default;
};
static_assert(sizeof(Vector2) == 8 && std::is_trivially_copyable_v<Vector2>);

// The same in fractions of a pixel. A braced pair fits both this and Vector2, so a call with one is
// ambiguous wherever a member takes either: name the type.
struct Vector2F {
    float X = 0.0F;
    float Y = 0.0F;

    friend bool operator==(const Vector2F&, const Vector2F&) = default;
};
static_assert(sizeof(Vector2F) == 8 && std::is_trivially_copyable_v<Vector2F>);

// A colour, each channel 0 to 255 where the host turns it into one.
struct LinearColor {
    float R = 0.0F;
    float G = 0.0F;
    float B = 0.0F;
    float A = 0.0F;

    LinearColor() = default;
    LinearColor(float r, float g, float b, float a) : R(r), G(g), B(b), A(a) {}

    friend bool operator==(const LinearColor&, const LinearColor&) = default;
};
static_assert(sizeof(LinearColor) == 16 && std::is_trivially_copyable_v<LinearColor>);

// A place or a direction in the game's world, in its units (1 uu = 1 cm): x across the field, y along
// it, z up.
struct Vector {
    float X = 0.0F;
    float Y = 0.0F;
    float Z = 0.0F;

    friend bool operator==(const Vector&, const Vector&) = default;
};
static_assert(sizeof(Vector) == 12 && std::is_trivially_copyable_v<Vector>);

// An orientation in the game's units, 65,536 to a turn.
struct Rotator {
    int Pitch = 0;
    int Yaw = 0;
    int Roll = 0;

    friend bool operator==(const Rotator&, const Rotator&) = default;
};
static_assert(sizeof(Rotator) == 12 && std::is_trivially_copyable_v<Rotator>);

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
