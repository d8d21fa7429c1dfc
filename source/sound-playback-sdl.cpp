// Sound output through SDL2 audio, where the Windows sound call is not available.
//
// The device is opened on first use, always in one format: 48 kHz, signed 16-bit, stereo, 10 ms
// buffers. Each file is converted to it and queued in place of whatever was still queued, which
// stops a sound still playing at the next buffer boundary.
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "clock.h"
#include "sound-playback.h"

namespace {

constexpr int kSampleRate = 48000;
constexpr SDL_AudioFormat kSampleFormat = AUDIO_S16SYS;
constexpr Uint8 kChannels = 2;
constexpr Uint16 kBufferFrames = kSampleRate / 100;
// A failed open can take a tenth of a second on the game thread: never try on every beat.
constexpr std::int64_t kRetryAfterNs = 3'000'000'000;
// A beat sound is a click. Anything far bigger or longer is no beat sound, and loading it would
// stall the game thread or exhaust its memory.
constexpr std::uintmax_t kMaxFileBytes = 16U << 20U;
constexpr Uint32 kMaxSeconds = 10;

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

// SDL allocates whatever a chunk header claims before it reads a byte: a damaged header of a
// hundred-byte file can ask for gigabytes. No chunk may claim more than the file holds.
void TrimChunksToFile(std::vector<Uint8>& bytes) {
    if (bytes.size() < 12) {
        return;
    }
    const auto size = static_cast<std::uint32_t>(bytes.size());
    Write32(bytes, 4, std::min(Read32(bytes, 4), size - 8));
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const auto available = static_cast<std::uint32_t>(bytes.size() - at - 8);
        const std::uint32_t length = std::min(Read32(bytes, at + 4), available);
        Write32(bytes, at + 4, length);
        at += 8 + static_cast<std::size_t>(length) + (length & 1U);
    }
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

// No destructor of its own: at module unload it would run under the loader's lock, and shutting
// SDL's audio down there joins threads that may wait for that very lock (ALSA's hotplug thread
// loads libraries). Release, called by onUnload and again by deleteMe, does it instead; whatever is
// still open when the module goes (a host that never calls them) is left to SDL, whose library
// stays loaded.
class AudioOutput {
public:
    void Play(const std::filesystem::path& file) {
        // Unplugged, or the sound server went away: a stopped device never plays again.
        if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
        if (!Open()) {
            return;
        }
        std::vector<Uint8> samples = LoadConverted(file);
        if (samples.empty()) {
            return;
        }
        SDL_ClearQueuedAudio(device_);
        SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size()));
    }

    void Release() {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
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

    // The file's samples in the device's format; empty when it is no wave file SDL can read.
    static std::vector<Uint8> LoadConverted(const std::filesystem::path& file) {
        std::vector<Uint8> bytes = ReadSmallFile(file);
        if (bytes.empty()) {
            return {};
        }
        TrimChunksToFile(bytes);
        SDL_AudioSpec spec{};
        Uint8* data = nullptr;
        Uint32 length = 0;
        if (SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, &spec, &data,
                           &length) == nullptr) {
            return {};
        }
        const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(data, &SDL_FreeWAV);
        // Rates and layouts no recording uses only reach corners of the converter that nobody plays.
        if (spec.freq < 1000 || spec.freq > 384000 || spec.channels < 1 || spec.channels > 8) {
            return {};
        }
        // Converting to the device's rate scales the sound's size by the ratio of the rates.
        const Uint32 bytesPerSecond =
            static_cast<Uint32>(spec.freq) * spec.channels * SDL_AUDIO_BITSIZE(spec.format) / 8;
        if (bytesPerSecond == 0 || length / bytesPerSecond > kMaxSeconds) {
            return {};
        }
        const std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> stream(
            SDL_NewAudioStream(spec.format, spec.channels, spec.freq, kSampleFormat, kChannels, kSampleRate),
            &SDL_FreeAudioStream);
        if (!stream || SDL_AudioStreamPut(stream.get(), data, static_cast<int>(length)) != 0 ||
            SDL_AudioStreamFlush(stream.get()) != 0) {
            return {};
        }
        std::vector<Uint8> samples(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream.get())));
        const int got = SDL_AudioStreamGet(stream.get(), samples.data(), static_cast<int>(samples.size()));
        samples.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return samples;
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystemUp_ = false;
    bool hasFailed_ = false;
    std::int64_t failedAt_ = 0;
};

AudioOutput output;

} // namespace

void PlaySoundFile(const std::filesystem::path& file) { output.Play(file); }

void ReleaseSoundOutput() noexcept { output.Release(); }

// Linux paths are bytes; the console gets them exactly as they are.
std::string PathForLog(const std::filesystem::path& path) { return path.native(); }
