// The command line of spinbeat-host, described to CLI11: its options, their checks and the usage text.
#include "options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host-platform.h"
#include "parse-number.h"

namespace spinbeat_host {

namespace {

constexpr int kMaxSide = 8192;
constexpr std::int64_t kMaxFrames = 1'000'000;

std::optional<Vector2> ParseSize(std::string_view text) {
    const auto cross = text.find('x');
    if (cross == std::string_view::npos) {
        return std::nullopt;
    }
    const auto width = ParseInteger(text.substr(0, cross));
    const auto height = ParseInteger(text.substr(cross + 1));
    if (!width || !height || *width < 1 || *height < 1 || *width > kMaxSide || *height > kMaxSide) {
        return std::nullopt;
    }
    return Vector2{static_cast<std::int32_t>(*width), static_cast<std::int32_t>(*height)};
}

// A value CLI11 has read and spinbeat-host refuses: the message is shown as it is.
[[noreturn]] void Refuse(const std::string& message) { throw CLI::ValidationError(message); }

// An empty name is the program itself to the module loader, the working folder to a path, and no
// file at all to a stream: never what a player meant.
CLI::Option* Named(CLI::Option* option) {
    return option->check(CLI::Validator(
        [](const std::string& text) {
            return text.empty() ? std::string("needs a name, not an empty one") : "";
        },
        ""));
}

// An argument as a message shows it: on one line, and at most one line long.
std::string Shown(std::string_view argument) {
    constexpr std::size_t kMaxShown = 80;
    std::string shown(argument.substr(0, kMaxShown));
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return argument.size() > kMaxShown ? shown + "..." : shown;
}

// Every option of both modes. CLI11 writes `options` as it reads the command line; `headless` says
// whether --headless was given.
void Describe(CLI::App& app, Options& options, bool& headless) {
    app.description("Loads the Spinbeat plugin module as the game's host does and runs a practice "
                    "session: in a window, or headless from a script.");
    // As given last, like most programs' options.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    Named(app.add_option("--module", options.modules,
                         std::string("plugin module, loaded in the order given; once for each of several "
                                     "(default: the built ") +
                             ModuleFileName() + ")"))
        ->type_name("PATH")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    Named(app.add_option_function<std::string>(
              "--plugins", [&](const std::string& folder) { options.plugins = folder; },
              "folder where the console's `plugin load NAME` finds NAME's module, besides the loaded "
              "modules' folders"))
        ->type_name("DIR");
    Named(app.add_option("--data", options.data, "data folder handed to the plugin (default: the built one)"))
        ->type_name("DIR");
    Named(app.add_option_function<std::string>(
              "--config", [&](const std::string& file) { options.config = file; },
              "configuration file, loaded after the plugin starts and saved at exit"))
        ->type_name("FILE");
    app.add_flag_callback(
        "--no-freeplay", [&] { options.freeplay = false; }, "start outside free play");

    const std::string window = "Window";
    app.add_option_function<std::string>(
           "--size",
           [&](const std::string& text) {
               const auto size = ParseSize(text);
               if (!size) {
                   Refuse("--size needs WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSide));
               }
               options.windowSize = *size;
           },
           "window size (default 1280x720)")
        ->type_name("WxH")
        ->group(window);
    app.add_option_function<std::string>(
           "--roll",
           [&](const std::string& text) {
               const auto roll = ParseFloat(text);
               if (!roll || *roll < -1.0F || *roll > 1.0F) {
                   Refuse("--roll needs a number from -1.0 to 1.0");
               }
               options.roll = *roll;
           },
           "roll held from the start, -1.0 to 1.0 (default 0)")
        ->type_name("R")
        ->group(window);
    Named(app.add_option_function<std::string>(
              "--screenshot", [&](const std::string& file) { options.screenshot = file; },
              "write a PNG of the window after --frames N frames, then exit"))
        ->type_name("FILE")
        ->group(window);
    app.add_option_function<std::string>(
           "--frames",
           [&](const std::string& text) {
               const auto frames = ParseInteger(text);
               if (!frames || *frames < 1 || *frames > kMaxFrames) {
                   Refuse("--frames needs a whole number of frames, 1 or more");
               }
               options.frames = static_cast<int>(*frames);
           },
           "frames before the screenshot (default 60)")
        ->type_name("N")
        ->group(window);

    app.add_option_function<std::string>(
           "--imports",
           [&](const std::string& file) {
               options.module = file;
               options.mode = Options::Mode::Imports;
           },
           "say what the module FILE imports from pluginsdk.dll that spinbeat-host does not implement, "
           "without running it, and exit")
        ->type_name("FILE");

    const std::string script = "Headless";
    app.add_flag("--headless", headless, "run a scripted session without a window; needs --script and --out")
        ->group(script);
    Named(app.add_option("--script", options.script, "the session script"))->type_name("FILE")->group(script);
    Named(app.add_option("--out", options.out, "folder for the session's outputs"))
        ->type_name("DIR")
        ->group(script);
}

} // namespace

std::string Usage() {
    CLI::App app("", "spinbeat-host");
    Options options;
    bool headless = false;
    Describe(app, options, headless);
    return app.help();
}

std::variant<Options, std::string> ParseOptions(std::span<const std::string> args,
                                                const std::filesystem::path& programDir,
                                                const std::filesystem::path& defaultConfig) {
    Options options;
    options.data = programDir / "data";
    bool headless = false;
    CLI::App app("", "spinbeat-host");
    Describe(app, options, headless);
    // Arguments CLI11 cannot place are named one by one, the first of them, in the order given.
    app.allow_extras();
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::Success&) {
        options.mode = Options::Mode::Help;
        return options;
    } catch (const CLI::ParseError& error) {
        return std::string(error.what());
    }
    if (const auto extra = app.remaining(); !extra.empty()) {
        return (extra.front().starts_with("-") ? "unknown option " : "unknown argument ") +
               Shown(extra.front());
    }
    if (options.modules.empty()) {
        options.modules.push_back(programDir / ModuleFileName());
    }

    if (options.mode == Options::Mode::Imports) {
        if (headless || options.screenshot || app.count("--module") > 0) {
            return "--imports reads a module of its own, and runs no session";
        }
        return options;
    }
    if (headless) {
        if (options.script.empty() || options.out.empty()) {
            return "--headless needs --script FILE and --out DIR";
        }
        if (options.screenshot) {
            return "--screenshot is for the window; a headless script takes snapshots itself";
        }
        options.mode = Options::Mode::Headless;
        return options;
    }
    if (!options.script.empty() || !options.out.empty()) {
        return "--script and --out belong to --headless";
    }
    if (app.count("--frames") > 0 && !options.screenshot) {
        return "--frames belongs to --screenshot";
    }
    // A player's window keeps its settings; a screenshot shows the defaults unless told otherwise.
    if (!options.config && !options.screenshot && !defaultConfig.empty()) {
        options.config = defaultConfig;
    }
    return options;
}

} // namespace spinbeat_host
