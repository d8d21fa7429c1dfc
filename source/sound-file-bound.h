// What one beat file may cost the SDL sound output, in bytes, whatever the file holds or declares.
#pragma once

#include <algorithm>
#include <cstddef>

namespace sound_bound {

// A beat sound is a click: a file this big is no beat sound, and reading more would stall the game
// thread.
inline constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20U;
// Nor is a sound this long; a longer one plays nothing.
inline constexpr std::size_t kMaxSeconds = 10;

// SDL's wave decoders write at most this many bytes for each byte of data (MS and IMA ADPCM just
// under 4, A-law and mu-law 2, 24-bit PCM 4/3 once its block is its frame, other PCM 1).
inline constexpr std::size_t kMaxDecodedPerByte = 4;
// The largest single allocation: the decoded sound of the largest file, 64 MiB.
inline constexpr std::size_t kMaxAllocationBytes = kMaxDecodedPerByte * kMaxFileBytes;
// SDL's bookkeeping besides: the part of the format chunk it reads (at most 1046 bytes), the
// MS ADPCM coefficients (at most 1 KiB), its readers.
inline constexpr std::size_t kLoaderBookkeepingBytes = 16U << 10U;
// Loading holds the file, SDL's copy of its data and the decoded sound at once: 96 MiB.
inline constexpr std::size_t kMaxLoadBytes =
    kMaxFileBytes + kMaxFileBytes + kMaxAllocationBytes + kLoaderBookkeepingBytes;

// The longest sound in the device's format (48 kHz, 16-bit stereo), 1.92 MB.
inline constexpr std::size_t kMaxSoundBytes = kMaxSeconds * 48000 * 4;
// The decoded sound goes to SDL's converter this many frames at a time (no fewer than it stages
// itself at 384 kHz), rounded up to a whole number of the device's frames: at a rate that shares
// little with 48 kHz, up to a second of input.
inline constexpr std::size_t kPieceFrames = 4096;
// The converter's work buffer holds a piece again, as float (at most 32 bytes a frame) and
// resampled: at its largest a second at 383,999 Hz, (383,999 + 48,000) x 32 bytes = 13.8 MB; with
// its resampler's state, at most 16 MiB.
inline constexpr std::size_t kMaxConverterBytes = std::size_t{16} << 20U;
// Converting holds the decoded sound, the converter, its output and our copy of that: 87.7 MB.
inline constexpr std::size_t kMaxConvertBytes = kMaxAllocationBytes + kMaxConverterBytes + 2 * kMaxSoundBytes;

// The most the output holds for one file at any moment: 96 MiB, while loading.
inline constexpr std::size_t kMaxBytesPerFile = std::max(kMaxLoadBytes, kMaxConvertBytes);

} // namespace sound_bound
