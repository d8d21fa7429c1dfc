// The session's pace against the real clock: input updates at 120 a second, frames at the display rate.
#pragma once

#include <chrono>

namespace spinbeat_host {

class GameLoop {
public:
    static constexpr double kTicksPerSecond = 120.0;

    explicit GameLoop(double framesPerSecond);

    // Real time since the loop was made, in ms: the session's clock.
    double NowMs() const;
    double NextTickMs() const { return nextTickMs_; }
    double NextFrameMs() const { return nextFrameMs_; }
    // Marks the start of a due update, and moves the schedule on after it or a frame. A loop that
    // fell behind by more than a period skips what it missed instead of catching up in a burst,
    // as a game would.
    void TickStarts();
    void TickDone();
    void FrameDone();
    // How late an update started, at most, since the start: a busy machine shows here.
    double WorstTickLatenessMs() const { return worstTickLatenessMs_; }
    // Sleeps until session time `ms`; returns at once when that has passed.
    void SleepUntil(double ms) const;

private:
    using Clock = std::chrono::steady_clock;

    Clock::time_point start_;
    double tickMs_;
    double frameMs_;
    double nextTickMs_ = 0.0;
    double nextFrameMs_ = 0.0;
    double worstTickLatenessMs_ = 0.0;
};

} // namespace spinbeat_host
