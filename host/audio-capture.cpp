// Capturing the plugin's audio through SDL's disk driver and finding its playbacks.
#include "audio-capture.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include <SDL.h>

#include "wav-file.h"

namespace spinbeat_host {

namespace {

constexpr double kFramesPerMs = kCaptureRate / 1000.0;
constexpr std::size_t kBytesPerFrame = sizeof(std::int16_t) * kCaptureChannels;
// Louder than the tail of a fading click, far quieter than its start: 2 % of full scale.
constexpr int kLoud = 655;
constexpr std::size_t kQuietFrames = kCaptureRate / 200;

std::error_code LastError() { return {errno != 0 ? errno : EIO, std::generic_category()}; }

std::vector<std::int16_t> ReadSamples(const std::filesystem::path& file, std::error_code& error) {
    std::vector<std::int16_t> samples;
    const auto bytes = std::filesystem::file_size(file, error);
    if (error) {
        return samples;
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    // Whole frames only: the driver may have been stopped in the middle of a write.
    samples.resize(static_cast<std::size_t>(bytes) / kBytesPerFrame * kCaptureChannels);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
    if (!in) {
        error = LastError();
        samples.clear();
    }
    return samples;
}

SDL_LogOutputFunction defaultLog = nullptr;
void* defaultLogData = nullptr;

// The disk driver warns at the top of its voice that it is in use; here it was chosen on purpose.
void QuietDiskDriver(void* data, int category, SDL_LogPriority priority, const char* message) {
    const std::string_view text = message;
    if (category == SDL_LOG_CATEGORY_AUDIO &&
        (text.starts_with("You are using the SDL disk i/o audio driver") ||
         text.find(" file [") != text.npos)) {
        return;
    }
    defaultLog(data, category, priority, message);
}

} // namespace

AudioCapture::AudioCapture(std::filesystem::path rawFile) : rawFile_(std::move(rawFile)) {
    if (defaultLog == nullptr) {
        SDL_LogGetOutputFunction(&defaultLog, &defaultLogData);
        SDL_LogSetOutputFunction(QuietDiskDriver, defaultLogData);
    }
    std::error_code ignored;
    std::filesystem::remove(rawFile_, ignored);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", rawFile_.c_str(), 1);
    // At its default pace the driver writes one buffer per buffer length: near real time, and
    // Observe dates what it actually wrote.
    unsetenv("SDL_DISKAUDIODELAY");
}

void AudioCapture::Observe(double nowMs) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(rawFile_, error);
    if (!started_) {
        // The driver makes the file when the device opens, and the first buffer reaches it at
        // the first spill of the stdio buffer it writes through.
        if (error || bytes == 0) {
            lastLookMs_ = nowMs;
            return;
        }
        started_ = true;
        startMs_ = nowMs;
        marks_.push_back({startMs_, 0});
    }
    worstLookGapMs_ = std::max(worstLookGapMs_, nowMs - lastLookMs_);
    lastLookMs_ = nowMs;
    if (error || bytes == lastBytes_) {
        return;
    }
    lastBytes_ = bytes;
    // The file grows only when the stdio buffer spills, which a device buffer of more than a stdio
    // buffer does at every write: the last byte on disk belongs to the buffer written last.
    constexpr std::uintmax_t kBufferBytes = kBytesPerFrame * kCaptureBufferFrames;
    const std::size_t frame = static_cast<std::size_t>((bytes - 1) / kBufferBytes) * kCaptureBufferFrames;
    if (frame > marks_.back().frame) {
        marks_.push_back({nowMs, frame});
    }
}

double AudioCapture::SessionMsAt(std::size_t frame) const {
    const auto after = std::upper_bound(marks_.begin(), marks_.end(), frame,
                                        [](std::size_t f, const Mark& mark) { return f < mark.frame; });
    if (after == marks_.begin()) {
        return startMs_;
    }
    // Each buffer plays out at the sample rate from when it was written, and no later than when
    // the next one was seen written.
    const Mark& before = *std::prev(after);
    const double atPace = before.ms + static_cast<double>(frame - before.frame) / kFramesPerMs;
    return after == marks_.end() ? atPace : std::min(atPace, after->ms);
}

AudioCapture::Result AudioCapture::Finish(const std::filesystem::path& wavFile) {
    Result result;
    std::vector<std::int16_t> samples;
    if (started_) {
        samples = ReadSamples(rawFile_, result.error);
        if (result.error) {
            return result;
        }
        std::filesystem::remove(rawFile_, result.error);
        result.error.clear();
    }
    const std::size_t frames = samples.size() / kCaptureChannels;
    result.capturedMs = static_cast<double>(frames) / kFramesPerMs;
    result.worstLookGapMs = worstLookGapMs_;
    for (std::size_t i = 1; i < marks_.size(); ++i) {
        const double written = static_cast<double>(marks_[i].frame - marks_[i - 1].frame) / kFramesPerMs;
        result.worstStallMs = std::max(result.worstStallMs, marks_[i].ms - marks_[i - 1].ms - written);
        result.worstDriftMs =
            std::max(result.worstDriftMs,
                     marks_[i].ms - startMs_ - static_cast<double>(marks_[i].frame) / kFramesPerMs);
    }
    for (const std::size_t frame : FindPlaybacks(samples, kCaptureChannels)) {
        result.playbacksMs.push_back(SessionMsAt(frame));
    }
    // The picture of the whole session: silence from its start until the device opened.
    const auto lead = static_cast<std::size_t>(std::lround(startMs_ * kFramesPerMs)) * kCaptureChannels;
    samples.insert(samples.begin(), started_ ? lead : 0, 0);
    errno = 0;
    if (!wav::Write16(wavFile, kCaptureChannels, kCaptureRate, samples)) {
        result.error = LastError();
    }
    return result;
}

std::vector<std::size_t> FindPlaybacks(std::span<const std::int16_t> samples, int channels) {
    std::vector<std::size_t> starts;
    const auto width = static_cast<std::size_t>(channels);
    // Sound at the very start of the capture counts as rising out of silence.
    std::size_t quiet = kQuietFrames;
    for (std::size_t frame = 0; frame * width + width <= samples.size(); ++frame) {
        int level = 0;
        for (std::size_t channel = 0; channel < width; ++channel) {
            level = std::max(level, std::abs(static_cast<int>(samples[frame * width + channel])));
        }
        if (level <= kLoud) {
            ++quiet;
            continue;
        }
        if (quiet >= kQuietFrames) {
            starts.push_back(frame);
        }
        quiet = 0;
    }
    return starts;
}

} // namespace spinbeat_host
