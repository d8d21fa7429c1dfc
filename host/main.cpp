// spinbeat-host: loads the plugin module and runs a practice session, in a window or headless.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "headless.h"
#include "options.h"
#include "window.h"

namespace {

// Where the player's settings live between runs of the window.
std::filesystem::path DefaultConfig() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::filesystem::path(xdg) / "spinbeat-host" / "config.cfg";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config" / "spinbeat-host" / "config.cfg";
    }
    return {};
}

// The built module and data folder sit next to the program.
std::filesystem::path ProgramDir(const char* argv0) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self.parent_path();
    }
    return std::filesystem::absolute(argv0, error).parent_path();
}

} // namespace

int main(int argc, char** argv) {
    using spinbeat_host::Options;
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        auto parsed = spinbeat_host::ParseOptions(args, ProgramDir(argv[0]), DefaultConfig());
        if (const auto* error = std::get_if<std::string>(&parsed)) {
            std::cerr << "spinbeat-host: " << *error << "\n" << spinbeat_host::Usage();
            return 2;
        }
        const Options& options = std::get<Options>(parsed);
        switch (options.mode) {
        case Options::Mode::Help:
            std::cout << spinbeat_host::Usage();
            return 0;
        case Options::Mode::Headless:
            return spinbeat_host::RunHeadless(options);
        case Options::Mode::Window:
            return spinbeat_host::RunWindow(options);
        }
    } catch (const std::exception& error) {
        std::cerr << "spinbeat-host: " << error.what() << "\n";
    }
    return 1;
}
