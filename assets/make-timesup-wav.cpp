// Writes the beat sound: a 40 ms percussive click, 48 kHz mono 16-bit PCM, the same bytes every time.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "wav-file.h"

namespace {

constexpr int kSampleRate = 48000;
constexpr int kSamples = kSampleRate * 40 / 1000;

// Two tones with a 1 ms attack and a fast exponential decay: a woodblock-like tick that cuts
// through engine noise without ringing into the next beat.
std::vector<std::int16_t> Click() {
    std::vector<std::int16_t> samples(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double attack = std::min(1.0, t / 0.001);
        const double decay = std::exp(-t / 0.008);
        const double tone = 0.7 * std::sin(2 * std::numbers::pi * 1800.0 * t) +
                            0.3 * std::sin(2 * std::numbers::pi * 3100.0 * t);
        samples[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::lround(26000.0 * attack * decay * tone));
    }
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    const std::vector<std::int16_t> samples = Click();
    if (!wav::Write16(argv[1], 1, kSampleRate, samples)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
