// The fake clock's state, in a library shared by the tests and the test build of the module.
#include "fake-clock.h"

#include <atomic>

namespace fakeclock {

namespace {
std::atomic<std::int64_t> now{0};
std::atomic<std::int64_t> step{0};
std::atomic<std::int64_t> readsSinceSet{0};
std::atomic<std::int64_t> reads{0};
} // namespace

void Set(std::int64_t nowNs) {
    now = nowNs;
    readsSinceSet = 0;
}

void SetReadStep(std::int64_t stepNs) { step = stepNs; }

std::int64_t Read() {
    ++reads;
    return now + step * ++readsSinceSet;
}

std::int64_t Reads() { return reads; }

std::int64_t Now() { return now; }

} // namespace fakeclock
