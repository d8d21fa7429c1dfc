// wine's eh.h, with the C linkage that ucrtbase.dll exports terminate and set_terminate under, and
// _get_terminate, which it lacks.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif
#include_next <eh.h>
_ACRTIMP terminate_handler __cdecl _get_terminate(void);
_ACRTIMP unexpected_handler __cdecl _get_unexpected(void);
#ifdef __cplusplus
}
#endif
