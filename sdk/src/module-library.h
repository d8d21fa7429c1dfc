// Opening plugin modules, one implementation per platform.
#pragma once

#include <filesystem>
#include <string>

namespace pluginsdk::detail {

// Null on failure, with the system's reason in `error`.
void* OpenModule(const std::filesystem::path& path, std::string& error);
void* ModuleSymbol(void* module, const char* name);
void CloseModule(void* module);

} // namespace pluginsdk::detail
