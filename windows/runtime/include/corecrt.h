// wine's corecrt.h with the UCRT's conversion state, an 8-byte struct. wine's own (an int, in its wchar.h)
// would change the layout of std::fpos and the decorated names of the C++ library's exports that take one.
#pragma once

#include_next <corecrt.h>

#ifdef __cplusplus
extern "C" {
#endif
typedef struct _Mbstatet {
    unsigned long _Wchar;
    unsigned short _Byte;
    unsigned short _State;
} _Mbstatet;
typedef _Mbstatet mbstate_t;
#ifdef __cplusplus
}
#endif
