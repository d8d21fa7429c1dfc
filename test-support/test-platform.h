// What the tests need of the operating system, one implementation per platform.
#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace spinbeat_test {

// A new, empty folder in the system's temporary folder.
std::filesystem::path MakeTempDirectory();

// Whether the module is still mapped into this process.
bool IsModuleLoaded(const std::filesystem::path& module);

// The module's exported names, demangled; nothing where the platform's export table is checked
// outside the tests' programs.
std::optional<std::set<std::string>> ExportedSymbols(const std::filesystem::path& module);

// What the host says on the console as it loads our plugin from `module`, before the plugin's own
// lines: on Windows, what it imports from the host's library.
std::vector<std::string> LoadReport(const std::filesystem::path& module);

// Sets a variable of the process's environment, as the C runtime that modules share sees it.
void SetEnv(const char* name, const char* value);

} // namespace spinbeat_test
