// The real time source: the platform's steady clock (the performance counter on Windows).
#include <chrono>

#include "clock.h"

namespace {

std::int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::int64_t MonotonicNowNs() { return SteadyNowNs(); }

std::int64_t OtherNowNs() { return SteadyNowNs(); }
