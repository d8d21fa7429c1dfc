// The headless session script: `<ms> <command> [args]` per line, checked whole before it runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "bakkesmod/wrappers/values.h"

namespace spinbeat_host {

struct ScriptCommand {
    enum class Kind {
        Freeplay,
        Roll,
        Console,
        Size,
        Snapshot,
        Playtest,
        Quit,
        Event,
        Ball,
        Car,
        // Checks of what the plugins did by then.
        ExpectConsole,
        ExpectNoConsole,
        ExpectNoStop,
        ExpectCvar,
        ExpectDrawn,
    };

    int line = 0;
    // Session time, counted from the start.
    std::int64_t ms = 0;
    Kind kind = Kind::Quit;
    bool on = false;
    float roll = 0.0F;
    // The console text, the snapshot's name, the event's name, the text an expectation looks for,
    // or the variable's name.
    std::string text;
    // The value `expect cvar` wants.
    std::string value;
    Vector2 size;
    // Where a ball or car line puts it, in the game's units.
    Vector place;
};

// Far outside the arena, yet a number the game's floats hold whole: a larger one is a mistyped number.
inline constexpr float kMaxPlace = 1000000.0F;

// A script is commands a person wrote or a program made for one session: tens of thousands of lines
// fit in 1 MiB, and a larger file is not read into memory.
inline constexpr std::uintmax_t kMaxScriptBytes = std::uintmax_t{1} << 20;
// Longer than any command, console line included, that a player types.
inline constexpr std::size_t kMaxScriptLineBytes = 4096;
// A session runs on the real clock: a time past a day is a mistyped number, not a plan.
inline constexpr std::int64_t kMaxScriptMs = 24LL * 60 * 60 * 1000;

bool IsExpectation(ScriptCommand::Kind kind);
// An expectation as the script wrote it, for a message.
std::string Describe(const ScriptCommand& expectation);

// The commands in order, or a message that names the first bad line.
std::variant<std::vector<ScriptCommand>, std::string> ParseScript(std::string_view text);
// Reads the file, up to kMaxScriptBytes, and parses it; the message names the file.
std::variant<std::vector<ScriptCommand>, std::string> LoadScript(const std::filesystem::path& file);

} // namespace spinbeat_host
