// The beat clock's time source. Tests link their own definition in place of the real clock.
#pragma once

#include <cstdint>

// Monotonic nanoseconds; only differences between readings mean anything.
std::int64_t MonotonicNowNs();
