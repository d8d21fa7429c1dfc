// wine's windef.h, which turns `inline` into a macro under MSVC-compatible compilers: harmless in C,
// forbidden in C++ (the C++ library refuses to build with a keyword redefined). And it declares
// DPI_AWARENESS_CONTEXT without the guard the Windows SDK's has, which code written for older SDKs
// (Dear ImGui's Win32 backend) tests before declaring it again.
#pragma once

#include_next <windef.h>

#if defined(__cplusplus) && defined(inline)
#undef inline
#endif

#ifndef _DPI_AWARENESS_CONTEXTS_
#define _DPI_AWARENESS_CONTEXTS_
#endif
