// Writes the beat sound: a 40 ms percussive click, 48 kHz mono 16-bit PCM, the same bytes every time.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kSampleRate = 48000;
constexpr int kSamples = kSampleRate * 40 / 1000;

void Put16(std::ofstream& out, std::uint16_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    out.write(bytes, 2);
}

void Put32(std::ofstream& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

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
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
    std::ofstream out(argv[1], std::ios::binary);
    out.write("RIFF", 4);
    Put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kSampleRate);
    Put32(out, kSampleRate * 2);
    Put16(out, 2);
    Put16(out, 16);
    out.write("data", 4);
    Put32(out, dataBytes);
    for (const std::int16_t sample : samples) {
        Put16(out, static_cast<std::uint16_t>(sample));
    }
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
