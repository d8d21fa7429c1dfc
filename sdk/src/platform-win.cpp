// The host on Windows: modules opened with the Windows loader, console text in the ANSI code page.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "defaults.h"
#include "platform.h"

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

std::string ConsoleText(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const auto length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), size, "?", nullptr);
    }
    return out;
}

std::optional<HostName> LookUpHostName(std::string_view decorated) {
    const HostExport* begin = kHostExports;
    const HostExport* end = kHostExports + kHostExportCount;
    const std::string name(decorated);
    const HostExport* found =
        std::lower_bound(begin, end, name, [](const HostExport& entry, const std::string& key) {
            return std::strcmp(entry.decorated, key.c_str()) < 0;
        });
    if (found == end || name != found->decorated) {
        return HostName{false, name + " (no name of the host's)"};
    }
    // A name the written part defines is exported as that, and no longer as its default.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LookUpHostName), &self);
    const auto exported = reinterpret_cast<const void*>(GetProcAddress(self, found->decorated));
    const bool implemented = found->kind == HostExport::Kind::Generic ||
                             found->kind == HostExport::Kind::Member || exported != found->fallback;
    return HostName{implemented, found->shown};
}

} // namespace pluginsdk::detail
