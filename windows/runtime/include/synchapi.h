// wine's synchapi.h, which, unlike the Windows SDK's, needs the basic Windows types declared first.
#pragma once

#include <windef.h>

#include <winbase.h>

#include_next <synchapi.h>
