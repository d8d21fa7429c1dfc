// wine's inttypes.h with the UCRT's functions that it does not declare.
#pragma once

#include_next <inttypes.h>

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP intmax_t __cdecl imaxabs(intmax_t);
_ACRTIMP imaxdiv_t __cdecl imaxdiv(intmax_t, intmax_t);
_ACRTIMP intmax_t __cdecl strtoimax(char const*, char**, int);
_ACRTIMP uintmax_t __cdecl strtoumax(char const*, char**, int);
_ACRTIMP intmax_t __cdecl wcstoimax(wchar_t const*, wchar_t**, int);
_ACRTIMP uintmax_t __cdecl wcstoumax(wchar_t const*, wchar_t**, int);
#ifdef __cplusplus
}
#endif
