// The audio backends players have, each started here for real: ALSA, on a null device that a
// thread of the test drains at the device's rate as a sound card would, and a PulseAudio server with a
// null sink, recorded from its monitor. Both keep their own sample clock, so where a beat lands in
// what they played is when a player would have heard it.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "plugin-session.h"
#include "programs.h"
#include "realtime-sound.h"

namespace {

using spinbeat_test::BackgroundProgram;
using spinbeat_test::Clock;
using spinbeat_test::PluginSession;
using spinbeat_test::TempDir;
using spinbeat_test::TickWindow;

using spinbeat_test::kJudgeMilliseconds;
using spinbeat_test::kPlacementMs;
constexpr std::size_t kBytesPerMs = spinbeat_test::kDeviceRate / 1000 * spinbeat_test::kDeviceChannels * 2;

bool Pactl(const std::string& args) {
    return std::system(("pactl " + args + " >/dev/null 2>&1").c_str()) == 0;
}

std::string NullSink(const std::string& name) {
    return "module-null-sink sink_name=" + name + " format=s16le rate=48000 channels=2";
}

// A PulseAudio server with one null sink, "null", in a runtime folder of the test's own; SDL
// is sent to it and to nothing else. Started from the test's main thread, it ends with it.
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

    // How long the server's threads have waited to run, in all.
    double WaitedMs() const { return spinbeat_test::RunQueueWaitMs(server_->Pid()); }

private:
    TempDir dir_;
    std::optional<BackgroundProgram> server_;
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
        return spinbeat_test::LeftChannel(file_);
    }

private:
    TempDir dir_;
    std::filesystem::path file_;
    std::optional<BackgroundProgram> parec_;
};

// ALSA's default device on a machine with no sound hardware: the null device, as SDL's ALSA
// driver sees a real one. Tapped, ALSA's own file plugin copies what reaches it into a FIFO as
// large as SDL's two periods, and a thread plays it as a sound card does: one period at each
// period's end, on the clock, at a real-time priority where the system allows, since a card's clock
// is never late; what the player's side has not written by then is played as silence. The null
// device alone keeps no time and takes samples as fast as they come.
class AlsaNullDevice {
public:
    explicit AlsaNullDevice(bool tapped = false) {
        std::ofstream rc(home_.path() / ".asoundrc");
        if (tapped) {
            const auto fifo = home_.path() / "device.fifo";
            mkfifo(fifo.c_str(), 0600);
            // Opened for writing too, so that neither end waits for the other to open.
            fd_ = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            fcntl(fd_, F_SETPIPE_SZ, 2 * kPeriodBytes);
            rc << "pcm.!default { type file slave.pcm { type null } file \"" << fifo.string()
               << "\" format raw }\n";
            reader_ = std::thread([this] { Play(); });
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

    // Once the module has closed the device: the left channel of everything the card played.
    std::vector<std::int16_t> Left() {
        Stop();
        return spinbeat_test::LeftChannel(played_);
    }
    // How late the card took its periods, at worst: with no real-time priority, it can be.
    double LateMs() const { return lateMs_; }

private:
    static constexpr std::size_t kPeriodBytes = spinbeat_test::kDeviceBufferFrames * 4;

    void Play() {
        sched_param priority{};
        priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
        std::vector<std::uint8_t> period(kPeriodBytes);
        const auto length =
            std::chrono::microseconds(static_cast<int>(spinbeat_test::kDeviceBufferMs * 1000));
        for (auto next = Clock::now() + length; !stop_; next += length) {
            std::this_thread::sleep_until(next);
            lateMs_ = std::max(lateMs_.load(),
                               std::chrono::duration<double, std::milli>(Clock::now() - next).count());
            std::size_t got = 0;
            for (ssize_t n = 0; got < period.size(); got += static_cast<std::size_t>(n)) {
                if ((n = read(fd_, period.data() + got, period.size() - got)) <= 0) {
                    break;
                }
            }
            std::fill(period.begin() + static_cast<std::ptrdiff_t>(got), period.end(), 0);
            played_.insert(played_.end(), period.begin(), period.end());
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
    std::atomic<double> lateMs_{0.0};
    std::vector<std::uint8_t> played_;
    std::thread reader_;
};

// Plays beats at 300 BPM in real time and checks that each reached the backend whole, as a playback
// of its own, spaced as their updates were. The first beat opens the device and goes out before its
// buffers have filled: spacing counts from the second on. A sound is placed by the device's pace as
// SDL's audio thread sees it; that thread, or the sound server's, running late can move it by as much
// as they waited to run, which this run measures, together with how late `backendLateMs` says the
// backend itself was; never by more than the buffer it lands in.
void ExpectBeatsAtTheirSpacing(const std::function<std::vector<std::int16_t>()>& recorded,
                               const std::function<double()>& backendLateMs) {
    const auto origin = Clock::now();
    std::vector<TickWindow> beats;
    double waitedMs = 0.0;
    {
        PluginSession session(spinbeat_test::ModulePath());
        spinbeat_test::WriteTone(session.SoundPath(), 40);
        session.Console("spinbeat_bpm 300");
        const double backendBefore = backendLateMs();
        beats = spinbeat_test::HoldRollInRealTime(session, std::chrono::milliseconds(1200), origin);
        waitedMs = spinbeat_test::RunQueueWaitMs(getpid(), "SDLAudio") + backendLateMs() - backendBefore;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<std::int16_t> left = recorded();
    const auto starts = spinbeat_test::ToneStarts(left);
    ASSERT_GE(beats.size(), 3U);
    ASSERT_EQ(starts.size(), beats.size());
    EXPECT_EQ(spinbeat_test::ToneGaps(left, starts, 40), "");
    const double slackMs = std::min(waitedMs, spinbeat_test::kDeviceBufferMs) + kPlacementMs;
    for (std::size_t i = 2; kJudgeMilliseconds && i < beats.size(); ++i) {
        const double played =
            static_cast<double>(starts[i] - starts[i - 1]) / spinbeat_test::kDeviceFramesPerMs;
        const double least = beats[i].beforeMs - beats[i - 1].afterMs - slackMs;
        const double most = beats[i].afterMs - beats[i - 1].beforeMs + slackMs;
        std::printf(
            "beat %zu: %.2f to %.2f ms after the last, as updated and waited; played %.2f ms after it\n",
            i + 1, least, most, played);
        EXPECT_GE(played, least) << "beat " << i + 1;
        EXPECT_LE(played, most) << "beat " << i + 1;
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
// A null sink nobody listens to wakes its players only every second or two, and each unload would
// wait that long for SDL's thread.
struct PulseServerWithListener {
    PulseServer server;
    SinkRecording listener{"null"};
};

TEST(BeatSoundOnAlsa, BeatsReachTheDeviceWholeAtTheirSpacing) {
    AlsaNullDevice device(true);
    ExpectBeatsAtTheirSpacing([&] { return device.Left(); }, [&] { return device.LateMs(); });
}

TEST(BeatSoundOnAlsa, SessionsLeaveTheHostAsItWasAndTheProcessEndsAtOnce) {
    ExpectSessionsLeaveTheHostAsItWas<AlsaNullDevice>("alsa");
}

TEST(BeatSoundOnPulseAudio, BeatsReachTheSinkWholeAtTheirSpacing) {
    PulseServer server;
    SinkRecording sink("null");
    ExpectBeatsAtTheirSpacing([&] { return sink.Left(); }, [&] { return server.WaitedMs(); });
}

TEST(BeatSoundOnPulseAudio, SessionsLeaveTheHostAsItWasAndTheProcessEndsAtOnce) {
    ExpectSessionsLeaveTheHostAsItWas<PulseServerWithListener>("pulseaudio");
}

// The sink goes away while the metronome runs, and another comes: the sound comes back by itself.
TEST(BeatSoundOnPulseAudio, ABeatAfterTheSinkWasReplacedIsHeard) {
    PulseServer server;
    PluginSession session(spinbeat_test::ModulePath());
    spinbeat_test::WriteTone(session.SoundPath(), 40);
    session.Console("spinbeat_bpm 300");
    const auto origin = Clock::now();
    ASSERT_FALSE(
        spinbeat_test::HoldRollInRealTime(session, std::chrono::milliseconds(500), origin, false).empty());
    // The game stalls a moment meanwhile, the roll still held.
    ASSERT_TRUE(Pactl("unload-module module-null-sink"));
    ASSERT_TRUE(Pactl("load-module " + NullSink("replacement")));
    SinkRecording replacement("replacement");
    ASSERT_GE(spinbeat_test::HoldRollInRealTime(session, std::chrono::milliseconds(2000), origin).size(), 3U);
    EXPECT_FALSE(spinbeat_test::ToneStarts(replacement.Left()).empty())
        << "nothing played after the sink was replaced";
}

} // namespace
