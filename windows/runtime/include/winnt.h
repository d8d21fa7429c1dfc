// wine's winnt.h, without its inline version of a function that clang has built in with MSVC's
// declaration (a redefinition of it is an error once intrin.h is in).
#pragma once

#include <intrin.h>

#define _InterlockedCompareExchange128 __wine_InterlockedCompareExchange128
#include_next <winnt.h>
#undef _InterlockedCompareExchange128
#undef InterlockedCompareExchange128
#define InterlockedCompareExchange128 _InterlockedCompareExchange128
