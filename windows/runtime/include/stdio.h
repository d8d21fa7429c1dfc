// wine's stdio.h with what the UCRT's adds: the C99 va_list scanf functions and vsnprintf_s (inline there
// too), and the access to a stream's buffer that the C++ library's file streams work through.
#pragma once

#include_next <stdio.h>

#ifdef __cplusplus
extern "C" {
_ACRTIMP errno_t __cdecl _get_stream_buffer_pointers(FILE* _Stream, char*** _Base, char*** _Pointer,
                                                     int** _Count);

inline int __cdecl vfscanf(FILE* _Stream, char const* _Format, va_list _Args) {
    return __stdio_common_vfscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, _Stream, _Format, nullptr, _Args);
}
inline int __cdecl vsnprintf_s(char* const _Buffer, size_t const _BufferCount, size_t const _MaxCount,
                               char const* const _Format, va_list _Args) {
    const int _Result = __stdio_common_vsnprintf_s(_CRT_INTERNAL_LOCAL_PRINTF_OPTIONS, _Buffer, _BufferCount,
                                                   _MaxCount, _Format, nullptr, _Args);
    return _Result < 0 ? -1 : _Result;
}
inline int __cdecl vscanf(char const* _Format, va_list _Args) { return vfscanf(stdin, _Format, _Args); }
inline int __cdecl vsscanf(char const* _Buffer, char const* _Format, va_list _Args) {
    return __stdio_common_vsscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, _Buffer, static_cast<size_t>(-1),
                                  _Format, nullptr, _Args);
}
}
#endif
