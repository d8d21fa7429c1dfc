// The module's time sources in the test build: the fake clock the tests drive.
#include "clock.h"
#include "fake-clock.h"

std::int64_t MonotonicNowNs() { return fakeclock::Read(); }

std::int64_t OtherNowNs() { return fakeclock::Now(); }
