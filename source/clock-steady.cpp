// The real time source: the platform's steady clock (the performance counter on Windows).
#include <chrono>

#include "clock.h"

std::int64_t MonotonicNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
