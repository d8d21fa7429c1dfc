// The UCRT's home of terminate and its handlers; wine declares them in eh.h.
#pragma once

#include <eh.h>
