// Pacing ticks and frames.
#include "game-loop.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace spinbeat_host {

namespace {

double Advance(double scheduled, double period, double now) {
    const double next = scheduled + period;
    if (now - next < period) {
        return next;
    }
    // Behind by more than a period: the next one is the first still to come.
    return scheduled + period * std::ceil((now - scheduled) / period);
}

} // namespace

GameLoop::GameLoop(double framesPerSecond)
    : start_(Clock::now()), tickMs_(1000.0 / kTicksPerSecond), frameMs_(1000.0 / framesPerSecond) {}

double GameLoop::NowMs() const {
    return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
}

void GameLoop::TickStarts() { worstTickLatenessMs_ = std::max(worstTickLatenessMs_, NowMs() - nextTickMs_); }

void GameLoop::TickDone() { nextTickMs_ = Advance(nextTickMs_, tickMs_, NowMs()); }

void GameLoop::FrameDone() { nextFrameMs_ = Advance(nextFrameMs_, frameMs_, NowMs()); }

void GameLoop::SleepUntil(double ms) const {
    const auto when =
        start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
    std::this_thread::sleep_until(when);
}

} // namespace spinbeat_host
