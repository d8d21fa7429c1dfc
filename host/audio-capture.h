// What the plugin plays, captured through SDL's disk audio driver, and the playbacks found in it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

namespace spinbeat_host {

// The format the plugin's sound output opens its device in, with no changes allowed; the disk
// driver writes exactly that, one device buffer of 40 ms at a time.
inline constexpr int kCaptureRate = 48000;
inline constexpr int kCaptureChannels = 2;
inline constexpr std::size_t kCaptureBufferFrames = kCaptureRate / 25;

class AudioCapture {
public:
    // Points SDL's audio at `rawFile`; must come before the plugin can open its device.
    explicit AudioCapture(std::filesystem::path rawFile);

    // Notes how far the capture has come, at session time `nowMs`: right before and after every
    // input update (the device opens inside one, which dates the capture's start) and about every
    // millisecond between.
    void Observe(double nowMs);

    struct Result {
        // Session time of every playback found.
        std::vector<double> playbacksMs;
        double capturedMs = 0.0;
        // The longest the driver fell behind its own pace between two looks: a stalled thread.
        double worstStallMs = 0.0;
        // The longest time between two looks once the capture ran: how late a write can be dated.
        double worstLookGapMs = 0.0;
        // How far, at worst, the samples written fell behind the time since the capture began:
        // where audio.wav, which runs at the sample rate, has a sound earlier than beats.txt.
        double worstDriftMs = 0.0;
        std::error_code error;
    };
    // Once the device is closed: writes `wavFile`, which begins at session time 0 (silence until
    // the capture started), and finds the playbacks. Removes the raw file.
    Result Finish(const std::filesystem::path& wavFile);

    // When the capture's frame `frame` was heard, in session time, as far as the looks tell.
    double SessionMsAt(std::size_t frame) const;

private:
    std::filesystem::path rawFile_;
    bool started_ = false;
    double lastLookMs_ = 0.0;
    double worstLookGapMs_ = 0.0;
    double startMs_ = 0.0;
    std::uintmax_t lastBytes_ = 0;
    // When the buffer starting at `frame` was written. The driver keeps its own pace, a little
    // behind the real clock and not steadily, so these, not the sample rate, date a position.
    struct Mark {
        double ms;
        std::size_t frame;
    };
    std::vector<Mark> marks_;
};

// First frames of playbacks in interleaved stereo samples: sound that rises out of a quiet
// stretch. Playbacks closer together than the sound takes to fade are counted once.
std::vector<std::size_t> FindPlaybacks(std::span<const std::int16_t> samples, int channels);

} // namespace spinbeat_host
