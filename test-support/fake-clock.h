// A clock the tests set by hand, so that every timing case is exact and no test sleeps.
#pragma once

#include <cstdint>

namespace fakeclock {

// The time of the current tick. Readings come a fixed step after it: the first reading after Set
// returns now + step, the next now + 2 * step, and so on, like a real clock read twice in a tick.
void Set(std::int64_t nowNs);
void SetReadStep(std::int64_t stepNs);
std::int64_t Read();
// How many times the plugin has read the clock.
std::int64_t Reads();
// The time of the current tick as the module's other timekeeping reads it: not one of Reads().
std::int64_t Now();

} // namespace fakeclock
