// The beat sound: the file's path and log line, and what really reaches the audio device.
//
// SDL's disk audio driver writes everything the plugin plays to a file in the device's format
// (48 kHz, signed 16-bit, stereo), in real time, so a test can read back what a player would hear.
// The backends players have, ALSA and PulseAudio, are started for real at the end: a null device
// and a null sink, which stand in for the sound card alone.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "plugin-session.h"
#include "wav-file.h"

namespace {

using spinbeat_test::PluginSession;
using spinbeat_test::TempDir;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
// The device's buffer: a playback starts at the next buffer boundary.
constexpr double kBufferMs = 10.0;
// The marker that opens every test tone, so each playback's start can be found in the capture.
constexpr std::int16_t kMarker = 30000;

// A stereo tone already in the device's format, so the capture holds its samples unchanged: a
// 1 ms marker, then a square wave that never touches zero.
void WriteTone(const std::filesystem::path& file, int milliseconds) {
    const int frames = kRate * milliseconds / 1000;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        const std::int16_t value = i < kRate / 1000 ? kMarker : ((i / 24) % 2 == 0 ? 8000 : -8000);
        samples.push_back(value);
        samples.push_back(value);
    }
    wav::Write16(file, 2, kRate, samples);
}

// The left channel of a raw recording in the device's format.
std::vector<std::int16_t> LeftChannel(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::int16_t> left;
    std::int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) {
        left.push_back(frame[0]);
    }
    return left;
}

// Points SDL's disk driver at a file of the test's own, for the first device the plugin opens.
class DiskAudio {
public:
    DiskAudio() : file_(dir_.path() / "capture.raw") {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    }
    const std::filesystem::path& file() const { return file_; }

    // The left channel of everything captured so far.
    std::vector<std::int16_t> Left() const { return LeftChannel(file_); }

private:
    TempDir dir_;
    std::filesystem::path file_;
};

// Where each playback starts in the capture, in milliseconds: at its marker, or where sound
// starts out of silence, should a backend have cut the marker off.
std::vector<double> Onsets(const std::vector<std::int16_t>& samples) {
    std::vector<double> onsets;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if ((samples[i] == kMarker && (i == 0 || samples[i - 1] != kMarker)) ||
            (samples[i] != 0 && i > 0 && samples[i - 1] == 0)) {
            onsets.push_back(static_cast<double>(i) * 1000.0 / kRate);
        }
    }
    return onsets;
}

// Holds the roll in real time, one input update every 8 ms, and notes when each beat fired.
// Unless told to hold on, lets go at the end.
std::vector<double> HoldRollInRealTime(PluginSession& session, std::chrono::milliseconds length,
                                       bool letGo = true) {
    using namespace std::chrono_literals;
    std::vector<double> beats;
    const auto start = Clock::now();
    session.host.SetRoll(session.car, 1.0F);
    for (auto next = start; next - start < length; next += 8ms) {
        std::this_thread::sleep_until(next);
        session.host.Tick();
        // Between beats the elapsed time is below the interval; on a beat tick it has reached it.
        const float interval =
            60000.0F / static_cast<float>(session.host.GetCvar("spinbeat_bpm").getIntValue());
        if (static_cast<float>(session.Object().elapsedMs) >= interval) {
            beats.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    if (letGo) {
        session.host.SetRoll(session.car, 0.0F);
        session.host.Tick();
    }
    return beats;
}

std::vector<double> Gaps(const std::vector<double>& times) {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i) {
        gaps.push_back(times[i] - times[i - 1]);
    }
    return gaps;
}

// ---------------------------------------------------------------------------
// What the device gets
// ---------------------------------------------------------------------------

TEST(BeatSound, EveryBeatReachesTheDeviceAtTheBeatsSpacing) {
    DiskAudio audio;
    std::vector<double> beats;
    {
        PluginSession session(spinbeat_test::ModulePath());
        WriteTone(session.SoundPath(), 40);
        session.Console("spinbeat_bpm 300");
        beats = HoldRollInRealTime(session, std::chrono::milliseconds(700));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // The module is gone: its device is closed and the capture complete.
    const std::vector<double> onsets = Onsets(audio.Left());
    ASSERT_GE(beats.size(), 2U);
    ASSERT_EQ(onsets.size(), beats.size());
    const auto beatGaps = Gaps(beats);
    const auto onsetGaps = Gaps(onsets);
    for (std::size_t i = 0; i < beatGaps.size(); ++i) {
        // One buffer, plus the disk driver's own clock: it writes a little slower than real time,
        // by up to a few percent on a busy machine.
        EXPECT_NEAR(onsetGaps[i], beatGaps[i], kBufferMs + 0.05 * beatGaps[i]) << "beat " << i + 1;
    }
}

TEST(BeatSound, ANewPlaybackCutsTheOneStillSounding) {
    DiskAudio audio;
    std::vector<double> beats;
    {
        PluginSession session(spinbeat_test::ModulePath());
        WriteTone(session.SoundPath(), 300);
        session.Console("spinbeat_bpm 600");
        beats = HoldRollInRealTime(session, std::chrono::milliseconds(250));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    const std::vector<std::int16_t> samples = audio.Left();
    const std::vector<double> onsets = Onsets(samples);
    ASSERT_EQ(beats.size(), 2U);
    ASSERT_EQ(onsets.size(), 2U);
    // Queued after the first instead of in its place, the second would start 300 ms later.
    EXPECT_NEAR(onsets[1] - onsets[0], beats[1] - beats[0], kBufferMs + 0.05 * (beats[1] - beats[0]));
    // The second plays whole after the cut: 300 ms of tone, then silence.
    const auto first = static_cast<std::size_t>(onsets[0] * kRate / 1000);
    const auto second = static_cast<std::size_t>(onsets[1] * kRate / 1000);
    const auto end = second + kRate * 300 / 1000;
    ASSERT_GT(samples.size(), end + 10);
    for (std::size_t i = first; i < end; ++i) {
        ASSERT_NE(samples[i], 0) << "a gap in the sound at " << i * 1000.0 / kRate << " ms";
    }
    EXPECT_EQ(samples[end], 0);
}

TEST(BeatSound, FilesThatCannotBePlayedAreSkippedSilently) {
    DiskAudio audio;
    PluginSession session;
    const auto sound = session.SoundPath();
    const std::vector<std::function<void()>> unplayable = {
        [&] { std::filesystem::create_directory(sound); },
        [&] { std::ofstream(sound) << "RIFF garbage, not a wave file at all"; },
        [&] { std::ofstream(sound, std::ios::binary); },
        [&] {
            WriteTone(sound, 100);
            std::filesystem::resize_file(sound, 30);
        },
    };
    for (std::size_t i = 0; i < unplayable.size(); ++i) {
        SCOPED_TRACE(i);
        std::filesystem::remove_all(sound);
        unplayable[i]();
        session.RollAt(static_cast<std::int64_t>(i) * 10'000, 1.0F);
        session.RollAt(static_cast<std::int64_t>(i) * 10'000 + 2000, 1.0F);
        session.RollAt(static_cast<std::int64_t>(i) * 10'000 + 2001, 0.0F);
    }
    // The file exists each time, so nothing is reported, and nothing is played.
    EXPECT_EQ(session.MissingSoundLines(), 0U);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (const std::int16_t sample : audio.Left()) {
        ASSERT_EQ(sample, 0);
    }
}

TEST(BeatSound, AHeaderThatOverstatesItsSizeStillPlaysAndAnOverlongSoundIsSkipped) {
    DiskAudio audio;
    {
        PluginSession session(spinbeat_test::ModulePath());
        session.Console("spinbeat_bpm -1");
        session.host.SetRoll(session.car, 1.0F);
        session.host.Tick();
        // Eleven seconds is no beat sound.
        WriteTone(session.SoundPath(), 11'000);
        session.host.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // A data chunk that claims 2.6 GB but holds 40 ms: the sound is played as far as it goes.
        WriteTone(session.SoundPath(), 40);
        std::fstream patch(session.SoundPath(), std::ios::binary | std::ios::in | std::ios::out);
        patch.seekp(40);
        const std::uint32_t claimed = 0x9C000F00;
        patch.write(reinterpret_cast<const char*>(&claimed), 4);
        patch.close();
        session.host.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::vector<std::int16_t> samples = audio.Left();
    const std::vector<double> onsets = Onsets(samples);
    ASSERT_EQ(onsets.size(), 1U);
    EXPECT_GE(onsets[0], 40.0) << "the overlong sound must not have played before it";
    const auto start = static_cast<std::size_t>(onsets[0] * kRate / 1000);
    const std::size_t end = start + kRate * 40 / 1000;
    ASSERT_GT(samples.size(), end);
    EXPECT_NE(samples[end - 1], 0);
    EXPECT_EQ(samples[end], 0);
}

TEST(BeatSound, ADeviceThatWillNotOpenIsTriedAgainOnlyEveryFewSeconds) {
    DiskAudio audio;
    // The driver cannot create its file until this folder exists.
    const auto later = audio.file().parent_path() / "later";
    setenv("SDL_DISKAUDIOFILE", (later / "capture.raw").c_str(), 1);
    PluginSession session;
    session.InstallSound();
    session.Console("spinbeat_bpm -1");
    session.RollAt(0, 1.0F);
    session.RollAt(1000, 1.0F);
    std::filesystem::create_directory(later);
    session.RollAt(3999, 1.0F);
    EXPECT_FALSE(std::filesystem::exists(later / "capture.raw")) << "tried again too soon";
    session.RollAt(4001, 1.0F);
    EXPECT_TRUE(std::filesystem::exists(later / "capture.raw"));
}

// ---------------------------------------------------------------------------
// Finding the file
// ---------------------------------------------------------------------------

TEST(BeatSound, AMissingFileIsReportedWithItsFullPathOnEveryBeat) {
    PluginSession session;
    const std::string expected = "SOUND FILE NOT FOUND: " + session.SoundPath().string();
    session.RollAt(0, 1.0F);
    session.RollAt(1112, 1.0F);
    session.RollAt(2224, 1.0F);
    EXPECT_EQ(session.LinesStartingWith("SOUND FILE NOT FOUND"),
              (std::vector<std::string>{expected, expected}));

    // Looked up afresh each beat: the file counts from the next beat on, and so does its removal.
    session.InstallSound();
    session.RollAt(3336, 1.0F);
    EXPECT_EQ(session.MissingSoundLines(), 2U);
    std::filesystem::remove(session.SoundPath());
    session.RollAt(4448, 1.0F);
    EXPECT_EQ(session.MissingSoundLines(), 3U);
}

TEST(BeatSound, TheDataFolderIsJoinedWithOneSeparatorAndItsBytesKept) {
    PluginSession session;
    const std::string base = session.data.path().string();
    const std::string accented = base + "/donn\xC3\xA9\x65s \xE6\x97\xA5\xE6\x9C\xAC";
    const std::string notUtf8 = base + "/raw\xFF\xFE";
    std::filesystem::create_directory(accented);
    std::filesystem::create_directory(notUtf8);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {base, base + "/timesup.wav"},
        {base + "/", base + "/timesup.wav"},
        {accented, accented + "/timesup.wav"},
        {notUtf8 + "/", notUtf8 + "/timesup.wav"},
    };
    std::int64_t ms = 0;
    for (const auto& [folder, path] : cases) {
        SCOPED_TRACE(folder);
        session.host.SetDataFolder(folder);
        session.RollAt(ms, 1.0F);
        session.RollAt(ms + 1112, 1.0F);
        session.RollAt(ms + 1113, 0.0F);
        ms += 10'000;
        ASSERT_FALSE(session.LinesStartingWith("SOUND FILE NOT FOUND").empty());
        EXPECT_EQ(session.LinesStartingWith("SOUND FILE NOT FOUND").back(), "SOUND FILE NOT FOUND: " + path);
    }

    // With the file there, a folder of any name plays it without a word.
    const std::size_t lines = session.MissingSoundLines();
    std::filesystem::copy_file(spinbeat_test::GeneratedSound(), accented + "/timesup.wav");
    session.host.SetDataFolder(accented);
    session.RollAt(ms, 1.0F);
    session.RollAt(ms + 1112, 1.0F);
    EXPECT_EQ(session.MissingSoundLines(), lines);
}

TEST(BeatSound, APathThatCannotBeLookedAtCountsAsMissing) {
    PluginSession session;
    const auto dir = session.data.path();
    // A link loop and a name too long for the system both fail the lookup with an error of their
    // own, not "not found"; neither may escape into the host.
    std::filesystem::create_symlink("timesup.wav", dir / "timesup.wav");
    const std::string tooLong = dir.string() + "/" + std::string(300, 'x');
    const std::vector<std::string> folders = {dir.string(), tooLong};
    std::int64_t ms = 0;
    for (const auto& folder : folders) {
        session.host.SetDataFolder(folder);
        session.RollAt(ms, 1.0F);
        session.RollAt(ms + 1112, 1.0F);
        session.RollAt(ms + 1113, 0.0F);
        ms += 10'000;
        ASSERT_FALSE(session.LinesStartingWith("SOUND FILE NOT FOUND").empty());
        EXPECT_EQ(session.LinesStartingWith("SOUND FILE NOT FOUND").back(),
                  "SOUND FILE NOT FOUND: " + folder + "/timesup.wav");
    }
    // A dangling link is missing too.
    std::filesystem::remove(dir / "timesup.wav");
    std::filesystem::create_symlink("elsewhere.wav", dir / "timesup.wav");
    session.host.SetDataFolder(dir);
    session.RollAt(ms, 1.0F);
    session.RollAt(ms + 1112, 1.0F);
    EXPECT_EQ(session.MissingSoundLines(), 3U);
}

// ---------------------------------------------------------------------------
// The backends players have: ALSA and PulseAudio, each started here for real
// ---------------------------------------------------------------------------

// A program the test started, its output thrown away; it ends with the test, however that ends.
// Start it from the test's main thread: it also ends with the thread that started it.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const pid_t test = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = open("/dev/null", O_WRONLY);
            if (getppid() == test && null >= 0 && dup2(null, STDOUT_FILENO) >= 0 &&
                dup2(null, STDERR_FILENO) >= 0) {
                execvp(argv[0], argv.data());
            }
            _exit(127);
        }
        if (pid_ < 0) {
            throw std::system_error(errno, std::generic_category(), args[0]);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = 0;
};

bool Pactl(const std::string& args) {
    return std::system(("pactl " + args + " >/dev/null 2>&1").c_str()) == 0;
}

std::string NullSink(const std::string& name) {
    return "module-null-sink sink_name=" + name + " format=s16le rate=48000 channels=2";
}

// A PulseAudio server with one null sink, "null", in a runtime folder of the test's own; SDL
// is sent to it and to nothing else.
class PulseServer {
public:
    PulseServer() {
        const std::string dir = dir_.path().string();
        for (const char* name : {"PULSE_RUNTIME_PATH", "XDG_RUNTIME_DIR", "HOME"}) {
            setenv(name, dir.c_str(), 1);
        }
        setenv("PULSE_SERVER", ("unix:" + dir + "/native").c_str(), 1);
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        server_.emplace(std::vector<std::string>{
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--use-pid-file=no", "-L", NullSink("null"), "-L",
            "module-native-protocol-unix socket=" + dir + "/native auth-anonymous=1"});
        for (int i = 0; i < 100 && !Pactl("info"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!Pactl("info")) {
            throw std::runtime_error("the PulseAudio server did not start");
        }
    }

private:
    TempDir dir_;
    std::optional<Program> server_;
};

// What reaches a sink of the server, recorded from its monitor in the device's format.
class SinkRecording {
public:
    explicit SinkRecording(const std::string& sink) : file_(dir_.path() / "monitor.raw") {
        parec_.emplace(std::vector<std::string>{"parec", "--raw", "-d", sink + ".monitor", "--format=s16le",
                                                "--rate=48000", "--channels=2", "--latency-msec=10",
                                                file_.string()});
        // The monitor runs once samples arrive; a beat before that would be lost to the test.
        std::error_code error;
        for (int i = 0; i < 250 && (std::filesystem::file_size(file_, error) == 0 || error); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::vector<std::int16_t> Left() {
        parec_.reset();
        return LeftChannel(file_);
    }

private:
    TempDir dir_;
    std::filesystem::path file_;
    std::optional<Program> parec_;
};

// ALSA's default device on a machine with no sound hardware: the null device, as SDL's ALSA
// driver sees a real one. Tapped, ALSA's own file plugin copies what reaches it into a FIFO,
// which the test drains at the device's rate as a sound card would: the null device alone keeps
// no time and takes samples as fast as they come.
class AlsaNullDevice {
public:
    explicit AlsaNullDevice(bool tapped = false) {
        std::ofstream rc(home_.path() / ".asoundrc");
        if (tapped) {
            const auto fifo = home_.path() / "device.fifo";
            mkfifo(fifo.c_str(), 0600);
            // Opened for writing too, so that neither end waits for the other to open.
            fd_ = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            // As little slack as a sound card's buffer, not the 340 ms a pipe holds by default.
            fcntl(fd_, F_SETPIPE_SZ, 4096);
            rc << "pcm.!default { type file slave.pcm { type null } file \"" << fifo.string()
               << "\" format raw }\n";
            reader_ = std::thread([this] { Drain(); });
        } else {
            rc << "pcm.!default { type null }\n";
        }
        rc << "ctl.!default { type hw card 0 }\n";
        setenv("HOME", home_.path().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "alsa", 1);
    }
    AlsaNullDevice(const AlsaNullDevice&) = delete;
    AlsaNullDevice& operator=(const AlsaNullDevice&) = delete;
    ~AlsaNullDevice() { Stop(); }

    // Once the module has closed the device: the left channel of everything it played.
    std::vector<std::int16_t> Left() {
        Stop();
        std::vector<std::int16_t> left;
        for (std::size_t at = 0; at + 4 <= bytes_.size(); at += 4) {
            left.push_back(static_cast<std::int16_t>(bytes_[at] | bytes_[at + 1] << 8U));
        }
        return left;
    }

private:
    // One device buffer of 10 ms at a time, as a sound card frees its buffer.
    void Drain() {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kRate * 4 * kBufferMs / 1000));
        for (auto next = Clock::now(); !stop_; next += std::chrono::milliseconds(10)) {
            std::size_t got = 0;
            for (ssize_t n = 0; got < buffer.size(); got += static_cast<std::size_t>(n)) {
                if ((n = read(fd_, buffer.data() + got, buffer.size() - got)) <= 0) {
                    break;
                }
            }
            bytes_.insert(bytes_.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
            std::this_thread::sleep_until(next);
        }
    }
    void Stop() {
        if (reader_.joinable()) {
            stop_ = true;
            reader_.join();
            close(fd_);
        }
    }

    TempDir home_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::vector<std::uint8_t> bytes_;
    std::thread reader_;
};

// Plays beats at 300 BPM in real time and checks that each reached the backend as a playback of
// its own, spaced as the beats were within `tolerance`. The first beat opens the device and goes
// out before its buffers have filled: spacing counts from the second on.
void ExpectBeatsAtTheirSpacing(const std::function<std::vector<std::int16_t>()>& recorded, double tolerance) {
    std::vector<double> beats;
    {
        PluginSession session(spinbeat_test::ModulePath());
        WriteTone(session.SoundPath(), 40);
        session.Console("spinbeat_bpm 300");
        beats = HoldRollInRealTime(session, std::chrono::milliseconds(1200));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    const std::vector<double> onsets = Onsets(recorded());
    ASSERT_GE(beats.size(), 5U);
    ASSERT_EQ(onsets.size(), beats.size());
    const auto beatGaps = Gaps(beats);
    const auto onsetGaps = Gaps(onsets);
    for (std::size_t i = 0; i < beatGaps.size(); ++i) {
        std::printf("beat %zu: %.2f ms after the last, played %.2f ms after the last\n", i + 2, beatGaps[i],
                    onsetGaps[i]);
        if (i > 0) {
            EXPECT_NEAR(onsetGaps[i], beatGaps[i], tolerance) << "beat " << i + 2;
        }
    }
}

std::vector<std::pair<std::uintptr_t, int>> SignalDispositions() {
    std::vector<std::pair<std::uintptr_t, int>> dispositions;
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        dispositions.emplace_back(reinterpret_cast<std::uintptr_t>(action.sa_handler), action.sa_flags);
    }
    return dispositions;
}

// The process's SDL, called as a host that uses SDL itself would call it.
template <typename Function>
Function* Sdl(const char* name) {
    static void* const library = dlopen("libSDL2-2.0.so.0", RTLD_NOW);
    return reinterpret_cast<Function*>(dlsym(library, name));
}
#define HOST_SDL(function) Sdl<decltype(function)>(#function)

// Fifty sessions of load, one beat and unload in a host with SDL loaded but never started, and a
// hint of its own. Returns what the module changed of the host's signals, its SDL and its hints.
std::string SessionsChangeToTheHost(std::string_view driver) {
    HOST_SDL(SDL_SetHint)(SDL_HINT_APP_NAME, "the host");
    const auto signals = SignalDispositions();
    TempDir data;
    std::filesystem::copy_file(spinbeat_test::GeneratedSound(), data.path() / "timesup.wav");
    pluginsdk::host::Host host(data.path());
    host.SetFreeplay(true);
    host.SetRoll(host.AddCar(), 1.0F);
    for (int session = 0; session < 50; ++session) {
        auto& plugin = host.LoadPlugin(spinbeat_test::TestModulePath());
        host.ExecuteConsoleLine("spinbeat_bpm -1");
        host.Tick();
        host.Tick();
        if (HOST_SDL(SDL_GetCurrentAudioDriver)() != driver) {
            return "the beat did not start SDL's audio on the backend";
        }
        if (SignalDispositions() != signals) {
            return "the first beat changed the host's signal handling";
        }
        host.UnloadPlugin(plugin);
    }
    if (HOST_SDL(SDL_WasInit)(SDL_INIT_EVERYTHING) != 0) {
        return "SDL is left started";
    }
    if (std::string_view(HOST_SDL(SDL_GetHint)(SDL_HINT_APP_NAME)) != "the host") {
        return "the host's hint is gone";
    }
    // The host's own SDL takes the signals as it always would.
    HOST_SDL(SDL_InitSubSystem)(SDL_INIT_EVENTS);
    const bool taken = SignalDispositions() != signals;
    HOST_SDL(SDL_QuitSubSystem)(SDL_INIT_EVENTS);
    return taken ? "" : "the host's SDL no longer handles SIGINT and SIGTERM";
}

// The sessions in a process of their own, with the backend started there too, which must end at
// once afterwards.
template <typename Backend>
void ExpectSessionsLeaveTheHostAsItWas(std::string_view driver) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto start = Clock::now();
    EXPECT_EXIT(
        {
            std::string problem;
            {
                Backend backend;
                problem = SessionsChangeToTheHost(driver);
            }
            std::fputs(problem.c_str(), stderr);
            std::exit(problem.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
}

// A null sink nobody listens to wakes its players only every second or two, and each unload would
// wait that long for SDL's thread.
struct PulseServerWithListener {
    PulseServer server;
    SinkRecording listener{"null"};
};

TEST(BeatSoundOnAlsa, BeatsReachTheDeviceAtTheBeatsSpacing) {
    AlsaNullDevice device(true);
    // The FIFO holds a buffer of its own, which the scheduler drains a little late at times.
    ExpectBeatsAtTheirSpacing([&] { return device.Left(); }, 2 * kBufferMs);
}

TEST(BeatSoundOnAlsa, SessionsLeaveTheHostAsItWasAndTheProcessEndsAtOnce) {
    ExpectSessionsLeaveTheHostAsItWas<AlsaNullDevice>("alsa");
}

TEST(BeatSoundOnPulseAudio, BeatsReachTheSinkAtTheBeatsSpacing) {
    PulseServer server;
    SinkRecording sink("null");
    ExpectBeatsAtTheirSpacing([&] { return sink.Left(); }, kBufferMs);
}

TEST(BeatSoundOnPulseAudio, SessionsLeaveTheHostAsItWasAndTheProcessEndsAtOnce) {
    ExpectSessionsLeaveTheHostAsItWas<PulseServerWithListener>("pulseaudio");
}

// The sink goes away while the metronome runs, and another comes: the sound comes back by itself.
TEST(BeatSoundOnPulseAudio, ABeatAfterTheSinkWasReplacedIsHeard) {
    PulseServer server;
    PluginSession session(spinbeat_test::ModulePath());
    WriteTone(session.SoundPath(), 40);
    session.Console("spinbeat_bpm 300");
    ASSERT_FALSE(HoldRollInRealTime(session, std::chrono::milliseconds(500), false).empty());
    // The game stalls a moment meanwhile, the roll still held.
    ASSERT_TRUE(Pactl("unload-module module-null-sink"));
    ASSERT_TRUE(Pactl("load-module " + NullSink("replacement")));
    SinkRecording replacement("replacement");
    ASSERT_GE(HoldRollInRealTime(session, std::chrono::milliseconds(1000)).size(), 4U);
    EXPECT_FALSE(Onsets(replacement.Left()).empty()) << "nothing played after the sink was replaced";
}

} // namespace
