// wine's source annotations, and the few the Microsoft STL uses beyond them. They only inform static
// analysis, so here they expand to nothing.
#pragma once

#include_next <sal.h>

#ifndef _Analysis_assume_
#define _Analysis_assume_(expr)
#endif
#ifndef _Analysis_assume_lock_held_
#define _Analysis_assume_lock_held_(lock)
#endif
#ifndef _Check_return_opt_
#define _Check_return_opt_
#endif
#ifndef _Field_z_
#define _Field_z_
#endif
#ifndef _Guarded_by_
#define _Guarded_by_(lock)
#endif
#ifndef _In_NLS_string_
#define _In_NLS_string_(size)
#endif
#ifndef _Inout_bytecount_
#define _Inout_bytecount_(size)
#endif
#ifndef _Pre_satisfies_
#define _Pre_satisfies_(cond)
#endif
