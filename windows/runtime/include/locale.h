// wine's locale.h with the UCRT's accessors of the current C locale's code pages and name.
#pragma once

#include_next <locale.h>

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP unsigned int __cdecl ___lc_codepage_func(void);
_ACRTIMP unsigned int __cdecl ___lc_collate_cp_func(void);
_ACRTIMP wchar_t** __cdecl ___lc_locale_name_func(void);
#ifdef __cplusplus
}
#endif
