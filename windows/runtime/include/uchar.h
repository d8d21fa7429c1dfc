// The UCRT's uchar.h. wine's (taken from mingw-w64) declares char16_t and char32_t as typedefs, which
// C++ has as keywords.
#pragma once

#include <corecrt.h>

#define __STDC_UTF_16__ 1
#define __STDC_UTF_32__ 1

#ifdef __cplusplus
extern "C" {
#else
typedef unsigned short char16_t;
typedef unsigned int char32_t;
#endif
_ACRTIMP size_t __cdecl mbrtoc16(char16_t* _Pc16, char const* _S, size_t _N, mbstate_t* _Ps);
_ACRTIMP size_t __cdecl c16rtomb(char* _S, char16_t _C16, mbstate_t* _Ps);
_ACRTIMP size_t __cdecl mbrtoc32(char32_t* _Pc32, char const* _S, size_t _N, mbstate_t* _Ps);
_ACRTIMP size_t __cdecl c32rtomb(char* _S, char32_t _C32, mbstate_t* _Ps);
#ifdef __cplusplus
}
#endif
