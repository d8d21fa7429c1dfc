// wine's stdlib.h with what the UCRT's has besides: atexit and _onexit as every module's own functions
// (wine imports them: a DLL's exit functions would then run only at process exit), the quick-exit
// functions, _dupenv_s (CLI11 reads the environment with it), the C++ overloads of abs and div, and
// errno's values.
#pragma once

#define atexit __wine_atexit
#define _onexit __wine__onexit
#include_next <stdlib.h>
#undef atexit
#undef _onexit
#include <errno.h>

#ifdef __cplusplus
extern "C" {
#endif
int __cdecl atexit(void(__cdecl* _Function)(void));
_onexit_t __cdecl _onexit(_onexit_t _Function);
_ACRTIMP unsigned int __cdecl _set_abort_behavior(unsigned int _Flags, unsigned int _Mask);
_ACRTIMP errno_t __cdecl _dupenv_s(char** _Buffer, size_t* _BufferCount, const char* _VarName);
#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
extern "C" {
_ACRTIMP __declspec(noreturn) void __cdecl quick_exit(int _Code);
_ACRTIMP int __cdecl _crt_at_quick_exit(void(__cdecl* _Function)(void));
inline int __cdecl at_quick_exit(void(__cdecl* _Function)(void)) { return _crt_at_quick_exit(_Function); }
}

extern "C++" {
inline long __cdecl abs(long const _X) noexcept { return labs(_X); }
inline long long __cdecl abs(long long const _X) noexcept { return llabs(_X); }
inline ldiv_t __cdecl div(long const _A1, long const _A2) noexcept { return ldiv(_A1, _A2); }
inline lldiv_t __cdecl div(long long const _A1, long long const _A2) noexcept { return lldiv(_A1, _A2); }
}
#endif
