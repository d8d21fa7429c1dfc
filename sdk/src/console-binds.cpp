// The console's keys and aliases, and the files a plugin asks it to write or run.
#include <algorithm>
#include <array>
#include <fstream>
#include <utility>

#include "host-state.h"

namespace {

using pluginsdk::detail::HostState;

// A relative path is in the host's folder, where the host keeps its own files.
std::filesystem::path InHostFolder(HostState& host, const std::string& path) {
    std::filesystem::path file(path);
    if (file.is_absolute()) {
        return file;
    }
    std::lock_guard lock(host.mutex);
    return host.dataFolder.parent_path() / file;
}

// Writes the text whole or says on the console why not; a plugin's own call must not stop it.
void WriteFile(HostState& host, const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
        host.Log("Cannot write " + file.string());
    }
}

} // namespace

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes its text by value.
void CVarManagerWrapper::setBind(std::string key, std::string command) {
    std::lock_guard lock(link_->host->mutex);
    link_->host->binds.insert_or_assign(std::move(key), std::move(command));
}

void CVarManagerWrapper::removeBind(std::string key) {
    std::lock_guard lock(link_->host->mutex);
    if (const auto found = link_->host->binds.find(key); found != link_->host->binds.end()) {
        link_->host->binds.erase(found);
    }
}

std::string CVarManagerWrapper::getBindStringForKey(std::string key) {
    std::lock_guard lock(link_->host->mutex);
    const auto found = link_->host->binds.find(key);
    return found != link_->host->binds.end() ? found->second : std::string();
}

void CVarManagerWrapper::setAlias(std::string key, std::string script) {
    std::lock_guard lock(link_->host->mutex);
    link_->host->aliases.insert_or_assign(std::move(key), std::move(script));
}

std::string CVarManagerWrapper::getAlias(std::string alias) {
    std::lock_guard lock(link_->host->mutex);
    const auto found = link_->host->aliases.find(alias);
    return found != link_->host->aliases.end() ? found->second : std::string();
}

void CVarManagerWrapper::backupBinds(std::string path) {
    std::string text;
    {
        std::lock_guard lock(link_->host->mutex);
        for (const auto& [key, command] : link_->host->binds) {
            text.append("bind ").append(key).append(" \"").append(command).append("\"\n");
        }
    }
    WriteFile(*link_->host, InHostFolder(*link_->host, path), text);
}

void CVarManagerWrapper::backupCfg(std::string path) {
    std::string text;
    {
        std::lock_guard lock(link_->host->mutex);
        for (const auto& [name, cvar] : link_->host->cvars) {
            if (cvar->saveToConfig) {
                std::lock_guard cvarLock(cvar->mutex);
                text.append(name).append(" \"").append(cvar->value).append("\"\n");
            }
        }
    }
    WriteFile(*link_->host, InHostFolder(*link_->host, path), text);
}

void CVarManagerWrapper::loadCfg(std::string path) {
    const std::filesystem::path file = InHostFolder(*link_->host, path);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > pluginsdk::host::Host::kMaxConfigBytes) {
        link_->host->Log("Cannot run " + file.string() +
                         (error ? ": " + error.message() : ": larger than a configuration may be"));
        return;
    }
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() <= pluginsdk::host::Host::kMaxConfigLineBytes) {
            link_->host->Execute(link_->owner, line);
        }
    }
}
// NOLINTEND(performance-unnecessary-value-param)
