// Sound output through SDL2 audio, where the Windows sound call is not available.
//
// The device is opened on first use, always in one format: 48 kHz, signed 16-bit, stereo, 40 ms
// buffers. A sound server asks for about one buffer of lead, so buffers that size ride out a
// busy machine that 10 ms buffers did not: the server ran dry mid-sound and the click broke up.
// Buffers that long would make each beat start up to a buffer late, so each new sound is placed
// inside its buffer where its hand-over time falls: every sound is heard the same fixed time after
// it was handed over, and it stops the one still sounding right there.
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "clock.h"
#include "sound-file-bound.h"
#include "sound-playback.h"

namespace {

constexpr int kSampleRate = 48000;
constexpr SDL_AudioFormat kSampleFormat = AUDIO_S16SYS;
constexpr Uint8 kChannels = 2;
constexpr Uint16 kBufferFrames = kSampleRate / 25;
constexpr std::size_t kBytesPerFrame = sizeof(Sint16) * kChannels;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr double kBufferNs = static_cast<double>(kBufferFrames) * kNsPerSecond / kSampleRate;
// A failed open can take a tenth of a second on the game thread: never try on every beat.
constexpr std::int64_t kRetryAfterNs = 3'000'000'000;
using sound_bound::kMaxFileBytes;
using sound_bound::kMaxSeconds;
using sound_bound::kPieceFrames;

std::uint32_t Read16(const std::vector<Uint8>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8U;
}

std::uint32_t Read32(const std::vector<Uint8>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8U |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16U |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24U;
}

void Write32(std::vector<Uint8>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<Uint8>(value >> (8 * i));
    }
}

bool IsTag(const std::vector<Uint8>& bytes, std::size_t at, const char (&tag)[5]) {
    return std::memcmp(bytes.data() + at, tag, 4) == 0;
}

// SDL's wave loader reads the chunks after "RIFF", its length and "WAVE" (at 12), or after a bare
// "WAVE" (at 4), each header 8 + length + (length & 1) bytes after the last, and its hints only end
// that walk sooner or make it stricter. It allocates the length the first "data" chunk declares
// before it reads a byte, and decodes by the first "fmt ". This is the same walk: it cuts every
// declared length to what the file holds, and turns down the one format whose decoding could outgrow
// sound_bound::kMaxDecodedPerByte. False: a file SDL would not play, or not within the bound.
bool KeepWithinBound(std::vector<Uint8>& bytes) {
    std::size_t at = 0;
    if (bytes.size() >= 12 && IsTag(bytes, 0, "RIFF") && IsTag(bytes, 8, "WAVE")) {
        at = 12;
    } else if (bytes.size() >= 4 && IsTag(bytes, 0, "WAVE")) {
        at = 4;
    } else {
        return false;
    }
    std::optional<std::size_t> format;
    while (at + 8 <= bytes.size()) {
        const auto length =
            std::min(Read32(bytes, at + 4), static_cast<std::uint32_t>(bytes.size() - at - 8));
        Write32(bytes, at + 4, length);
        if (!format && IsTag(bytes, at, "fmt ")) {
            // SDL decodes no format chunk shorter than that.
            if (length < 16) {
                return false;
            }
            format = at + 8;
        }
        at += 8 + static_cast<std::size_t>(length) + (length & 1U);
    }
    // SDL widens 24-bit samples to 32 bits by the block: blocks smaller than their 3 bytes a channel
    // would make each byte of data up to 1020.
    return !format || Read16(bytes, *format + 14) != 24 ||
           Read16(bytes, *format + 12) >= 3 * Read16(bytes, *format + 2);
}

std::vector<Uint8> ReadSmallFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileBytes) {
        return {};
    }
    std::vector<Uint8> bytes(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        return {};
    }
    return bytes;
}

// Where a sound goes in the device's buffers is a matter of the real clock the device plays by,
// whatever clock the beats are timed with.
std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The device's own pace, read from the times its buffers are asked for. A sound card asks on its
// own clock, and the thread that answers only ever runs late: the earliest asks mark the device's
// time best. Each ask is expected a buffer after the last; one that comes later than that moves the
// expectation on by a little at most, so that a late thread shifts no sound by more than that, and
// a far later one, or a sooner one, is taken as it comes. A driver that writes as it is asked, like
// SDL's disk driver, is followed exactly as long as it runs no more than a little slow.
class DeviceClock {
public:
    struct Window {
        // Sounds handed over from `begin` until `end` start in this buffer, `begin` at its start.
        double begin;
        double end;
    };

    Window Advance(std::int64_t nowNs) {
        const auto now = static_cast<double>(nowNs);
        const double previous = started_ ? current_ : now - kBufferNs;
        const double late = now - (previous + kBufferNs);
        current_ =
            started_ && late > kCreepNs && late < kBufferNs / 4 ? previous + kBufferNs + kCreepNs : now;
        started_ = true;
        return {previous, current_};
    }
    void Reset() { started_ = false; }

private:
    // A device may run this much slow per buffer and still be followed ask by ask.
    static constexpr double kCreepNs = 1'000'000.0;

    bool started_ = false;
    double current_ = 0.0;
};

// SDL's audio can leave threads of its own running past this module (see AudioOutput), and keeps
// state of its own after its audio is shut down: its library stays for the process's life.
void KeepSdlLoaded() {
    static const bool pinned = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    static_cast<void>(pinned);
}

// Starting SDL's audio starts its events too, which take SIGINT and SIGTERM from a host that may
// never have asked for SDL. The hint holds that off, and is then put back as the host had it, so
// that the host's own use of SDL later behaves as if the module had never been there.
bool InitAudioLeavingSignalsAlone() {
    if (SDL_WasInit(SDL_INIT_EVENTS) != 0) {
        return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    const char* hostValue = SDL_GetHint(SDL_HINT_NO_SIGNAL_HANDLERS);
    const std::optional<std::string> before =
        hostValue != nullptr ? std::optional<std::string>(hostValue) : std::nullopt;
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    const bool up = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    // Back to the environment's value, or to none; a value the host set itself is set again.
    SDL_ResetHint(SDL_HINT_NO_SIGNAL_HANDLERS);
    if (before && SDL_getenv(SDL_HINT_NO_SIGNAL_HANDLERS) == nullptr) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, before->c_str());
    }
    return up;
}

// Set under the device's lock once the output's buffers are gone while its device is still open; of
// a trivial type, so that the audio thread may still read it then.
bool outputGone = false;

// Its destructor shuts nothing down: at module unload it runs under the loader's lock, and shutting
// SDL's audio down there joins threads that may wait for that very lock (ALSA's hotplug thread
// loads libraries). Release, called by onUnload and again by deleteMe, does it instead, and closes
// the device, whose thread calls into this module to fill it, before the module can go.
class AudioOutput {
public:
    AudioOutput() = default;
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
    // A host that exits without unloading the module leaves the device open, and its thread filling
    // it from buffers that go here: from now on it fills it with silence.
    ~AudioOutput() {
        if (device_ != 0) {
            SDL_LockAudioDevice(device_);
            outputGone = true;
            SDL_UnlockAudioDevice(device_);
        }
    }

    void Play(const std::filesystem::path& file) {
        const std::int64_t handedOverNs = SteadyNs();
        // Unplugged, or the sound server went away: a stopped device never plays again.
        if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
            Close();
        }
        if (!Open()) {
            return;
        }
        std::vector<Uint8> samples = LoadConverted(file);
        if (samples.empty()) {
            return;
        }
        SDL_LockAudioDevice(device_);
        pending_.swap(samples);
        pendingAtNs_ = handedOverNs;
        hasPending_ = true;
        SDL_UnlockAudioDevice(device_);
        // `samples` now holds a sound that was never started or has played out: it is freed here,
        // not on the audio thread.
    }

    void Release() {
        Close();
        if (subsystemUp_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            subsystemUp_ = false;
        }
        hasFailed_ = false;
    }

private:
    bool Open() {
        if (device_ != 0) {
            return true;
        }
        // Not the beat clock: a beat tick may read that only twice.
        const std::int64_t now = OtherNowNs();
        if (hasFailed_ && now - failedAt_ < kRetryAfterNs) {
            return false;
        }
        if (!subsystemUp_) {
            KeepSdlLoaded();
            subsystemUp_ = InitAudioLeavingSignalsAlone();
        }
        if (subsystemUp_) {
            SDL_AudioSpec want{};
            want.freq = kSampleRate;
            want.format = kSampleFormat;
            want.channels = kChannels;
            want.samples = kBufferFrames;
            want.callback = &AudioOutput::Fill;
            want.userdata = this;
            SDL_AudioSpec have{};
            device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
        if (device_ == 0) {
            hasFailed_ = true;
            failedAt_ = now;
            return false;
        }
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    // Joins the audio thread: nothing calls Fill once this returns.
    void Close() {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
        clock_.Reset();
        playing_ = {};
        pending_ = {};
        playingAt_ = 0;
        hasPending_ = false;
    }

    // The audio thread's callback, under the device's lock.
    static void SDLCALL Fill(void* self, Uint8* stream, int length) {
        if (outputGone) {
            std::memset(stream, 0, static_cast<std::size_t>(length));
            return;
        }
        static_cast<AudioOutput*>(self)->Mix(stream, static_cast<std::size_t>(length));
    }

    // The sound playing, cut where a new one starts, then the new one. Nothing is allocated or
    // freed on the audio thread.
    void Mix(Uint8* stream, std::size_t length) {
        const DeviceClock::Window window = clock_.Advance(SteadyNs());
        std::size_t switchAt = length;
        // A sound handed over after this buffer's window waits for the next buffer.
        if (hasPending_ && static_cast<double>(pendingAtNs_) < window.end) {
            const double offsetNs = std::max(0.0, static_cast<double>(pendingAtNs_) - window.begin);
            const auto frame = static_cast<std::size_t>(offsetNs * kSampleRate / kNsPerSecond);
            switchAt = std::min(frame * kBytesPerFrame, length - kBytesPerFrame);
        }
        CopyPlaying(stream, switchAt);
        if (switchAt < length) {
            playing_.swap(pending_);
            playingAt_ = 0;
            hasPending_ = false;
            CopyPlaying(stream + switchAt, length - switchAt);
        }
    }

    void CopyPlaying(Uint8* out, std::size_t length) {
        const std::size_t take = std::min(length, playing_.size() - playingAt_);
        if (take > 0) {
            std::memcpy(out, playing_.data() + playingAt_, take);
        }
        std::memset(out + take, 0, length - take);
        playingAt_ += take;
    }

    // The file's samples in the device's format; empty when it is no wave file SDL can read, or one
    // whose sound is longer than kMaxSeconds.
    static std::vector<Uint8> LoadConverted(const std::filesystem::path& file) {
        SDL_AudioSpec spec{};
        Uint32 length = 0;
        const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(LoadWave(file, spec, length), &SDL_FreeWAV);
        if (!wav) {
            return {};
        }
        // Rates and layouts no recording uses only reach corners of the converter that nobody plays.
        if (spec.freq < 1000 || spec.freq > 384000 || spec.channels < 1 || spec.channels > 8) {
            return {};
        }
        // Converted to the device's rate, a sound grows by the ratio of the rates: none may be too long.
        const Uint32 frameBytes = spec.channels * SDL_AUDIO_BITSIZE(spec.format) / 8U;
        if (frameBytes == 0 ||
            length / frameBytes > std::uint64_t{kMaxSeconds} * static_cast<Uint32>(spec.freq)) {
            return {};
        }
        const std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> stream(
            SDL_NewAudioStream(spec.format, spec.channels, spec.freq, kSampleFormat, kChannels, kSampleRate),
            &SDL_FreeAudioStream);
        if (!stream) {
            return {};
        }
        // The converter's work buffer grows with what it is given at once: a piece at a time, each a
        // whole number of the device's frames, or the resampler would shift each by a part of one.
        const auto unit = static_cast<Uint32>(spec.freq / std::gcd(spec.freq, kSampleRate));
        const auto piece = static_cast<Uint32>((kPieceFrames + unit - 1) / unit * unit * frameBytes);
        for (Uint32 at = 0; at < length; at += piece) {
            if (SDL_AudioStreamPut(stream.get(), wav.get() + at,
                                   static_cast<int>(std::min(piece, length - at))) != 0) {
                return {};
            }
        }
        if (SDL_AudioStreamFlush(stream.get()) != 0) {
            return {};
        }
        std::vector<Uint8> samples(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream.get())));
        const int got = SDL_AudioStreamGet(stream.get(), samples.data(), static_cast<int>(samples.size()));
        samples.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return samples;
    }

    // The file decoded by SDL, or null. The file's own bytes go as soon as SDL has read them.
    static Uint8* LoadWave(const std::filesystem::path& file, SDL_AudioSpec& spec, Uint32& length) {
        std::vector<Uint8> bytes = ReadSmallFile(file);
        Uint8* data = nullptr;
        if (bytes.empty() || !KeepWithinBound(bytes) ||
            SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, &spec, &data,
                           &length) == nullptr) {
            return nullptr;
        }
        return data;
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystemUp_ = false;
    bool hasFailed_ = false;
    std::int64_t failedAt_ = 0;
    // Shared with the audio thread, under the device's lock.
    DeviceClock clock_;
    std::vector<Uint8> playing_;
    std::size_t playingAt_ = 0;
    std::vector<Uint8> pending_;
    std::int64_t pendingAtNs_ = 0;
    bool hasPending_ = false;
};

AudioOutput output;

} // namespace

void PlaySoundFile(const std::filesystem::path& file) { output.Play(file); }

void ReleaseSoundOutput() noexcept { output.Release(); }

// Linux paths are bytes; the console gets them exactly as they are.
std::string PathForLog(const std::filesystem::path& path) { return path.native(); }
