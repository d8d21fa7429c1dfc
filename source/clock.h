// The module's time sources. Tests link their own definitions in place of the real clock.
#pragma once

#include <cstdint>

// The beat clock's: monotonic nanoseconds; only differences between readings mean anything.
std::int64_t MonotonicNowNs();

// The same kind of time for everything else that keeps it (the sound device's retry), read apart
// from the beat clock so that a beat tick reads that one at most twice whatever else happens.
std::int64_t OtherNowNs();
