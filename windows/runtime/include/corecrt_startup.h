// wine's corecrt_startup.h with the UCRT's initializer-table walkers, which every module's start-up calls.
#pragma once

#include_next <corecrt_startup.h>

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP void __cdecl _initterm(_PVFV* _First, _PVFV* _Last);
_ACRTIMP int __cdecl _initterm_e(_PIFV* _First, _PIFV* _Last);
#ifdef __cplusplus
}
#endif
