// The headless session script: `<ms> <command> [args]` per line, checked whole before it runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "bakkesmod/wrappers/values.h"

namespace spinbeat_host {

struct ScriptCommand {
    enum class Kind { Freeplay, Roll, Console, Size, Snapshot, Playtest, Quit };

    int line = 0;
    // Session time, counted from the start.
    std::int64_t ms = 0;
    Kind kind = Kind::Quit;
    bool on = false;
    float roll = 0.0F;
    // The console text, or the snapshot's name.
    std::string text;
    Vector2 size;
};

// The commands in order, or a message that names the first bad line.
std::variant<std::vector<ScriptCommand>, std::string> ParseScript(std::string_view text);

} // namespace spinbeat_host
