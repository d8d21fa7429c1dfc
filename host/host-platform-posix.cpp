// spinbeat-host's place in a POSIX system: /proc for itself, the XDG folders for its settings.
#include <cstdlib>

#include "host-platform.h"

namespace spinbeat_host {

std::filesystem::path ProgramDir(const char* argv0) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self.parent_path();
    }
    return std::filesystem::absolute(argv0, error).parent_path();
}

std::filesystem::path DefaultConfigFile() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::filesystem::path(xdg) / "spinbeat-host" / "config.cfg";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config" / "spinbeat-host" / "config.cfg";
    }
    return {};
}

const char* ModuleFileName() { return "Spinbeat.so"; }

// Sleeps here already end within a fraction of a millisecond.
FineTimer::FineTimer() = default;
FineTimer::~FineTimer() = default;

} // namespace spinbeat_host
