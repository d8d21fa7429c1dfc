// The host's configuration file: saved console variables, applied again at the next start.
#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "host-state.h"
#include "pluginsdk/host/host.h"

namespace pluginsdk::host {

namespace {

constexpr std::string_view kHeader = "// Saved console variables, one NAME \"VALUE\" per line.";
constexpr std::string_view kKeptHeader = "// Lines this host could not apply, kept as they were:";

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

// Whether `NAME "VALUE"` reads back as this one setting line.
bool FitsOneLine(std::string_view name, std::string_view value) {
    return value.find('\n') == std::string_view::npos &&
           name.size() + value.size() + 3 <= Host::kMaxConfigLineBytes;
}

std::error_code LastError() { return {errno != 0 ? errno : EIO, std::generic_category()}; }

// Reads the whole file, or up to one byte past `limit` so that a larger one shows.
std::error_code ReadUpTo(const std::filesystem::path& file, std::uintmax_t limit, std::string& text) {
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) {
        return LastError();
    }
    std::array<char, std::size_t{64} << 10> chunk{};
    while (text.size() <= limit) {
        const auto wanted = std::min<std::uintmax_t>(chunk.size(), limit + 1 - text.size());
        in.read(chunk.data(), static_cast<std::streamsize>(wanted));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (!in) {
            break;
        }
    }
    return in.bad() ? LastError() : std::error_code();
}

// Only a plain file is read or replaced: a device or a pipe named by mistake is left alone.
std::error_code CheckKind(const std::filesystem::path& file) {
    using std::filesystem::file_type;
    std::error_code error;
    const file_type type = std::filesystem::status(file, error).type();
    if (type == file_type::none) {
        return error;
    }
    if (type == file_type::directory) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (type != file_type::regular && type != file_type::not_found) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return {};
}

} // namespace

std::error_code Host::LoadConfig(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::status(file, error).type() == std::filesystem::file_type::not_found) {
        return {};
    }
    // A folder opens as a stream on some systems and then reads as empty.
    error = CheckKind(file);
    if (error) {
        return error;
    }
    const auto where = "Config " + file.string();
    std::string text;
    error = ReadUpTo(file, kMaxConfigBytes, text);
    if (!error && text.size() > kMaxConfigBytes) {
        Log(where + " is larger than " + std::to_string(kMaxConfigBytes) +
            " bytes, the most this host reads: none of it was applied");
        error = std::make_error_code(std::errc::file_too_large);
    }
    if (error) {
        std::lock_guard lock(state_->mutex);
        state_->unreadConfig = file;
        return error;
    }
    std::vector<std::string> keptLines;
    std::string_view rest = text;
    for (int number = 1; !rest.empty(); ++number) {
        const auto end = rest.find('\n');
        // A line written on Windows keeps its CR, which the console's parsing takes as a blank, so that
        // a line kept as it was is written back byte for byte.
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const auto command = line.size() <= kMaxConfigLineBytes ? ParseConsoleLine(line) : std::nullopt;
        // Too long to read, or to write back as a setting line: kept as it is, so nothing grows.
        if (line.size() > kMaxConfigLineBytes ||
            (command && command->value && !FitsOneLine(command->name, *command->value))) {
            Log(where + " line " + std::to_string(number) + " is longer than the " +
                std::to_string(kMaxConfigLineBytes) +
                " bytes of a setting line, so it was not applied; it is kept as it is");
            keptLines.emplace_back(line);
            continue;
        }
        if (!command) {
            continue;
        }
        if (!IsWellFormed(line, *command)) {
            Log(where + " line " + std::to_string(number) +
                " is malformed, so it was not applied; it is kept as it is: " + std::string(TrimSpace(line)));
            keptLines.emplace_back(line);
            continue;
        }
        if (CVarWrapper cvar = GetCvar(command->name)) {
            cvar.setValue(*command->value);
        } else {
            std::lock_guard lock(state_->mutex);
            state_->keptConfig.insert_or_assign(command->name, *command->value);
        }
    }
    std::lock_guard lock(state_->mutex);
    state_->keptConfigLines = std::move(keptLines);
    return {};
}

std::error_code Host::SaveConfig(const std::filesystem::path& file) const {
    std::error_code error = CheckKind(file);
    if (error) {
        return error;
    }
    std::ostringstream text;
    text << kHeader << '\n';
    std::vector<std::string> leftOut;
    bool keepOld = false;
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
            // What LoadConfig would not read back as this one line stays out.
            if (FitsOneLine(name, value)) {
                text << name << " \"" << value << "\"\n";
            } else {
                leftOut.push_back(name);
            }
        }
        if (!state_->keptConfigLines.empty()) {
            text << kKeptHeader << '\n';
        }
        for (const auto& line : state_->keptConfigLines) {
            text << line << '\n';
        }
        keepOld = state_->unreadConfig == file;
    }
    for (const auto& name : leftOut) {
        state_->Log("Config " + file.string() + ": " + name +
                    " was not saved: its value is not one line of at most " +
                    std::to_string(kMaxConfigLineBytes) + " bytes");
    }
    const std::string contents = text.str();
    if (contents.size() > kMaxConfigBytes) {
        return std::make_error_code(std::errc::file_too_large);
    }

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
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << contents;
        out.flush();
        if (!out) {
            error = LastError();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return error;
        }
    }
    if (keepOld) {
        std::filesystem::path backup = file;
        backup += ".bak";
        std::filesystem::rename(file, backup, error);
        if (error && error != std::errc::no_such_file_or_directory) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return error;
        }
        if (!error) {
            state_->Log("Config " + file.string() + " could not be read whole, so it is kept as " +
                        backup.string());
        }
        std::lock_guard lock(state_->mutex);
        state_->unreadConfig.reset();
    }
    std::filesystem::rename(temporary, file, error);
    return error;
}

} // namespace pluginsdk::host
