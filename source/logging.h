// The module-wide log channel: one console line per message, through the host's console.
#pragma once

#include <memory>
#include <utility>

#include <fmt/format.h>

#include "host-sdk.h"

// Filled by onLoad; lets go of the host's console at module unload, before the plugin object goes.
extern std::shared_ptr<CVarManagerWrapper> globalCvarManager;

// The format text is checked when the plugin is built, so no bad format can throw inside a host
// callback. Only called once onLoad has filled the channel.
template <typename... Args>
void LogFormatted(fmt::format_string<Args...> format, Args&&... args) {
    globalCvarManager->log(fmt::format(format, std::forward<Args>(args)...));
}
