// The tests' operating-system needs on POSIX systems: mkdtemp, the dynamic loader and nm.
#include <dlfcn.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "test-platform.h"

namespace spinbeat_test {

std::filesystem::path MakeTempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "spinbeat-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    return pattern;
}

bool IsModuleLoaded(const std::filesystem::path& module) {
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    // RTLD_NOLOAD still counts a reference when the module is there.
    dlclose(handle);
    return true;
}

std::optional<std::set<std::string>> ExportedSymbols(const std::filesystem::path& module) {
    const std::string command = "nm -D --defined-only -C '" + module.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    std::set<std::string> names;
    std::array<char, 512> line{};
    while (pipe && std::fgets(line.data(), line.size(), pipe.get()) != nullptr) {
        std::string text = line.data();
        text.erase(text.find_last_not_of('\n') + 1);
        // "<address> <type> <name>"
        names.insert(text.substr(text.find(' ', text.find(' ') + 1) + 1));
    }
    return names;
}

std::vector<std::string> LoadReport(const std::filesystem::path& /*module*/) { return {}; }

void SetEnv(const char* name, const char* value) { setenv(name, value, 1); }

} // namespace spinbeat_test
