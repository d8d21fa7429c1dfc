// The host on Windows: modules opened with the Windows loader, console text in the ANSI code page,
// faults in a plugin's code caught where the host calls it.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "defaults.h"
#include "host-state.h"
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

// ---------------------------------------------------------------------------
// Faults in a plugin's code
// ---------------------------------------------------------------------------

extern "C" int __cdecl _resetstkoflw(void);

namespace pluginsdk::detail {

namespace {

// What the filter copies out of the exception record, while the faulting stack is still there.
struct FaultRecord {
    DWORD code;
    ULONG_PTR accessKind;
    ULONG_PTR accessed;
    void* at;
};

// An MSVC C++ exception: it goes on to the C++ catch that names a plugin's throw.
constexpr DWORD kCppException = 0xE06D7363;

int FaultFilter(EXCEPTION_POINTERS* pointers, FaultRecord& fault) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    // Only errors: warnings and information (a thread's name, a debugger's print) are for others.
    if (record.ExceptionCode == kCppException || (record.ExceptionCode >> 30U) != 3U) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    fault.code = record.ExceptionCode;
    fault.at = record.ExceptionAddress;
    fault.accessKind = record.NumberParameters >= 1 ? record.ExceptionInformation[0] : 0;
    fault.accessed = record.NumberParameters >= 2 ? record.ExceptionInformation[1] : 0;
    return EXCEPTION_EXECUTE_HANDLER;
}

// Holds no C++ object that needs unwinding: Microsoft's compiler refuses a __try beside one.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wlanguage-extension-token"
#endif
bool CallUnderSeh(void (*call)(void*), void* body, FaultRecord& fault) {
    __try {
        call(body);
    } __except (FaultFilter(static_cast<EXCEPTION_POINTERS*>(GetExceptionInformation()), fault)) {
        return false;
    }
    return true;
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

std::string Hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string FaultName(const FaultRecord& fault) {
    switch (fault.code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR: {
        const char* kind = fault.accessKind == 0   ? "reading"
                           : fault.accessKind == 8 ? "executing"
                                                   : "writing";
        return std::string(fault.code == EXCEPTION_ACCESS_VIOLATION ? "access violation " : "page error ") +
               kind + " " + Hex(fault.accessed, 16);
    }
    case EXCEPTION_ILLEGAL_INSTRUCTION:
        return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION:
        return "privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "division by zero";
    case EXCEPTION_INT_OVERFLOW:
        return "integer overflow";
    case EXCEPTION_STACK_OVERFLOW:
        return "stack overflow";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
        return "floating-point exception " + Hex(fault.code, 8);
    default:
        return "exception " + Hex(fault.code, 8);
    }
}

// "x.dll+0x1a2b3", the offset a developer finds in their map or PDB; the bare address outside any module.
std::string FaultPlace(const void* at) {
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(at), &module) == 0 ||
        module == nullptr) {
        return Hex(reinterpret_cast<std::uintptr_t>(at), 16);
    }
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L"\\/") == std::wstring::npos ? 0 : name.find_last_of(L"\\/") + 1);
    const auto offset = reinterpret_cast<std::uintptr_t>(at) - reinterpret_cast<std::uintptr_t>(module);
    return ConsoleText(name) + "+" + Hex(offset, 1);
}

} // namespace

bool CallCatchingFaults(HostState& host, std::uint64_t owner, std::string_view what, std::string_view subject,
                        void (*call)(void* body), void* body) {
    FaultRecord fault{};
    if (CallUnderSeh(call, body, fault)) {
        return true;
    }
    // The stack is whole again: give the guard page back, or the next overflow ends the process.
    if (fault.code == EXCEPTION_STACK_OVERFLOW) {
        _resetstkoflw();
    }
    try {
        host.PluginFailed(owner, "faulted in " + std::string(what) + std::string(subject) + ": " +
                                     FaultName(fault) + " at " + FaultPlace(fault.at));
    } catch (...) {
        // Out of memory while reporting: the plugin stays stopped unreported, the host goes on.
        host.PluginFailed(owner, "faulted");
    }
    return false;
}

} // namespace pluginsdk::detail
