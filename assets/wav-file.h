// Writes 16-bit PCM wave files: the beat sound's generator, spinbeat-host's audio.wav and the tests'
// own sounds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace wav {

// `samples` holds the channels interleaved. Returns false when the file could not be written.
inline bool Write16(const std::filesystem::path& file, std::uint16_t channels, std::uint32_t rate,
                    std::span<const std::int16_t> samples) {
    std::ofstream out(file, std::ios::binary);
    const auto put16 = [&](std::uint16_t value) {
        const char bytes[2] = {static_cast<char>(value & 0xFFU), static_cast<char>(value >> 8U)};
        out.write(bytes, 2);
    };
    const auto put32 = [&](std::uint32_t value) {
        put16(static_cast<std::uint16_t>(value & 0xFFFFU));
        put16(static_cast<std::uint16_t>(value >> 16U));
    };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
    const auto frameBytes = static_cast<std::uint16_t>(channels * sizeof(std::int16_t));
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1); // PCM
    put16(channels);
    put32(rate);
    put32(rate * frameBytes);
    put16(frameBytes);
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    for (const std::int16_t sample : samples) {
        put16(static_cast<std::uint16_t>(sample));
    }
    return static_cast<bool>(out);
}

} // namespace wav
