// What the sound tests on the real clock share: test tones in the device's format, captures read
// back, the roll held in real time, and SDL's disk driver captured and dated as the host does it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audio-capture.h"
#include "device-format.h"
#include "plugin-session.h"

namespace spinbeat_test {

using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Instrumented builds say what was heard and in what order; their milliseconds mean little.
inline constexpr bool kJudgeMilliseconds = false;
#else
inline constexpr bool kJudgeMilliseconds = true;
#endif

double MsSince(Clock::time_point origin);

// A stereo tone already in the device's format, so a capture holds its samples unchanged: a 1 ms
// marker, then a square wave that never touches zero.
void WriteTone(const std::filesystem::path& file, int milliseconds);
inline constexpr std::int16_t kToneMarker = 30000;

// The left channel of a raw capture in the device's format.
std::vector<std::int16_t> LeftChannel(const std::filesystem::path& rawFile);
std::vector<std::int16_t> LeftChannel(const std::vector<std::uint8_t>& raw);

// Where each playback of a tone starts, in frames: at its marker, or where sound rises out of
// silence, should a backend have cut the marker off.
std::vector<std::size_t> ToneStarts(const std::vector<std::int16_t>& left);

// Whether each playback from `starts` is the tone of `milliseconds` whole, or cut only where the
// next one starts, with silence after the last. Otherwise says where it is not.
std::string ToneGaps(const std::vector<std::int16_t>& left, const std::vector<std::size_t>& starts,
                     int milliseconds);

// The time of one input update: the plugin read the clock somewhere in between.
struct TickWindow {
    double beforeMs;
    double afterMs;
};

// Holds the roll in real time, one input update every 8 ms from now, for `length`; returns the
// updates that were beats, in ms since `origin`. Unless told to hold on, lets go at the end.
std::vector<TickWindow> HoldRollInRealTime(PluginSession& session, std::chrono::milliseconds length,
                                           Clock::time_point origin, bool letGo = true);

// How long, in all, the threads of process `pid` whose names start with `prefix` have waited to
// run since they started: a bound on how late any of them ever was. Zero where the system keeps no
// such count.
double RunQueueWaitMs(int pid, std::string_view prefix = {});

// Sends SDL's audio to its disk driver and dates what is written, looking at the file every
// millisecond from a thread of its own, as spinbeat-host does in its own loop.
class DiskCapture {
public:
    DiskCapture(const std::filesystem::path& folder, Clock::time_point origin);
    DiskCapture(const DiskCapture&) = delete;
    DiskCapture& operator=(const DiskCapture&) = delete;
    ~DiskCapture();

    // Once the device is closed: the playbacks, in ms since the origin, and the capture's lag.
    spinbeat_host::AudioCapture::Result Finish();
    // After Finish: the left channel of everything captured, and when a frame of it was heard.
    const std::vector<std::int16_t>& Left() const { return left_; }
    double HeardAtMs(std::size_t frame) const { return capture_.SessionMsAt(frame); }

private:
    void Stop();

    std::filesystem::path raw_;
    spinbeat_host::AudioCapture capture_;
    std::vector<std::int16_t> left_;
    Clock::time_point origin_;
    std::atomic<bool> stop_{false};
    std::thread watcher_;
};

} // namespace spinbeat_test
