// The host's configuration file: saved console variables, applied again at the next start.
#include <cerrno>
#include <fstream>
#include <sstream>

#include "host-state.h"
#include "pluginsdk/host/host.h"

namespace pluginsdk::host {

namespace {

constexpr std::string_view kHeader = "// Saved console variables, one NAME \"VALUE\" per line.";

// A setting line needs a value, and quotes that open must close; the console itself is more
// forgiving, but a config line like that is a damaged file, not something a player typed.
bool IsWellFormed(std::string_view line, const ConsoleCommand& command) {
    if (!command.value || command.name.find('"') != std::string::npos) {
        return false;
    }
    const std::string_view raw = TrimSpace(TrimSpace(line).substr(command.name.size()));
    const bool opens = raw.front() == '"';
    const bool closes = raw.size() >= 2 && raw.back() == '"';
    return opens == closes;
}

std::error_code LastError() { return {errno != 0 ? errno : EIO, std::generic_category()}; }

} // namespace

std::error_code Host::LoadConfig(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {};
    }
    // A folder opens as a stream on some systems and then reads as empty.
    if (status.type() == std::filesystem::file_type::directory) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    errno = 0;
    std::ifstream in(file);
    if (!in.is_open()) {
        return LastError();
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto command = ParseConsoleLine(line);
        if (!command) {
            continue;
        }
        if (!IsWellFormed(line, *command)) {
            Log("Config " + file.string() + " line " + std::to_string(number) +
                " is malformed and was skipped: " + line);
            continue;
        }
        if (CVarWrapper cvar = GetCvar(command->name)) {
            cvar.setValue(*command->value);
        } else {
            std::lock_guard lock(state_->mutex);
            state_->keptConfig.insert_or_assign(command->name, *command->value);
        }
    }
    if (in.bad()) {
        return LastError();
    }
    return {};
}

std::error_code Host::SaveConfig(const std::filesystem::path& file) const {
    std::ostringstream text;
    text << kHeader << '\n';
    {
        std::lock_guard lock(state_->mutex);
        // One sorted list: registered variables and kept lines share the name space.
        std::map<std::string, std::string, std::less<>> lines = state_->keptConfig;
        for (const auto& [name, cvar] : state_->cvars) {
            if (!cvar->saveToConfig) {
                lines.erase(name);
                continue;
            }
            std::lock_guard cvarLock(cvar->mutex);
            lines.insert_or_assign(name, cvar->value);
        }
        for (const auto& [name, value] : lines) {
            // A line break would split the line; such a value cannot be read back, so it stays out.
            if (value.find_first_of("\r\n") == std::string::npos) {
                text << name << " \"" << value << "\"\n";
            }
        }
    }

    std::error_code error;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) {
            return error;
        }
    }
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            error = LastError();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return error;
        }
    }
    std::filesystem::rename(temporary, file, error);
    return error;
}

} // namespace pluginsdk::host
