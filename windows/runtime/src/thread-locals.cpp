// thread_local variables as MSVC's compiler emits them: initialized on a thread's first use of one, and
// destroyed when the thread ends, or when the module unloads for the thread that unloads it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <corecrt_startup.h>
#include <stdlib.h>

#pragma section(".CRT$XDA", long, read)
#pragma section(".CRT$XDZ", long, read)
#pragma section(".CRT$XLD", long, read)

extern "C" {
// The compiler puts each thread_local's initializer between these markers.
__declspec(allocate(".CRT$XDA")) _PVFV __xd_a = nullptr;
__declspec(allocate(".CRT$XDZ")) _PVFV __xd_z = nullptr;

__declspec(thread) bool __tls_guard = false;

void __cdecl __dyn_tls_on_demand_init() noexcept {
    if (__tls_guard) {
        return;
    }
    __tls_guard = true;
    for (_PVFV* initializer = &__xd_a + 1; initializer != &__xd_z; ++initializer) {
        if (*initializer != nullptr) {
            (*initializer)();
        }
    }
}
}

namespace {

// This thread's destructors, in the order their objects were made.
struct Destructors {
    _PVFV* items;
    size_t count;
    size_t capacity;
};
__declspec(thread) Destructors threadDestructors = {nullptr, 0, 0};

void NTAPI RunThreadDestructors(void*, DWORD reason, void*) {
    if (reason != DLL_THREAD_DETACH && reason != DLL_PROCESS_DETACH) {
        return;
    }
    Destructors& list = threadDestructors;
    // A destructor may make and register another object: take the last one each time round.
    while (list.count > 0) {
        const _PVFV destructor = list.items[--list.count];
        destructor();
    }
    free(list.items);
    list = {nullptr, 0, 0};
}

} // namespace

extern "C" {
// Run by the loader at every thread's end, through the module's TLS callbacks.
__declspec(allocate(".CRT$XLD")) PIMAGE_TLS_CALLBACK __xl_d = RunThreadDestructors;

int __cdecl __tlregdtor(_PVFV destructor) {
    Destructors& list = threadDestructors;
    if (list.count == list.capacity) {
        const size_t capacity = list.capacity == 0 ? 8 : list.capacity * 2;
        auto* items = static_cast<_PVFV*>(realloc(list.items, capacity * sizeof(_PVFV)));
        if (items == nullptr) {
            return -1;
        }
        list.items = items;
        list.capacity = capacity;
    }
    list.items[list.count++] = destructor;
    return 0;
}
}
