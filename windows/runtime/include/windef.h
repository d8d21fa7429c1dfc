// wine's windef.h, which turns `inline` into a macro under MSVC-compatible compilers: harmless in C,
// forbidden in C++ (the C++ library refuses to build with a keyword redefined).
#pragma once

#include_next <windef.h>

#if defined(__cplusplus) && defined(inline)
#undef inline
#endif
