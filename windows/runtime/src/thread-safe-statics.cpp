// Thread-safe initialization of local statics, as MSVC's compiler emits it: a guard that is 0 before,
// -1 while one thread runs the initializer, and after that the epoch it completed in. A thread whose own
// epoch has seen that completion skips the call here entirely.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <limits.h>

namespace {
constexpr int kUninitialized = 0;
constexpr int kBeingInitialized = -1;

SRWLOCK guardLock = SRWLOCK_INIT;
CONDITION_VARIABLE guardChanged = CONDITION_VARIABLE_INIT;
} // namespace

extern "C" {
int _Init_global_epoch = INT_MIN;
__declspec(thread) int _Init_thread_epoch = INT_MIN;

void __cdecl _Init_thread_header(int* const guard) noexcept {
    AcquireSRWLockExclusive(&guardLock);
    if (*guard == kUninitialized) {
        *guard = kBeingInitialized;
    } else {
        while (*guard == kBeingInitialized) {
            SleepConditionVariableSRW(&guardChanged, &guardLock, INFINITE, 0);
            // The thread that was initializing gave up (its initializer threw): this one takes over.
            if (*guard == kUninitialized) {
                *guard = kBeingInitialized;
                ReleaseSRWLockExclusive(&guardLock);
                return;
            }
        }
        _Init_thread_epoch = _Init_global_epoch;
    }
    ReleaseSRWLockExclusive(&guardLock);
}

void __cdecl _Init_thread_footer(int* const guard) noexcept {
    AcquireSRWLockExclusive(&guardLock);
    ++_Init_global_epoch;
    *guard = _Init_global_epoch;
    _Init_thread_epoch = _Init_global_epoch;
    ReleaseSRWLockExclusive(&guardLock);
    WakeAllConditionVariable(&guardChanged);
}

void __cdecl _Init_thread_abort(int* const guard) noexcept {
    AcquireSRWLockExclusive(&guardLock);
    *guard = kUninitialized;
    ReleaseSRWLockExclusive(&guardLock);
    WakeAllConditionVariable(&guardChanged);
}
}
