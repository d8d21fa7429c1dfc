// spinbeat-host's place in Windows: its own module's path, the roaming application data folder for
// its settings, and the multimedia timer's period.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

#include <string>

#include "host-platform.h"

namespace spinbeat_host {

std::filesystem::path ProgramDir(const char* argv0) {
    std::wstring path(MAX_PATH, L'\0');
    // A path longer than the buffer comes back cut to its size: then try a larger one.
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            std::error_code error;
            return std::filesystem::absolute(argv0, error).parent_path();
        }
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

std::filesystem::path DefaultConfigFile() {
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (length <= 1) {
        return {};
    }
    std::wstring folder(length, L'\0');
    folder.resize(GetEnvironmentVariableW(L"APPDATA", folder.data(), length));
    if (folder.empty()) {
        return {};
    }
    return std::filesystem::path(folder) / "spinbeat-host" / "config.cfg";
}

const char* ModuleFileName() { return "Spinbeat.dll"; }

// Windows wakes sleeping threads at its timer's tick, 15.6 ms unless a program asks for less: the
// input updates, 8.3 ms apart, would come in bursts.
FineTimer::FineTimer() : fine_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimer::~FineTimer() {
    if (fine_) {
        timeEndPeriod(1);
    }
}

} // namespace spinbeat_host
