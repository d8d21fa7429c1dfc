// The plugin's sound device as its SDL output opens it: what a capture of it holds, sample for sample.
#pragma once

#include "audio-capture.h"

namespace spinbeat_test {

// The format spinbeat-host's capture reads, which is the plugin's: 48 kHz, signed 16-bit, stereo,
// in buffers of 40 ms. A sound is heard one buffer after it was handed over: the output places it
// that far ahead, at its offset within the buffer.
inline constexpr int kDeviceRate = spinbeat_host::kCaptureRate;
inline constexpr int kDeviceChannels = spinbeat_host::kCaptureChannels;
inline constexpr int kDeviceBufferFrames = static_cast<int>(spinbeat_host::kCaptureBufferFrames);
inline constexpr double kDeviceBufferMs = 1000.0 * kDeviceBufferFrames / kDeviceRate;
inline constexpr double kDeviceFramesPerMs = kDeviceRate / 1000.0;
// The output places a sound to a sample, by the device's pace as its callbacks show it: this much
// off, besides what the run's own lateness adds.
inline constexpr double kPlacementMs = 1.0;

} // namespace spinbeat_test
