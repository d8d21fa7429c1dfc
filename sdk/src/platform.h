// What the host does differently on each platform: opening plugin modules, the console's text.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The host's library comes with the program that links it, never opened later: its thread-local
// words on the path of every plugin callback fit the program's static TLS block, one instruction
// away instead of a call into the dynamic loader.
#if defined(__GNUC__)
#define PLUGINSDK_STATIC_TLS __attribute__((tls_model("initial-exec")))
#else
#define PLUGINSDK_STATIC_TLS
#endif

namespace pluginsdk::detail {

// Null on failure, with the system's reason in `error`.
void* OpenModule(const std::filesystem::path& path, std::string& error);
void* ModuleSymbol(void* module, const char* name);
void CloseModule(void* module);

// Wide text as the console's 8-bit text: UTF-8 on Linux, the ANSI code page on Windows; a character
// the console cannot show becomes '?'.
std::string ConsoleText(const std::wstring& text);

// One of the host's exported names as spinbeat-host has it: whether something implements it, and the
// member it names, as a plugin developer reads it.
struct HostName {
    bool implemented;
    std::string shown;
};
// Nothing on a platform whose SDK library does not have the host's names.
std::optional<HostName> LookUpHostName(std::string_view decorated);

} // namespace pluginsdk::detail
