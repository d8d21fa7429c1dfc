// The tests' host session around the plugin module.
#include "plugin-session.h"

#include "fake-clock.h"
#include "test-platform.h"

namespace spinbeat_test {

TempDir::TempDir() : path_(MakeTempDirectory()) {}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave unreadable entries behind; make them removable first.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ModulePath() { return SPINBEAT_MODULE_PATH; }
std::filesystem::path TestModulePath() { return SPINBEAT_TEST_MODULE_PATH; }
std::filesystem::path GeneratedSound() { return SPINBEAT_GENERATED_SOUND; }

PluginSession::PluginSession(const std::filesystem::path& module) : host(data.path()), car(host.AddCar()) {
    fakeclock::Set(0);
    fakeclock::SetReadStep(0);
    host.SetFreeplay(true);
    // Counted as they come, since the console keeps only the recent ones.
    host.SetConsoleSink([this](std::string_view line) {
        if (line.starts_with("SOUND FILE NOT FOUND: ")) {
            ++missingSoundLines_;
        }
    });
    plugin = &host.LoadPlugin(module);
}

Spinbeat& PluginSession::Object() const { return *static_cast<Spinbeat*>(plugin->Plugin().get()); }

void PluginSession::RollAt(std::int64_t ms, float roll) {
    fakeclock::Set(ms * 1'000'000);
    host.SetRoll(car, roll);
    host.Tick();
}

void PluginSession::Console(std::string_view line) { host.ExecuteConsoleLine(line); }

std::vector<std::string> PluginSession::LinesStartingWith(std::string_view prefix) const {
    std::vector<std::string> found;
    for (auto& line : host.ConsoleLines()) {
        if (line.starts_with(prefix)) {
            found.push_back(std::move(line));
        }
    }
    return found;
}

void PluginSession::InstallSound() const {
    std::filesystem::copy_file(GeneratedSound(), SoundPath(),
                               std::filesystem::copy_options::overwrite_existing);
}

} // namespace spinbeat_test
