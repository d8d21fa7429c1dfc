// The host on Linux: modules opened with the dynamic loader, console text in UTF-8.
#include <dlfcn.h>

#include <cstdint>
#include <type_traits>

#include "platform.h"

namespace pluginsdk::detail {

void* OpenModule(const std::filesystem::path& path, std::string& error) {
    // Local binding: a plugin's symbols never satisfy another module's references.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "unknown error";
    }
    return module;
}

void* ModuleSymbol(void* module, const char* name) { return dlsym(module, name); }

void CloseModule(void* module) { dlclose(module); }

std::string ConsoleText(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t wide : text) {
        const auto c = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(wide));
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0x10000 && c <= 0x10FFFF) {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            // A lone surrogate or no character at all.
            out += '?';
        }
    }
    return out;
}

} // namespace pluginsdk::detail

namespace pluginsdk::detail {

// The Linux library has its own names: the host's are a Windows DLL's.
std::optional<HostName> LookUpHostName(std::string_view /*decorated*/) { return std::nullopt; }

} // namespace pluginsdk::detail
