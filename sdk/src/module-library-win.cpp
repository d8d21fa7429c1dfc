// Opening plugin modules with the Windows loader.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include "module-library.h"

namespace pluginsdk::detail {

namespace {

// The system's own wording of a loader error, without its closing line break.
std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(code);
    if (length > 0 && text != nullptr) {
        std::string reason(text, length);
        reason.erase(reason.find_last_not_of(" \r\n.") + 1);
        message += ": " + reason;
    }
    LocalFree(text);
    return message;
}

} // namespace

void* OpenModule(const std::filesystem::path& path, std::string& error) {
    // The loader takes backslashes only.
    const std::filesystem::path native = std::filesystem::path(path).make_preferred();
    HMODULE module = LoadLibraryW(native.c_str());
    if (module == nullptr) {
        error = SystemMessage(GetLastError());
    }
    return module;
}

void* ModuleSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

} // namespace pluginsdk::detail
