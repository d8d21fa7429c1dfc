// wine's excpt.h, with the structured-exception intrinsics that it declares only for compilers that
// have them (clang, in its MSVC mode, does).
#pragma once

#ifndef USE_COMPILER_EXCEPTIONS
#define USE_COMPILER_EXCEPTIONS
#endif
#include_next <excpt.h>
