// The command line of spinbeat-host: modes, paths and the few session settings.
#include "options.h"

#include <cstdint>

#include "parse-number.h"

namespace spinbeat_host {

namespace {

constexpr int kMaxSide = 8192;

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

} // namespace

std::string Usage() {
    return "usage: spinbeat-host [options]\n"
           "  --module PATH        plugin module (default: the built Spinbeat.so)\n"
           "  --data DIR           data folder handed to the plugin (default: the built one)\n"
           "  --config FILE        configuration file, loaded after the plugin starts and saved at exit\n"
           "  --size WxH           window size (default 1280x720)\n"
           "  --roll R             roll held from the start, -1.0 to 1.0 (default 0)\n"
           "  --no-freeplay        start outside free play\n"
           "  --screenshot FILE    write a PNG of the window after --frames N frames (default 60), then "
           "exit\n"
           "  --headless --script FILE --out DIR\n"
           "                       run a scripted session without a window, outputs into DIR\n";
}

std::variant<Options, std::string> ParseOptions(std::span<const std::string> args,
                                                const std::filesystem::path& programDir,
                                                const std::filesystem::path& defaultConfig) {
    Options options;
    options.module = programDir / "Spinbeat.so";
    options.data = programDir / "data";
    bool headless = false;
    bool framesGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Every option but the flags takes the next argument.
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.mode = Options::Mode::Help;
            return options;
        }
        if (arg == "--headless") {
            headless = true;
            continue;
        }
        if (arg == "--no-freeplay") {
            options.freeplay = false;
            continue;
        }
        const auto next = value();
        if (!next) {
            return arg.starts_with("--") ? arg + " needs a value" : "unknown argument " + arg;
        }
        if (arg == "--module") {
            options.module = *next;
        } else if (arg == "--data") {
            options.data = *next;
        } else if (arg == "--config") {
            options.config = *next;
        } else if (arg == "--script") {
            options.script = *next;
        } else if (arg == "--out") {
            options.out = *next;
        } else if (arg == "--screenshot") {
            options.screenshot = *next;
        } else if (arg == "--frames") {
            const auto frames = ParseInteger(*next);
            if (!frames || *frames < 1 || *frames > 1'000'000) {
                return "--frames needs a whole number of frames, 1 or more";
            }
            options.frames = static_cast<int>(*frames);
            framesGiven = true;
        } else if (arg == "--size") {
            const auto size = ParseSize(*next);
            if (!size) {
                return "--size needs WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSide);
            }
            options.windowSize = *size;
        } else if (arg == "--roll") {
            const auto roll = ParseFloat(*next);
            if (!roll || *roll < -1.0F || *roll > 1.0F) {
                return "--roll needs a number from -1.0 to 1.0";
            }
            options.roll = *roll;
        } else {
            return "unknown option " + arg;
        }
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
    if (framesGiven && !options.screenshot) {
        return "--frames belongs to --screenshot";
    }
    // A player's window keeps its settings; a screenshot shows the defaults unless told otherwise.
    if (!options.config && !options.screenshot && !defaultConfig.empty()) {
        options.config = defaultConfig;
    }
    return options;
}

} // namespace spinbeat_host
