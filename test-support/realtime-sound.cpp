// The real-time sound tests' harness.
#include "realtime-sound.h"

#include <fstream>
#include <sstream>

#include "wav-file.h"

namespace spinbeat_test {

double MsSince(Clock::time_point origin) {
    return std::chrono::duration<double, std::milli>(Clock::now() - origin).count();
}

void WriteTone(const std::filesystem::path& file, int milliseconds) {
    const int frames = kDeviceRate * milliseconds / 1000;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        const std::int16_t value = i < kDeviceRate / 1000 ? kToneMarker : ((i / 24) % 2 == 0 ? 8000 : -8000);
        samples.insert(samples.end(), kDeviceChannels, value);
    }
    wav::Write16(file, kDeviceChannels, kDeviceRate, samples);
}

std::vector<std::int16_t> LeftChannel(const std::vector<std::uint8_t>& raw) {
    std::vector<std::int16_t> left;
    constexpr std::size_t kFrameBytes = 2 * kDeviceChannels;
    for (std::size_t at = 0; at + kFrameBytes <= raw.size(); at += kFrameBytes) {
        left.push_back(static_cast<std::int16_t>(raw[at] | raw[at + 1] << 8U));
    }
    return left;
}

std::vector<std::int16_t> LeftChannel(const std::filesystem::path& rawFile) {
    std::ifstream in(rawFile, std::ios::binary);
    const std::vector<std::uint8_t> raw((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    return LeftChannel(raw);
}

std::vector<std::size_t> ToneStarts(const std::vector<std::int16_t>& left) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const bool marker = left[i] == kToneMarker && (i == 0 || left[i - 1] != kToneMarker);
        const bool rise = left[i] != 0 && i > 0 && left[i - 1] == 0 && left[i] != kToneMarker;
        if (marker || rise) {
            starts.push_back(i);
        }
    }
    return starts;
}

std::string ToneGaps(const std::vector<std::int16_t>& left, const std::vector<std::size_t>& starts,
                     int milliseconds) {
    const auto length = static_cast<std::size_t>(kDeviceRate * milliseconds / 1000);
    std::ostringstream gaps;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end =
            i + 1 < starts.size() ? std::min(starts[i] + length, starts[i + 1]) : starts[i] + length;
        for (std::size_t at = starts[i]; at < end; ++at) {
            if (at >= left.size() || left[at] == 0) {
                gaps << "playback " << i + 1 << " breaks off at "
                     << static_cast<double>(at) / kDeviceFramesPerMs << " ms, "
                     << static_cast<double>(at - starts[i]) / kDeviceFramesPerMs << " ms in; ";
                break;
            }
        }
    }
    if (!starts.empty()) {
        const std::size_t after = starts.back() + length;
        if (after < left.size() && left[after] != 0) {
            gaps << "the last playback goes on past its end";
        }
    }
    return gaps.str();
}

std::vector<TickWindow> HoldRollInRealTime(PluginSession& session, std::chrono::milliseconds length,
                                           Clock::time_point origin, bool letGo) {
    using namespace std::chrono_literals;
    std::vector<TickWindow> beats;
    session.host.SetRoll(session.car, 1.0F);
    const auto start = Clock::now();
    for (auto next = start; next - start < length; next += 8ms) {
        std::this_thread::sleep_until(next);
        const TickWindow tick{MsSince(origin), 0.0};
        session.host.Tick();
        const double after = MsSince(origin);
        // Between beats the elapsed time is below the interval; on a beat tick it has reached it.
        const float interval =
            60000.0F / static_cast<float>(session.host.GetCvar("spinbeat_bpm").getIntValue());
        if (static_cast<float>(session.Object().elapsedMs) >= interval) {
            beats.push_back({tick.beforeMs, after});
        }
    }
    if (letGo) {
        session.host.SetRoll(session.car, 0.0F);
        session.host.Tick();
    }
    return beats;
}

double RunQueueWaitMs(int pid, std::string_view prefix) {
    double waitedMs = 0.0;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        // schedstat: time on the processor, time waiting for it, times run; in nanoseconds.
        double running = 0.0;
        double waiting = 0.0;
        if (name.starts_with(prefix) && std::ifstream(task.path() / "schedstat") >> running >> waiting) {
            waitedMs += waiting / 1e6;
        }
    }
    return waitedMs;
}

DiskCapture::DiskCapture(const std::filesystem::path& folder, Clock::time_point origin)
    : raw_(folder / "capture.raw"), capture_(raw_), origin_(origin) {
    watcher_ = std::thread([this] {
        while (!stop_) {
            capture_.Observe(MsSince(origin_));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

DiskCapture::~DiskCapture() { Stop(); }

void DiskCapture::Stop() {
    if (watcher_.joinable()) {
        stop_ = true;
        watcher_.join();
    }
}

spinbeat_host::AudioCapture::Result DiskCapture::Finish() {
    Stop();
    left_ = LeftChannel(raw_);
    return capture_.Finish(raw_.parent_path() / "capture.wav");
}

} // namespace spinbeat_test
