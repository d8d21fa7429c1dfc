// spinbeat-host, run as a player or a script would run it: sessions checked from their outputs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "options.h"
#include "picture.h"
#include "plugin-session.h"
#include "script.h"

namespace {

using spinbeat_test::TempDir;

// A beat is due on an update, and sounds within one device buffer of it.
constexpr double kTickMs = 1000.0 / 120.0;
#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer slows the plugin's first playback (opening the device, loading and converting
// the file) by a buffer or more, and the whole session several times over: on a shared machine
// such a run says what happened and in what order more than exactly when.
constexpr double kInstrumentationMs = 30.0;
#else
constexpr double kInstrumentationMs = 0.0;
#endif
constexpr double kBeatToleranceMs = kTickMs + 10.0 + kInstrumentationMs;
// The revolution bar's fixed size and colours.
constexpr int kBarWidth = 825;
constexpr int kBarHeight = 20;

struct HostRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Runs the built spinbeat-host with `args` and extra environment, and waits for it.
HostRun RunHost(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) {
    TempDir streams;
    const auto outFile = streams.path() / "out";
    const auto errFile = streams.path() / "err";
    const pid_t child = fork();
    if (child == 0) {
        for (const auto& [name, value] : env) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<std::string> all{SPINBEAT_HOST_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    HostRun run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.out = ReadText(outFile);
    run.err = ReadText(errFile);
    return run;
}

// A headless session of `script` with outputs in `out`.
HostRun RunScript(const TempDir& dir, const std::string& script, const std::vector<std::string>& extra = {}) {
    const auto file = dir.path() / "session.txt";
    std::ofstream(file) << script;
    std::vector<std::string> args{"--headless", "--script", file.string(), "--out",
                                  (dir.path() / "out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunHost(args);
}

// The host's own account of how well the session kept real time, from its summary.
bool KeptRealTime(const std::string& summary) {
    const auto number = [&](const std::string& before) {
        const auto at = summary.find(before);
        return at == std::string::npos ? 1e9 : std::stod(summary.substr(at + before.size()));
    };
    return number("updates up to ") <= 5.0 && number("audio capture up to ") <= 15.0;
}

// A shared machine can stall a session now and then. A run that the host says fell behind real
// time is tried again, twice at most, before its timings are judged; `prepare` sets the scene
// afresh before each try.
HostRun RunTimedScript(
    const TempDir& dir, const std::string& script, const std::vector<std::string>& extra = {},
    const std::function<void()>& prepare = [] {}) {
    HostRun run;
    for (int attempt = 0; attempt < 3; ++attempt) {
        prepare();
        run = RunScript(dir, script, extra);
        if (run.exitCode != 0 || KeptRealTime(run.out)) {
            break;
        }
    }
    return run;
}

std::vector<double> ReadBeats(const std::filesystem::path& file) {
    std::vector<double> beats;
    for (const auto& line : ReadLines(file)) {
        beats.push_back(std::stod(line));
    }
    return beats;
}

std::size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(prefix); }));
}

class Png {
public:
    explicit Png(const std::filesystem::path& file) {
        pixels_.reset(stbi_load(file.c_str(), &width_, &height_, nullptr, 3));
    }
    bool Loaded() const { return pixels_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    spinbeat_host::Rgba At(int x, int y) const {
        const unsigned char* p =
            pixels_.get() +
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) *
                3;
        return {p[0], p[1], p[2], 255};
    }

private:
    struct Free {
        void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
    };
    std::unique_ptr<unsigned char, Free> pixels_;
    int width_ = 0;
    int height_ = 0;
};

// The bar's fill colour over anything; the backdrop and the bar's white never look like it.
bool IsFill(spinbeat_host::Rgba c) { return c.g > c.r + 80 && c.b > c.r + 80; }
bool IsSky(spinbeat_host::Rgba c) {
    return c.r == spinbeat_host::kSkyColor.r && c.g == spinbeat_host::kSkyColor.g &&
           c.b == spinbeat_host::kSkyColor.b;
}
// The bar's translucent white over the sky: lighter than the sky, and grey rather than cyan.
bool IsBarBackground(spinbeat_host::Rgba c) { return c.r > 100 && !IsFill(c); }

// The fill's width along the middle row of a bar whose top-left corner is (x, y).
int FillWidth(const Png& png, int x, int y) {
    int width = 0;
    for (int column = x; column < x + kBarWidth; ++column) {
        if (IsFill(png.At(column, y + kBarHeight / 2))) {
            width = column - x + 1;
        }
    }
    return width;
}

// ---------------------------------------------------------------------------
// Headless sessions
// ---------------------------------------------------------------------------

TEST(HostHeadless, BeatsFollowTheHeldRollTheTempoAndTheReleaseAndTheBarShowsThem) {
    TempDir dir;
    const HostRun run = RunTimedScript(dir, "# held from the start at the default 54 BPM\n"
                                            "0    roll 1.0\n"
                                            "555  snapshot filling\n"
                                            "2400 console spinbeat_bpm 120\n"
                                            "2410 console spinbeat_barVerticalPosition 0.5\n"
                                            "3300 roll 0\n"
                                            "3320 snapshot released\n"
                                            "3500 playtest\n"
                                            "3700 quit\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + run.out);
    const auto out = dir.path() / "out";

    const auto console = ReadLines(out / "console.log");
    ASSERT_FALSE(console.empty());
    EXPECT_EQ(console.front(), "Spinbeat Plugin loaded!");
    EXPECT_EQ(CountStartingWith(console, "> spinbeat_bpm 120"), 1U);

    // 54 BPM: due every 1111.1 ms, each beat timed from the update that played the last one.
    // 120 BPM from 2400 ms: 500 ms after the beat near 2233. Nothing after the release but the
    // sound test, pressed at 3500 and played at the next update.
    const auto beats = ReadBeats(out / "beats.txt");
    ASSERT_EQ(beats.size(), 5U) << ReadText(out / "beats.txt");
    EXPECT_NEAR(beats[0], 1111.1, kBeatToleranceMs);
    EXPECT_NEAR(beats[1], 2233.3, kBeatToleranceMs);
    EXPECT_NEAR(beats[2] - beats[1], 500.0, kBeatToleranceMs);
    EXPECT_NEAR(beats[3] - beats[2], 500.0, kBeatToleranceMs);
    EXPECT_LT(beats[3], 3300.0 + kBeatToleranceMs);
    EXPECT_NEAR(beats[4], 3500.0 + kTickMs, kBeatToleranceMs);

    // audio.wav starts with the session: silence until the first click, where beats.txt has it to
    // within a buffer (the file runs at the sample rate, beats.txt at the pace the driver kept).
    const std::string wav = ReadText(out / "audio.wav");
    ASSERT_GT(wav.size(), 44U);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    std::vector<std::int16_t> samples((wav.size() - 44) / 2);
    std::memcpy(samples.data(), wav.data() + 44, samples.size() * 2);
    const auto loudestIn = [&](double fromMs, double toMs) {
        int loudest = 0;
        for (auto i = static_cast<std::size_t>(fromMs * 96);
             i < static_cast<std::size_t>(toMs * 96) && i < samples.size(); ++i) {
            loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
        }
        return loudest;
    };
    EXPECT_EQ(loudestIn(0.0, beats[0] - 12.0), 0);
    EXPECT_GT(loudestIn(beats[0] - 12.0, beats[0] + 20.0), 10000);

    // 1920x1080, the bar centred at the top: x = 960 - 412. At 555 ms the last update was at
    // 550 ms or, if late, one before: 825 * 541 / 1111.1 to 825 * 555 / 1111.1 pixels.
    const Png filling(out / "filling.png");
    ASSERT_TRUE(filling.Loaded());
    ASSERT_EQ(filling.Width(), 1920);
    ASSERT_EQ(filling.Height(), 1080);
    EXPECT_GE(FillWidth(filling, 548, 0), 401);
    EXPECT_LE(FillWidth(filling, 548, 0), 412);
    EXPECT_TRUE(IsSky(filling.At(547, 10)));
    EXPECT_TRUE(IsSky(filling.At(548 + kBarWidth, 10)));
    EXPECT_TRUE(IsSky(filling.At(700, kBarHeight)));
    EXPECT_TRUE(IsBarBackground(filling.At(1300, 10)));
    const spinbeat_host::Rgba half = filling.At(548 + 411, 10);
    EXPECT_EQ(half.r + half.g + half.b, 0) << "the black mark at half the bar";

    // Halfway down, (1080 - 20) * 0.5 = 530, and empty once the roll is let go.
    const Png released(out / "released.png");
    ASSERT_TRUE(released.Loaded());
    EXPECT_EQ(FillWidth(released, 548, 530), 0);
    EXPECT_TRUE(IsBarBackground(released.At(600, 540)));
    EXPECT_TRUE(IsSky(released.At(600, 529)));
    EXPECT_TRUE(IsSky(released.At(600, 550)));
    EXPECT_TRUE(IsSky(released.At(600, 10)));
}

TEST(HostHeadless, AMissingSoundFileIsReportedOnEveryBeatAndNothingIsHeard) {
    TempDir dir;
    TempDir emptyData;
    // 300 BPM: beats near 200, 400, 600 and 800 ms before the release at 900; then the sound test.
    const HostRun run = RunTimedScript(dir,
                                       "0   console spinbeat_bpm 300\n"
                                       "0   roll -1\n"
                                       "900 roll 0\n"
                                       "950 playtest\n"
                                       "1000 quit\n",
                                       {"--data", emptyData.path().string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + run.out);
    const auto console = ReadLines(dir.path() / "out" / "console.log");
    EXPECT_EQ(
        CountStartingWith(console, "SOUND FILE NOT FOUND: " + (emptyData.path() / "timesup.wav").string()),
        5U);
    EXPECT_EQ(ReadText(dir.path() / "out" / "beats.txt"), "");
    EXPECT_EQ(ReadText(dir.path() / "out" / "audio.wav").size(), 44U) << "a valid WAV with nothing in it";
}

TEST(HostHeadless, ConfigurationOfOneRunIsAppliedThroughTheSettersOfTheNext) {
    TempDir dir;
    const auto config = dir.path() / "host.cfg";
    const HostRun first = RunScript(dir,
                                    "0 console spinbeat_bpm 120\n"
                                    "0 console spinbeat_barVerticalPosition 1\n"
                                    "20 quit\n",
                                    {"--config", config.string()});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string saved = ReadText(config);
    EXPECT_NE(saved.find("spinbeat_bpm \"120\"\n"), std::string::npos) << saved;
    // Each run saves the file again at its end, so every try of the next starts from this one.
    const std::string damaged = saved + "spinbeat_playSoundOnBeat \"0\n";

    // Only the change callbacks bring the tempo and the bar's place to the plugin.
    const HostRun second =
        RunTimedScript(dir,
                       "0   roll 1\n"
                       "560 roll 0\n"
                       "600 snapshot bottom\n"
                       "620 quit\n",
                       {"--config", config.string()}, [&] { std::ofstream(config) << damaged; });
    ASSERT_EQ(second.exitCode, 0) << second.err;
    SCOPED_TRACE("spinbeat-host said:\n" + second.out);
    const auto out = dir.path() / "out";
    const auto beats = ReadBeats(out / "beats.txt");
    ASSERT_EQ(beats.size(), 1U) << "the malformed line must not have switched the sound off";
    EXPECT_NEAR(beats[0], 500.0, kBeatToleranceMs);
    const Png bottom(out / "bottom.png");
    ASSERT_TRUE(bottom.Loaded());
    EXPECT_TRUE(IsBarBackground(bottom.At(600, 1070)));
    EXPECT_TRUE(IsSky(bottom.At(600, 10)));
    const auto console = ReadLines(out / "console.log");
    const std::string report = "Config " + config.string() + " line 6 is malformed and was skipped";
    EXPECT_EQ(CountStartingWith(console, report), 1U) << ReadText(out / "console.log");
    EXPECT_NE(ReadText(config).find("spinbeat_barVerticalPosition \"1\"\n"), std::string::npos);
}

TEST(HostHeadless, ABadScriptStopsBeforeAnythingRuns) {
    TempDir dir;
    const HostRun run = RunScript(dir, "0 roll 1\n# fine so far\n500 roll 1.5\n900 quit\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("line 3: roll needs one number from -1.0 to 1.0"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
}

TEST(HostScript, ReadsEveryCommandAndNamesTheFirstBadLine) {
    using spinbeat_host::ParseScript;
    using spinbeat_host::ScriptCommand;
    const auto good = ParseScript("  # comment\n\n"
                                  "0 freeplay off\n"
                                  "10 console  spinbeat_bpm \"120 \" \n"
                                  "10 size 640 480\r\n"
                                  "20 snapshot a-b_c.1\n"
                                  "30 playtest\n"
                                  "30 roll -0.25\n"
                                  "40 quit\n");
    ASSERT_TRUE(std::holds_alternative<std::vector<ScriptCommand>>(good)) << std::get<std::string>(good);
    const auto& commands = std::get<std::vector<ScriptCommand>>(good);
    ASSERT_EQ(commands.size(), 7U);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_FALSE(commands[0].on);
    EXPECT_EQ(commands[1].text, "spinbeat_bpm \"120 \"");
    EXPECT_EQ(commands[2].size, (Vector2{640, 480}));
    EXPECT_EQ(commands[3].text, "a-b_c.1");
    EXPECT_EQ(commands[4].kind, ScriptCommand::Kind::Playtest);
    EXPECT_EQ(commands[5].roll, -0.25F);
    EXPECT_EQ(commands[6].ms, 40);

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"0 quit\nsoon roll 1\n", "line 2: 'soon' is no time"},
        {"-5 quit\n", "line 1: '-5' is no time"},
        {"100 quit\n50 quit\n", "line 2: time goes back from 100 ms"},
        {"0\n", "line 1: a command must follow the time"},
        {"0 jump\n", "line 1: unknown command 'jump'"},
        {"0 freeplay yes\n", "line 1: freeplay needs on or off"},
        {"0 roll nan\n", "line 1: roll needs one number"},
        {"0 roll 1 2\n", "line 1: roll needs one number"},
        {"0 console   \n", "line 1: console needs the text"},
        {"0 size 0 480\n", "line 1: size needs a width and a height"},
        {"0 snapshot ../x\n", "line 1: snapshot needs one name"},
        {"0 snapshot a b\n", "line 1: snapshot needs one name"},
        {"0 playtest now\n", "line 1: playtest takes no arguments"},
    };
    for (const auto& [script, message] : bad) {
        const auto parsed = ParseScript(script);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << script;
        EXPECT_TRUE(std::get<std::string>(parsed).starts_with(message)) << std::get<std::string>(parsed);
    }
}

// ---------------------------------------------------------------------------
// The command line
// ---------------------------------------------------------------------------

TEST(HostOptions, EveryOptionReachesTheSessionAndEachModeGetsItsDefaults) {
    using spinbeat_host::Options;
    using spinbeat_host::ParseOptions;
    const auto parse = [](std::vector<std::string> args) {
        auto parsed = ParseOptions(args, "/prog", "/home/p/config.cfg");
        EXPECT_TRUE(std::holds_alternative<Options>(parsed)) << std::get<std::string>(parsed);
        return std::holds_alternative<Options>(parsed) ? std::get<Options>(parsed) : Options{};
    };
    const Options window =
        parse({"--module", "m.so", "--data", "d", "--config", "c.cfg", "--size", "640x480", "--roll", "-0.25",
               "--no-freeplay", "--screenshot", "s.png", "--frames=5", "--roll", "+1"});
    EXPECT_EQ(window.mode, Options::Mode::Window);
    EXPECT_EQ(window.module, "m.so");
    EXPECT_EQ(window.data, "d");
    EXPECT_EQ(window.config, "c.cfg");
    EXPECT_EQ(window.windowSize, (Vector2{640, 480}));
    EXPECT_EQ(window.roll, 1.0F) << "the last of an option given twice holds";
    EXPECT_FALSE(window.freeplay);
    EXPECT_EQ(window.screenshot, "s.png");
    EXPECT_EQ(window.frames, 5);

    const Options plain = parse({});
    EXPECT_EQ(plain.module, "/prog/Spinbeat.so");
    EXPECT_EQ(plain.data, "/prog/data");
    EXPECT_EQ(plain.config, "/home/p/config.cfg") << "a player's window keeps its settings";
    EXPECT_TRUE(plain.freeplay);
    EXPECT_EQ(parse({"--screenshot", "s.png"}).config, std::nullopt);
    const Options headless = parse({"--script", "s.txt", "--headless", "--out", "o"});
    EXPECT_EQ(headless.mode, Options::Mode::Headless);
    EXPECT_EQ(headless.config, std::nullopt);
    EXPECT_EQ(parse({"--module", "m.so", "-h"}).mode, Options::Mode::Help);

    const std::string usage = spinbeat_host::Usage();
    for (const char* option :
         {"--help", "--module PATH", "--data DIR", "--config FILE", "--no-freeplay", "--size WxH", "--roll R",
          "--screenshot FILE", "--frames N", "--headless", "--script FILE", "--out DIR"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option << " missing from\n" << usage;
    }
}

TEST(HostOptions, BadValuesAndOptionsOfTheOtherModeAreRefusedWithTheirReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--bogus", "1"}, "unknown option --bogus"},
        {{"stray"}, "unknown argument stray"},
        {{"--data", "d", "--module"}, "--module"},
        {{"--size", "640"}, "--size needs WIDTHxHEIGHT, each 1 to 8192"},
        {{"--size", "8193x480"}, "--size needs WIDTHxHEIGHT"},
        {{"--roll", "1.5"}, "--roll needs a number from -1.0 to 1.0"},
        {{"--roll", "nan"}, "--roll needs a number"},
        {{"--screenshot", "s.png", "--frames", "0"}, "--frames needs a whole number of frames, 1 or more"},
        {{"--frames", "2"}, "--frames belongs to --screenshot"},
        {{"--headless", "--script", "s.txt"}, "--headless needs --script FILE and --out DIR"},
        {{"--headless", "--script", "s", "--out", "o", "--screenshot", "x.png"},
         "--screenshot is for the window"},
        {{"--out", "o"}, "--script and --out belong to --headless"},
    };
    for (const auto& [args, message] : bad) {
        const auto parsed = spinbeat_host::ParseOptions(args, "/prog", {});
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << args.front();
        EXPECT_TRUE(std::get<std::string>(parsed).starts_with(message)) << std::get<std::string>(parsed);
    }

    // The program says why and how it is used, and runs nothing.
    const HostRun run = RunHost({"--roll", "7"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.starts_with("spinbeat-host: --roll needs a number")) << run.err;
    EXPECT_NE(run.err.find("--screenshot FILE"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

// ---------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------

TEST(HostPicture, CanvasCallsBlendOncePerPixelAndStayInsideThePicture) {
    using pluginsdk::host::CanvasCall;
    spinbeat_host::Picture picture(40, 30);
    const std::vector<CanvasCall> calls = {
        {CanvasCall::Op::SetColor, {}, {200, 100, 50, 128}},
        {CanvasCall::Op::SetPosition, {5, 5}, {}},
        {CanvasCall::Op::DrawBox, {10, 8}, {}},
        {CanvasCall::Op::SetPosition, {-2147483647 - 1, 2147483647}, {}},
        {CanvasCall::Op::FillBox, {2147483647, 2147483647}, {}},
        {CanvasCall::Op::SetPosition, {30, -5}, {}},
        {CanvasCall::Op::FillBox, {100, 10}, {}},
        {CanvasCall::Op::FillBox, {-3, 4}, {}},
    };
    spinbeat_host::ReplayCanvas(picture, calls);
    // Corners and edges of the outline got the same single blend; inside and outside none.
    const spinbeat_host::Rgba corner = picture.At(5, 5);
    EXPECT_EQ(corner.r, 100);
    EXPECT_EQ(corner.g, 50);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{14, 5}, {5, 12}, {14, 12}, {9, 5}, {5, 9}}) {
        EXPECT_EQ(picture.At(x, y).r, corner.r) << x << "," << y;
    }
    EXPECT_EQ(picture.At(9, 9).r, 0);
    EXPECT_EQ(picture.At(15, 5).r, 0);
    EXPECT_EQ(picture.At(39, 4).r, corner.r) << "a box reaching off the picture is cut at its edges";
    EXPECT_EQ(picture.At(39, 5).r, 0);
}

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------

TEST(HostWindow, ScreenshotShowsTheBarFillingAndThePluginsSettingsPage) {
    TempDir dir;
    const auto shot = dir.path() / "window.png";
    const HostRun run =
        RunHost({"--screenshot", shot.string(), "--frames", "30", "--roll", "1", "--size", "1280x720"},
                {{"SDL_VIDEODRIVER", "offscreen"},
                 // The GL driver, unloaded at exit, leaves allocations no one can name.
                 {"ASAN_OPTIONS", "detect_leaks=0"}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Png png(shot);
    ASSERT_TRUE(png.Loaded());
    ASSERT_EQ(png.Width(), 1280);
    ASSERT_EQ(png.Height(), 720);

    // The bar at the top, centred: x = 640 - 412; 30 frames at 60 a second fill about half.
    const int fill = FillWidth(png, 228, 0);
    EXPECT_GT(fill, 100);
    EXPECT_LT(fill, kBarWidth);
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
