// wine's time.h with what the UCRT's has besides: C11's timespec and the bounds-checked conversions.
#pragma once

#include_next <time.h>

#ifndef _CRT_NO_TIME_T
struct timespec {
    time_t tv_sec;
    long tv_nsec;
};
#endif
#ifndef TIME_UTC
#define TIME_UTC 1
#endif

#ifdef __cplusplus
extern "C" {
_ACRTIMP int __cdecl _timespec64_get(struct timespec* _Ts, int _Base);
inline int __cdecl timespec_get(struct timespec* _Ts, int _Base) { return _timespec64_get(_Ts, _Base); }
_ACRTIMP errno_t __cdecl _gmtime64_s(struct tm* _Tm, __time64_t const* _Time);
inline errno_t __cdecl localtime_s(struct tm* _Tm, time_t const* _Time) { return _localtime64_s(_Tm, _Time); }
inline errno_t __cdecl gmtime_s(struct tm* _Tm, time_t const* _Time) { return _gmtime64_s(_Tm, _Time); }
}
#endif
