// spinbeat-host's sessions on the real clock, checked from their outputs as a player would see them.
//
// When a beat comes depends on when the updates really ran, which the host writes down: the beats
// are judged against those updates and the capture's own lag, never against a fixed tolerance. What
// does not need the real clock (parsing, pictures, options) is in host-test.cpp.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "programs.h"
#include "realtime-sound.h"
#include "script.h"
#include "session-judge.h"
#include "session-pictures.h"

namespace {

using spinbeat_test::FillWidth;
using spinbeat_test::IsBarBackground;
using spinbeat_test::IsSky;
using spinbeat_test::kBarHeight;
using spinbeat_test::kBarWidth;
using spinbeat_test::Png;
using spinbeat_test::ProgramRun;
using spinbeat_test::ReadLines;
using spinbeat_test::ReadText;
using spinbeat_test::SessionRecord;
using spinbeat_test::SessionStart;
using spinbeat_test::TempDir;

// The instrumented host runs many times slower: its runs say what happened and in what order.
constexpr auto kTiming = spinbeat_test::kJudgeMilliseconds ? spinbeat_test::TimingCheck::Milliseconds
                                                           : spinbeat_test::TimingCheck::OrderOnly;
constexpr double kFramesPerMs = spinbeat_test::kDeviceFramesPerMs;

// The module a session loads: the build's own, or one built elsewhere against an installed SDK.
std::string ModuleUnderTest() {
    const char* module = std::getenv("SPINBEAT_SESSION_MODULE");
    return module != nullptr ? module : spinbeat_test::ModulePath().string();
}

struct Session {
    ProgramRun run;
    std::filesystem::path out;
    std::vector<spinbeat_host::ScriptCommand> script;
};

// A headless session of `script`, outputs in `dir`/out.
Session RunSession(const TempDir& dir, const std::string& script, std::vector<std::string> extra = {}) {
    const auto file = dir.path() / "session.txt";
    std::ofstream(file) << script;
    Session session;
    session.out = dir.path() / "out";
    std::vector<std::string> args{SPINBEAT_HOST_PATH, "--headless",     "--script",
                                  file.string(),      "--out",          session.out.string(),
                                  "--module",         ModuleUnderTest()};
    args.insert(args.end(), extra.begin(), extra.end());
    session.run = spinbeat_test::RunProgram(args);
    auto parsed = spinbeat_host::ParseScript(script);
    if (auto* commands = std::get_if<std::vector<spinbeat_host::ScriptCommand>>(&parsed)) {
        session.script = std::move(*commands);
    }
    return session;
}

std::vector<std::int16_t> ReadWavSamples(const std::filesystem::path& file) {
    const std::string wav = ReadText(file);
    std::vector<std::int16_t> samples(wav.size() > 44 ? (wav.size() - 44) / 2 : 0);
    std::memcpy(samples.data(), wav.data() + 44, samples.size() * 2);
    return samples;
}

// The build's beat sound as the plugin's device gets it: converted by SDL to 48 kHz stereo.
std::vector<std::int16_t> BeatSoundAsPlayed() {
    SDL_AudioSpec spec{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(spinbeat_test::GeneratedSound().c_str(), &spec, &data, &length) == nullptr) {
        return {};
    }
    SDL_AudioStream* stream = SDL_NewAudioStream(spec.format, spec.channels, spec.freq, AUDIO_S16SYS,
                                                 spinbeat_test::kDeviceChannels, spinbeat_test::kDeviceRate);
    SDL_AudioStreamPut(stream, data, static_cast<int>(length));
    SDL_AudioStreamFlush(stream);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream)) / 2);
    SDL_AudioStreamGet(stream, samples.data(), static_cast<int>(samples.size() * 2));
    SDL_FreeAudioStream(stream);
    SDL_FreeWAV(data);
    return samples;
}

// Where `sound` starts in `samples`, each copy whole unless the next copy cut it short, provided
// that nothing else sounds: a playback that broke up, lost samples or was played wrong leaves a
// stretch that belongs to no copy, and then nothing is returned.
std::vector<std::size_t> WholeCopies(const std::vector<std::int16_t>& samples,
                                     const std::vector<std::int16_t>& sound) {
    const auto matching = [&](std::size_t at) {
        std::size_t length = 0;
        while (length < sound.size() && at + length < samples.size() &&
               samples[at + length] == sound[length]) {
            ++length;
        }
        return length;
    };
    // Long enough that silence and the tail of another copy cannot pass for a copy's start.
    const std::size_t least = std::min<std::size_t>(sound.size(), 2 * 96);
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < samples.size();) {
        const std::size_t length = matching(at);
        const bool whole = length == sound.size() || at + length == samples.size() ||
                           (length >= least && matching(at + length) >= least);
        if (length >= least && whole) {
            starts.push_back(at / 2);
            at += length;
        } else if (samples[at] != 0) {
            return {};
        } else {
            ++at;
        }
    }
    return starts;
}

// The bar's white outline with its top-left corner at (x, y), whatever its fill.
void ExpectBarOutlineAt(const Png& png, int x, int y) {
    EXPECT_TRUE(spinbeat_test::HasBarOutlineAt(png, x, y)) << "no bar at " << x << "," << y;
}

// ---------------------------------------------------------------------------
// Headless sessions
// ---------------------------------------------------------------------------

TEST(HostSession, BeatsFollowTheHeldRollTheTempoAndTheReleaseAndTheBarShowsThem) {
    TempDir dir;
    const Session session = RunSession(dir, "# held from the start at the default 54 BPM\n"
                                            "0    roll 1.0\n"
                                            "555  snapshot filling\n"
                                            "2400 console spinbeat_bpm 120\n"
                                            "2410 console spinbeat_barVerticalPosition 0.5\n"
                                            "3300 roll 0\n"
                                            "3320 snapshot released\n"
                                            "3500 playtest\n"
                                            "3700 quit\n");
    ASSERT_EQ(session.run.exitCode, 0) << session.run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + session.run.out);
    const auto console = ReadLines(session.out / "console.log");
    ASSERT_FALSE(console.empty());
    EXPECT_EQ(console.front(), "Spinbeat Plugin loaded!");
    EXPECT_EQ(std::count(console.begin(), console.end(), "> spinbeat_bpm 120"), 1);

    // Beats at 54 BPM, at 120 from 2400 ms, none after the release but the sound test's.
    const SessionRecord record = spinbeat_test::ReadSessionRecord(session.out);
    const auto verdict = spinbeat_test::JudgeBeats(session.script, SessionStart{}, record, kTiming);
    std::printf("%s\n", verdict.report.c_str());
    EXPECT_TRUE(verdict.explained) << verdict.report;
    EXPECT_GE(record.playbacksMs.size(), 4U) << verdict.report;

    // audio.wav runs at the sample rate from the session's start: silence, then every playback
    // whole and nothing else, the first where beats.txt has it, less what the capture drifted by
    // then, and give or take the time between its looks, which date where audio.wav starts.
    const std::vector<std::int16_t> samples = ReadWavSamples(session.out / "audio.wav");
    const std::vector<std::int16_t> sound = BeatSoundAsPlayed();
    ASSERT_FALSE(sound.empty());
    const auto whole = WholeCopies(samples, sound);
    ASSERT_EQ(whole.size(), record.playbacksMs.size()) << "a playback broke up; " << verdict.report;
    const double firstMs = static_cast<double>(whole.front()) / kFramesPerMs;
    EXPECT_LE(firstMs, record.playbacksMs.front() + record.captureLookGapMs + 1.0);
    EXPECT_GE(firstMs, record.playbacksMs.front() - record.captureDriftMs - record.captureLookGapMs - 1.0);

    // 1920x1080, the bar centred at the top: x = 960 - 412, filled as far as the last update before
    // the snapshot had timed.
    const Png filling(session.out / "filling.png");
    ASSERT_TRUE(filling.Loaded());
    ASSERT_EQ(filling.Width(), 1920);
    ASSERT_EQ(filling.Height(), 1080);
    const auto [least, most] = FillRange(record, 555.0, 60000.0F / 54.0F);
    EXPECT_GE(FillWidth(filling, 548, 0), least);
    EXPECT_LE(FillWidth(filling, 548, 0), most);
    EXPECT_TRUE(IsSky(filling.At(547, 10)));
    EXPECT_TRUE(IsSky(filling.At(548 + kBarWidth, 10)));
    EXPECT_TRUE(IsSky(filling.At(700, kBarHeight)));
    EXPECT_TRUE(IsBarBackground(filling.At(1300, 10)));
    const spinbeat_host::Rgba half = filling.At(548 + 411, 10);
    EXPECT_EQ(half.r + half.g + half.b, 0) << "the black mark at half the bar";

    // Halfway down, (1080 - 20) * 0.5 = 530, and empty once an update has seen the roll let go.
    const Png released(session.out / "released.png");
    ASSERT_TRUE(released.Loaded());
    if (LastUpdateBefore(record, 3320.0).dueMs >= 3300.0) {
        EXPECT_EQ(FillWidth(released, 548, 530), 0);
    }
    ExpectBarOutlineAt(released, 548, 530);
    EXPECT_TRUE(IsSky(released.At(600, 10)));
}

TEST(HostSession, AMissingSoundFileIsReportedOnEveryBeatAndNothingIsHeard) {
    TempDir dir;
    TempDir emptyData;
    const Session session = RunSession(dir,
                                       "0   console spinbeat_bpm 300\n"
                                       "0   roll -1\n"
                                       "900 roll 0\n"
                                       "950 playtest\n"
                                       "1000 quit\n",
                                       {"--data", emptyData.path().string()});
    ASSERT_EQ(session.run.exitCode, 0) << session.run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + session.run.out);
    const auto console = ReadLines(session.out / "console.log");
    const std::string line = "SOUND FILE NOT FOUND: " + (emptyData.path() / "timesup.wav").string();
    const auto lines = static_cast<std::size_t>(std::count(console.begin(), console.end(), line));
    SessionStart start;
    start.soundFile = false;
    const SessionRecord record = spinbeat_test::ReadSessionRecord(session.out);
    const auto verdict = spinbeat_test::JudgePlayCount(session.script, start, record, lines);
    std::printf("%zu lines; %s\n", lines, verdict.report.c_str());
    EXPECT_TRUE(verdict.explained) << lines << " lines; " << verdict.report;
    EXPECT_GE(lines, 4U);
    EXPECT_EQ(ReadText(session.out / "beats.txt"), "");
    EXPECT_EQ(ReadText(session.out / "audio.wav").size(), 44U) << "a valid WAV with nothing in it";
}

TEST(HostSession, ConfigurationOfOneRunIsAppliedThroughTheSettersOfTheNext) {
    TempDir dir;
    const auto config = dir.path() / "host.cfg";
    const Session first = RunSession(dir,
                                     "0 console spinbeat_bpm 120\n"
                                     "0 console spinbeat_barVerticalPosition 1\n"
                                     "20 quit\n",
                                     {"--config", config.string()});
    ASSERT_EQ(first.run.exitCode, 0) << first.run.err;
    const std::string saved = ReadText(config);
    EXPECT_NE(saved.find("spinbeat_bpm \"120\"\n"), std::string::npos) << saved;
    std::ofstream(config, std::ios::app) << "spinbeat_playSoundOnBeat \"0\n";

    // Only the change callbacks bring the tempo and the bar's place to the plugin; the malformed
    // line must not have switched the sound off.
    const Session second = RunSession(dir,
                                      "0   roll 1\n"
                                      "560 roll 0\n"
                                      "600 snapshot bottom\n"
                                      "700 quit\n",
                                      {"--config", config.string()});
    ASSERT_EQ(second.run.exitCode, 0) << second.run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + second.run.out);
    const SessionRecord record = spinbeat_test::ReadSessionRecord(second.out);
    SessionStart start;
    start.bpm = 120;
    const auto verdict = spinbeat_test::JudgeBeats(second.script, start, record, kTiming);
    std::printf("%s\n", verdict.report.c_str());
    EXPECT_TRUE(verdict.explained) << verdict.report;
    EXPECT_EQ(record.playbacksMs.size(), 1U) << verdict.report;
    const Png bottom(second.out / "bottom.png");
    ASSERT_TRUE(bottom.Loaded());
    ExpectBarOutlineAt(bottom, 548, 1060);
    EXPECT_TRUE(IsSky(bottom.At(600, 10)));
    const auto console = ReadLines(second.out / "console.log");
    const std::string report = "Config " + config.string() + " line 6 is malformed, so it was not applied";
    EXPECT_EQ(std::count_if(console.begin(), console.end(),
                            [&](const std::string& line) { return line.starts_with(report); }),
              1)
        << ReadText(second.out / "console.log");
    EXPECT_NE(ReadText(config).find("spinbeat_barVerticalPosition \"1\"\n"), std::string::npos);
    EXPECT_NE(ReadText(config).find("\nspinbeat_playSoundOnBeat \"0\n"), std::string::npos)
        << "kept as it was";
}

// Also run by scripts/test on the plugin built alone against an installed SDK
// (SPINBEAT_SESSION_MODULE and SPINBEAT_SESSION_DATA name it and its data folder).
TEST(HostSession, ATempoTypedIntoTheConsoleTakesOverAtTheNextBeat) {
    TempDir dir;
    std::vector<std::string> extra;
    if (const char* data = std::getenv("SPINBEAT_SESSION_DATA")) {
        extra = {"--data", data};
    }
    const Session session = RunSession(dir, "0 roll 1\n1500 console spinbeat_bpm 120\n2600 quit\n", extra);
    ASSERT_EQ(session.run.exitCode, 0) << session.run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + session.run.out);
    EXPECT_EQ(ReadLines(session.out / "console.log"),
              (std::vector<std::string>{"Spinbeat Plugin loaded!", "> spinbeat_bpm 120"}));
    const SessionRecord record = spinbeat_test::ReadSessionRecord(session.out);
    const auto verdict = spinbeat_test::JudgeBeats(session.script, SessionStart{}, record, kTiming);
    std::printf("%s\n", verdict.report.c_str());
    EXPECT_TRUE(verdict.explained) << verdict.report;
    EXPECT_GE(record.playbacksMs.size(), 2U) << verdict.report;
}

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------

TEST(HostWindow, ScreenshotShowsTheBarFillingAndThePluginsSettingsPage) {
    TempDir dir;
    const auto shot = dir.path() / "window.png";
    // One beat a minute: however long the frames take, the bar is still filling its first beat.
    const auto config = dir.path() / "slow.cfg";
    std::ofstream(config) << "spinbeat_bpm \"1\"\n";
    const ProgramRun run =
        spinbeat_test::RunProgram({SPINBEAT_HOST_PATH, "--screenshot", shot.string(), "--frames", "30",
                                   "--roll", "1", "--size", "1280x720", "--config", config.string()},
                                  {{"SDL_VIDEODRIVER", "offscreen"},
                                   // The GL driver, unloaded at exit, leaves allocations no one can name.
                                   {"ASAN_OPTIONS", "detect_leaks=0"}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Png png(shot);
    ASSERT_TRUE(png.Loaded());
    ASSERT_EQ(png.Width(), 1280);
    ASSERT_EQ(png.Height(), 720);

    // The bar at the top, centred: x = 640 - 412. Thirty frames take a tenth of a second at least,
    // even at 240 a second, which fills 825 * 100 / 60000 pixels: one.
    const int fill = FillWidth(png, 228, 0);
    EXPECT_GE(fill, 1);
    EXPECT_LT(fill, kBarWidth / 2);
    EXPECT_TRUE(IsBarBackground(png.At(1000, 10)));
    EXPECT_TRUE(IsSky(png.At(227, 10)));

    // The page's two ticked check boxes, in Dear ImGui's check mark blue, inside the settings window.
    int checkMarkPixels = 0;
    for (int y = 40; y < 290; ++y) {
        for (int x = 20; x < 660; ++x) {
            const spinbeat_host::Rgba c = png.At(x, y);
            checkMarkPixels += (c.r > 50 && c.r < 80 && c.g > 135 && c.g < 165 && c.b > 235) ? 1 : 0;
        }
    }
    EXPECT_GT(checkMarkPixels, 40);
}

} // namespace
