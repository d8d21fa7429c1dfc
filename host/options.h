// The command line of spinbeat-host.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "bakkesmod/wrappers/values.h"

namespace spinbeat_host {

struct Options {
    enum class Mode { Window, Headless, Help, Imports };
    Mode mode = Mode::Window;
    // Imports mode: the module to read.
    std::filesystem::path module;
    // The modules a session loads, in order.
    std::vector<std::filesystem::path> modules;
    // Where `plugin load NAME` looks besides the loaded modules' folders.
    std::optional<std::filesystem::path> plugins;
    std::filesystem::path data;
    // No file: nothing is loaded or saved.
    std::optional<std::filesystem::path> config;
    // Headless mode.
    std::filesystem::path script;
    std::filesystem::path out;
    // Window mode: a picture of the last of `frames` frames, then exit.
    std::optional<std::filesystem::path> screenshot;
    int frames = 60;
    Vector2 windowSize{1280, 720};
    // Held from the start, as if a stick rested there.
    float roll = 0.0F;
    bool freeplay = true;
};

std::string Usage();

// `args` without the program name. `programDir` is where the built module and data folder are
// looked for by default; `defaultConfig` is the window mode's config file unless one is given.
// Returns the options, or the message to print.
std::variant<Options, std::string> ParseOptions(std::span<const std::string> args,
                                                const std::filesystem::path& programDir,
                                                const std::filesystem::path& defaultConfig);

} // namespace spinbeat_host
