// What MSVC's vcruntime.h gives every translation unit: the runtime's macros, basic types and the /GS
// cookie's declarations, for the Microsoft STL and wine's C runtime headers to build on.
#pragma once
#define _VCRUNTIME_H

#include <sal.h>
#include <vadefs.h>

#ifndef _HAS_EXCEPTIONS
#define _HAS_EXCEPTIONS 1
#endif
#define _VCRT_COMPILER_PREPROCESSOR 1

// The language level the STL builds on, from the one the compiler was asked for.
#ifndef _MSVC_LANG
#define _MSVC_LANG __cplusplus
#endif
#ifndef _HAS_CXX17
#define _HAS_CXX17 (_MSVC_LANG > 201402L)
#endif
#ifndef _HAS_CXX20
#define _HAS_CXX20 (_MSVC_LANG > 201703L)
#endif
#ifndef _HAS_CXX23
#define _HAS_CXX23 (_MSVC_LANG > 202002L)
#endif
#ifndef _HAS_CXX26
#define _HAS_CXX26 (_MSVC_LANG > 202302L)
#endif
#define _CRT_PACKING 8
#define _HAS_NODISCARD 1
#define _NODISCARD [[nodiscard]]
#define _VCRT_EXPORT_STD

#ifdef __cplusplus
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING)) extern "C" {
#define _CRT_END_C_HEADER                                                                                    \
    }                                                                                                        \
    __pragma(pack(pop))
#define _VCRT_NOEXCEPT noexcept
#else
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING))
#define _CRT_END_C_HEADER __pragma(pack(pop))
#define _VCRT_NOEXCEPT
#endif

#ifndef _VCRTIMP
#define _VCRTIMP __declspec(dllimport)
#endif
#ifndef _CRTIMP
#define _CRTIMP __declspec(dllimport)
#endif

// The C++ library's own functions: resolved through its import library's thunks, not dllimport.
#ifndef _CRTIMP2
#define _CRTIMP2
#endif
#ifndef _MRTIMP2
#define _MRTIMP2
#endif
// Functions of the C++ library's satellite DLLs (msvcp140_1, _2, _atomic_wait, _codecvt_ids).
#ifndef _CRT_SATELLITE_1
#define _CRT_SATELLITE_1
#endif
#ifndef _CRT_SATELLITE_2
#define _CRT_SATELLITE_2
#endif
#ifndef _CRT_SATELLITE_CODECVT_IDS
#define _CRT_SATELLITE_CODECVT_IDS
#endif
#ifndef _CRT_SATELLITE_CODECVT_IDS_NOIMPORT
#define _CRT_SATELLITE_CODECVT_IDS_NOIMPORT
#endif
// Markers of MSVC-only extensions (/clr:pure globals, [[msvc::constexpr]]), which clang does not have.
#define _PGLOBAL
#define _MSVC_CONSTEXPR

#define __CRTDECL __cdecl
#define __CLRCALL_PURE_OR_CDECL __cdecl
#define __CLRCALL_OR_CDECL __cdecl
#define __CLR_OR_THIS_CALL
#define _VCRT_NOALIAS __declspec(noalias)
#define _VCRT_RESTRICT __declspec(restrict)
#define _VCRT_ALLOCATOR __declspec(allocator)
#define _CRTRESTRICT __declspec(restrict)
#define _CRTALLOCATOR __declspec(allocator)
#define _VCRT_JIT_INTRINSIC
#define _CRT_GUARDOVERFLOW
#define _CRT_HYBRIDPATCHABLE
#define _CRT_ALIGN(x) __declspec(align(x))
#define _CRT_UNUSED(x) (void)x
#define _CONST_RETURN

#define _CRT_STRINGIZE_(x) #x
#define _CRT_STRINGIZE(x) _CRT_STRINGIZE_(x)
#define _CRT_WIDE_(s) L##s
#define _CRT_WIDE(s) _CRT_WIDE_(s)
#define _CRT_CONCATENATE_(a, b) a##b
#define _CRT_CONCATENATE(a, b) _CRT_CONCATENATE_(a, b)
#define _CRT_APPEND(a, b) _CRT_CONCATENATE(a, b)
#define _CRT_UNPARENTHESIZE_(...) __VA_ARGS__
#define _CRT_UNPARENTHESIZE(...) _CRT_UNPARENTHESIZE_ __VA_ARGS__

#define _CRT_DEPRECATE_TEXT(_Text) __declspec(deprecated(_Text))
// The runtime's "use the _s function instead" advice is not ours to give.
#define _CRT_INSECURE_DEPRECATE(_Replacement)
#define _CRT_INSECURE_DEPRECATE_MEMORY(_Replacement)
#define _CRT_SECURE_CPP_NOTHROW throw()

#ifndef _SIZE_T_DEFINED
#define _SIZE_T_DEFINED
typedef unsigned __int64 size_t;
#endif
#ifndef _PTRDIFF_T_DEFINED
#define _PTRDIFF_T_DEFINED
typedef __int64 ptrdiff_t;
#endif
#ifndef _INTPTR_T_DEFINED
#define _INTPTR_T_DEFINED
typedef __int64 intptr_t;
#endif
#ifndef _UINTPTR_T_DEFINED
#define _UINTPTR_T_DEFINED
typedef unsigned __int64 uintptr_t;
#endif
#ifdef __cplusplus
typedef bool __vcrt_bool;
#else
typedef _Bool __vcrt_bool;
#endif

#ifdef __cplusplus
extern "C++" {
template <typename _CountofType, size_t _SizeOfArray>
char (*__countof_helper(_CountofType (&_Array)[_SizeOfArray]))[_SizeOfArray];
}
#define __crt_countof(_Array) (sizeof(*__countof_helper(_Array)) + 0)
#else
#define __crt_countof(_Array) (sizeof(_Array) / sizeof(_Array[0]))
#endif
#ifndef _countof
#define _countof __crt_countof
#endif

#ifdef __cplusplus
extern "C" {
#endif
// The /GS cookie: defined and checked by each module's own startup code.
extern uintptr_t __security_cookie;
void __cdecl __security_init_cookie(void);
void __cdecl __security_check_cookie(uintptr_t _StackCookie);
__declspec(noreturn) void __cdecl __report_gsfailure(uintptr_t _StackCookie);
#ifdef __cplusplus
}
#endif
