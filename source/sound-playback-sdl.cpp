// Sound output through SDL2 audio, where the Windows sound call is not available.
//
// The device is opened on first use, always in one format: 48 kHz, signed 16-bit, stereo, 10 ms
// buffers. Each file is converted to it and queued in place of whatever was still queued, which
// stops a sound still playing at the next buffer boundary.
#include <SDL.h>

#include <cstdint>
#include <memory>
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

class AudioOutput {
public:
    AudioOutput() = default;
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
    // Runs when the module unloads: no audio thread of SDL may outlive our code.
    ~AudioOutput() {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
        }
        if (subsystemUp_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }

    void Play(const std::filesystem::path& file) {
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

private:
    bool Open() {
        if (device_ != 0) {
            return true;
        }
        const std::int64_t now = MonotonicNowNs();
        if (hasFailed_ && now - failedAt_ < kRetryAfterNs) {
            return false;
        }
        if (!subsystemUp_) {
            subsystemUp_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
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
        SDL_AudioSpec spec{};
        Uint8* data = nullptr;
        Uint32 length = 0;
        if (SDL_LoadWAV(file.c_str(), &spec, &data, &length) == nullptr) {
            return {};
        }
        const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(data, &SDL_FreeWAV);
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

// Linux paths are bytes; the console gets them exactly as they are.
std::string PathForLog(const std::filesystem::path& path) { return path.native(); }
