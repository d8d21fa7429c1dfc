// What every module of MSVC's /MD build links in statically, besides its entry point: the tables of
// C and C++ initializers, the module's own list of functions to run at exit, the /GS cookie and the
// marker the compiler wants where floating point is used.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <corecrt_startup.h>
#include <stdint.h>
#include <stdlib.h>
#include <typeinfo>

#include "module-startup.h"

// ---------------------------------------------------------------------------
// Initializer tables: the compiler puts pointers to initializers between these markers
// ---------------------------------------------------------------------------

#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
#pragma section(".CRT$XPA", long, read)
#pragma section(".CRT$XPZ", long, read)
#pragma section(".CRT$XTA", long, read)
#pragma section(".CRT$XTZ", long, read)

extern "C" {
__declspec(allocate(".CRT$XIA")) _PIFV __xi_a[] = {nullptr};
__declspec(allocate(".CRT$XIZ")) _PIFV __xi_z[] = {nullptr};
__declspec(allocate(".CRT$XCA")) _PVFV __xc_a[] = {nullptr};
__declspec(allocate(".CRT$XCZ")) _PVFV __xc_z[] = {nullptr};
__declspec(allocate(".CRT$XPA")) _PVFV __xp_a[] = {nullptr};
__declspec(allocate(".CRT$XPZ")) _PVFV __xp_z[] = {nullptr};
__declspec(allocate(".CRT$XTA")) _PVFV __xt_a[] = {nullptr};
__declspec(allocate(".CRT$XTZ")) _PVFV __xt_z[] = {nullptr};

// Present wherever floating point is used; the value is the one MSVC's runtime gives it.
int _fltused = 0x9875;
}

// The linker merges the initializer sections into read-only data.
#pragma comment(linker, "/merge:.CRT=.rdata")
// As MSVC's msvcrt.lib does: whoever links the start-up code gets the runtime DLLs' import libraries.
#pragma comment(lib, "vcruntime")
#pragma comment(lib, "ucrt")
#pragma comment(lib, "kernel32")

// ---------------------------------------------------------------------------
// Functions to run at exit
// ---------------------------------------------------------------------------

namespace {
// A DLL runs its own at unload; a program leaves them to the C runtime's exit.
bool moduleHasOwnTable = false;
_onexit_table_t moduleTable{};
} // namespace

extern "C" int __cdecl atexit(_PVFV function) {
    if (moduleHasOwnTable) {
        return _register_onexit_function(&moduleTable, reinterpret_cast<_onexit_t>(function));
    }
    return _crt_atexit(function);
}

extern "C" _onexit_t __cdecl _onexit(_onexit_t function) {
    return atexit(reinterpret_cast<_PVFV>(function)) == 0 ? function : nullptr;
}

// ---------------------------------------------------------------------------
// The /GS cookie
// ---------------------------------------------------------------------------

extern "C" {
// Replaced at start-up before any function that checks it runs; this default is MSVC's.
uintptr_t __security_cookie = 0x00002B992DDFA232ULL;
uintptr_t __security_cookie_complement = ~0x00002B992DDFA232ULL;

// Different in every process, and never the default, whose value anyone can read.
void __cdecl __security_init_cookie(void) {
    if (__security_cookie != 0x00002B992DDFA232ULL) {
        return;
    }
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    uintptr_t cookie = (static_cast<uintptr_t>(time.dwHighDateTime) << 32) ^ time.dwLowDateTime;
    cookie ^= static_cast<uintptr_t>(GetCurrentThreadId()) ^ static_cast<uintptr_t>(GetCurrentProcessId());
    cookie ^= (static_cast<uintptr_t>(counter.QuadPart) << 32) ^ static_cast<uintptr_t>(counter.QuadPart);
    cookie ^= reinterpret_cast<uintptr_t>(&cookie);
    // Only the low 48 bits, as MSVC's runtime does, so a cookie never looks like a pointer to user space.
    cookie &= 0x0000FFFFFFFFFFFFULL;
    if (cookie == 0x00002B992DDFA232ULL || cookie == 0) {
        cookie = 0x00002B992DDFA233ULL;
    }
    __security_cookie = cookie;
    __security_cookie_complement = ~cookie;
}

void __cdecl __security_check_cookie(uintptr_t cookie) {
    if (cookie != __security_cookie) {
        __report_gsfailure(cookie);
    }
}
}

// ---------------------------------------------------------------------------
// Type names: the undecorated names of this module's types, freed with it
// ---------------------------------------------------------------------------

extern "C" __type_info_node __type_info_root_node{};

type_info::~type_info() noexcept {}

// Every type descriptor the compiler emits points at type_info's table of virtual functions, which
// MSVC's runtime library provides. Nothing here constructs a type_info, so the compiler never emits
// that table itself: it is laid out by hand, its one entry the deleting destructor, with no
// complete-object locator in front (nobody asks the type of a type descriptor).
extern "C++" void* TypeInfoDeletingDestructor(type_info* self,
                                              unsigned flags) __asm__("??_Etype_info@@UEAAPEAXI@Z");
extern "C++" void* TypeInfoDeletingDestructor(type_info* self, unsigned flags) {
    self->~type_info();
    if ((flags & 1U) != 0) {
        ::operator delete(self);
    }
    return self;
}

__asm__(".section .rdata,\"dr\"\n"
        ".p2align 3\n"
        ".quad 0\n"
        ".globl \"??_7type_info@@6B@\"\n"
        "\"??_7type_info@@6B@\":\n"
        ".quad \"??_Etype_info@@UEAAPEAXI@Z\"\n"
        ".text\n");

// ---------------------------------------------------------------------------
// Start and end of a module
// ---------------------------------------------------------------------------

namespace msvc_compat {

bool InitializeModule(ModuleKind kind) {
    __security_init_cookie();
    if (kind == ModuleKind::Dll) {
        if (_initialize_onexit_table(&moduleTable) != 0) {
            return false;
        }
        moduleHasOwnTable = true;
    }
    if (_initterm_e(__xi_a, __xi_z) != 0) {
        return false;
    }
    _initterm(__xc_a, __xc_z);
    return true;
}

void UninitializeModule() {
    if (moduleHasOwnTable) {
        _execute_onexit_table(&moduleTable);
    }
    _initterm(__xp_a, __xp_z);
    _initterm(__xt_a, __xt_z);
    __std_type_info_destroy_list(&__type_info_root_node);
}

} // namespace msvc_compat
