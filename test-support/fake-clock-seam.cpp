// The module's time source in the test build: the fake clock the tests drive.
#include "clock.h"
#include "fake-clock.h"

std::int64_t MonotonicNowNs() { return fakeclock::Read(); }
