// wine's signal.h with the sig_atomic_t of the UCRT's.
#pragma once

#include_next <signal.h>

typedef int sig_atomic_t;
