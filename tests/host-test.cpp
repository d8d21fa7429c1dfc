// spinbeat-host's parts that need no clock: the script, the command line, the pictures, and the
// program refusing what it cannot run. Its sessions on the real clock are in host-session-test.cpp.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "options.h"
#include "picture.h"
#include "plugin-session.h"
#include "programs.h"
#include "script.h"
#include "ui-picture.h"

namespace {

using spinbeat_test::TempDir;

// ---------------------------------------------------------------------------
// The script
// ---------------------------------------------------------------------------

TEST(HostHeadless, ABadScriptStopsBeforeAnythingRuns) {
    TempDir dir;
    const auto script = dir.path() / "session.txt";
    std::ofstream(script) << "0 roll 1\n# fine so far\n500 roll 1.5\n900 quit\n";
    const auto run = spinbeat_test::RunProgram({SPINBEAT_HOST_PATH, "--headless", "--script", script.string(),
                                                "--out", (dir.path() / "out").string()});
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
        {"86400001 quit\n", "line 1: '86400001' is no time in ms from 0 to a day"},
        {"0 quit\n#" + std::string(spinbeat_host::kMaxScriptLineBytes, ' ') + "\n",
         "line 2: longer than 4096 bytes"},
    };
    for (const auto& [script, message] : bad) {
        const auto parsed = ParseScript(script);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << script;
        EXPECT_TRUE(std::get<std::string>(parsed).starts_with(message)) << std::get<std::string>(parsed);
    }
}

TEST(HostScript, EventsAndExpectationsTakeTheRestOfTheirLine) {
    using spinbeat_host::ParseScript;
    using Kind = spinbeat_host::ScriptCommand::Kind;
    const auto parsed = ParseScript("0 event Function TAGame.Ball_TA.OnHitGoal \n"
                                    "1 expect console a  b\n"
                                    "2 expect no-console PLUGIN STOPPED\n"
                                    "3 expect no-stop\n"
                                    "4 expect cvar spinbeat_bpm 120\n"
                                    "5 expect cvar name \" two words \"\n"
                                    "6 expect cvar name \"\"\n"
                                    "7 expect drawn FillBox(\n");
    ASSERT_TRUE(std::holds_alternative<std::vector<spinbeat_host::ScriptCommand>>(parsed))
        << std::get<std::string>(parsed);
    std::vector<std::string> seen;
    for (const auto& command : std::get<std::vector<spinbeat_host::ScriptCommand>>(parsed)) {
        seen.push_back(std::to_string(static_cast<int>(command.kind)) + "|" + command.text + "|" +
                       command.value);
    }
    const auto kind = [](Kind k) { return std::to_string(static_cast<int>(k)) + "|"; };
    EXPECT_EQ(seen, (std::vector<std::string>{
                        kind(Kind::Event) + "Function TAGame.Ball_TA.OnHitGoal|",
                        kind(Kind::ExpectConsole) + "a  b|", kind(Kind::ExpectNoConsole) + "PLUGIN STOPPED|",
                        kind(Kind::ExpectNoStop) + "|", kind(Kind::ExpectCvar) + "spinbeat_bpm|120",
                        kind(Kind::ExpectCvar) + "name| two words ", kind(Kind::ExpectCvar) + "name|",
                        kind(Kind::ExpectDrawn) + "FillBox(|"}));
    for (const auto& [script, message] : std::vector<std::pair<std::string, std::string>>{
             {"0 event\n", "line 1: event needs the name"},
             {"0 expect\n", "line 1: expect needs console, no-console"},
             {"0 expect console\n", "line 1: expect console needs the text"},
             {"0 expect no-stop now\n", "line 1: expect no-stop takes no arguments"},
             {"0 expect cvar name\n", "line 1: expect cvar needs a name and a value"},
             {"0 expect drawn \t\n", "line 1: expect drawn needs the text"}}) {
        const auto refused = ParseScript(script);
        ASSERT_TRUE(std::holds_alternative<std::string>(refused)) << script;
        EXPECT_TRUE(std::get<std::string>(refused).starts_with(message)) << std::get<std::string>(refused);
    }
}

TEST(HostScript, AFileIsReadOnlyUpToItsLimitAndEveryRefusalNamesIt) {
    using spinbeat_host::LoadScript;
    TempDir dir;
    const auto script = dir.path() / "s.txt";
    const auto message = [](const auto& parsed) {
        return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "commands";
    };
    std::ofstream(script) << std::string(spinbeat_host::kMaxScriptBytes - 7, '\n') << "0 quit\n";
    EXPECT_EQ(message(LoadScript(script)), "commands");
    std::ofstream(script, std::ios::app) << "\n";
    EXPECT_EQ(message(LoadScript(script)),
              "the script " + script.string() +
                  " is larger than 1048576 bytes, the most a session script may hold");
    EXPECT_EQ(message(LoadScript(dir.path())),
              "cannot read the script " + dir.path().string() + ": it is a folder");
    EXPECT_EQ(message(LoadScript(dir.path() / "none")),
              "cannot read the script " + (dir.path() / "none").string() + ": No such file or directory");
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
    EXPECT_EQ(window.modules, std::vector<std::filesystem::path>{"m.so"});
    EXPECT_EQ(window.data, "d");
    EXPECT_EQ(window.config, "c.cfg");
    EXPECT_EQ(window.windowSize, (Vector2{640, 480}));
    EXPECT_EQ(window.roll, 1.0F) << "the last of an option given twice holds";
    EXPECT_FALSE(window.freeplay);
    EXPECT_EQ(window.screenshot, "s.png");
    EXPECT_EQ(window.frames, 5);

    const Options plain = parse({});
    EXPECT_EQ(plain.modules, std::vector<std::filesystem::path>{"/prog/Spinbeat.so"});
    EXPECT_EQ(plain.data, "/prog/data");
    EXPECT_EQ(plain.config, "/home/p/config.cfg") << "a player's window keeps its settings";
    EXPECT_TRUE(plain.freeplay);
    EXPECT_EQ(parse({"--screenshot", "s.png"}).config, std::nullopt);
    const Options headless = parse({"--script", "s.txt", "--headless", "--out", "o"});
    EXPECT_EQ(headless.mode, Options::Mode::Headless);
    EXPECT_EQ(headless.config, std::nullopt);
    EXPECT_EQ(parse({"--module", "m.so", "-h"}).mode, Options::Mode::Help);
    const Options several = parse({"--module", "a.so", "--plugins", "p", "--module=b.so"});
    EXPECT_EQ(several.modules, (std::vector<std::filesystem::path>{"a.so", "b.so"}));
    EXPECT_EQ(several.plugins, "p");

    const std::string usage = spinbeat_host::Usage();
    for (const char* option :
         {"--help", "--module PATH", "--data DIR", "--config FILE", "--no-freeplay", "--size WxH", "--roll R",
          "--screenshot FILE", "--frames N", "--headless", "--script FILE", "--out DIR", "--plugins DIR"}) {
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
        {{"--module", ""}, "--module: needs a name, not an empty one"},
        {{"--headless", "--script", "s", "--out", ""}, "--out: needs a name"},
        {{"a\nb"}, "unknown argument a?b"},
    };
    for (const auto& [args, message] : bad) {
        const auto parsed = spinbeat_host::ParseOptions(args, "/prog", {});
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << args.front();
        EXPECT_TRUE(std::get<std::string>(parsed).starts_with(message)) << std::get<std::string>(parsed);
    }

    const auto longArgument = spinbeat_host::ParseOptions({{std::string(100'000, 'a')}}, "/prog", {});
    EXPECT_EQ(std::get<std::string>(longArgument), "unknown argument " + std::string(80, 'a') + "...");

    // The program says why and how it is used, and runs nothing.
    const auto run = spinbeat_test::RunProgram({SPINBEAT_HOST_PATH, "--roll", "7"});
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

TEST(HostPicture, TextFillsTheCellsTheSdkMeasuresItByAndStaysInsideThePicture) {
    using pluginsdk::host::CanvasCall;
    pluginsdk::host::Host host;
    GameWrapper game = host.GameFor(1);
    game.RegisterDrawable([](CanvasWrapper canvas) {
        canvas.SetColor(LinearColor(255, 255, 255, 255));
        canvas.SetPosition(Vector2{2, 2});
        canvas.DrawString("MMMM");
        // A second line far past the right edge, and one so large that it covers the whole picture.
        canvas.SetPosition(Vector2F{1e30F, 20});
        canvas.DrawString("M", 1e30F, 1e30F, true, true);
    });
    const std::vector<CanvasCall> calls = host.Frame({60, 40});
    spinbeat_host::Picture picture(60, 40);
    spinbeat_host::ReplayCanvas(picture, calls);
    const Vector2F cells = CanvasWrapper(0).GetStringSize("MMMM");
    int right = -1;
    int bottom = -1;
    for (int at = 0; at < 60 * 40; ++at) {
        if (picture.At(at % 60, at / 60).r != 0) {
            right = std::max(right, at % 60);
            bottom = std::max(bottom, at / 60);
        }
    }
    // The glyphs' ink lies inside the cells GetStringSize gives, and fills most of their width.
    EXPECT_GT(right, 2 + static_cast<int>(cells.X * 0.75F));
    EXPECT_LT(right, 2 + static_cast<int>(cells.X));
    EXPECT_LT(bottom, 2 + static_cast<int>(cells.Y));
}

TEST(HostPicture, DearImGuisTrianglesAreClippedTexturedAndBlendOnceAlongASharedEdge) {
    using spinbeat_host::UiDrawing;
    auto stripes = std::make_shared<pluginsdk::host::ImageTexture>();
    stripes->width = 2;
    stripes->height = 1;
    stripes->rgba = {255, 0, 0, 255, 0, 0, 255, 255};
    UiDrawing drawing;
    // A translucent white square from (2, 2) to (12, 12), clipped at x = 8, then the stripes over
    // (20, 0) to (30, 10); and a triangle far off the picture, which draws nothing.
    const auto quad = [&](float x0, float y0, float x1, float y1, spinbeat_host::Rgba color) {
        const auto base = static_cast<std::uint32_t>(drawing.vertices.size());
        drawing.vertices.push_back({{x0, y0}, {0.0F, 0.0F}, color});
        drawing.vertices.push_back({{x1, y0}, {1.0F, 0.0F}, color});
        drawing.vertices.push_back({{x1, y1}, {1.0F, 1.0F}, color});
        drawing.vertices.push_back({{x0, y1}, {0.0F, 1.0F}, color});
        drawing.indices.insert(drawing.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    };
    quad(2, 2, 12, 12, {255, 255, 255, 128});
    drawing.batches.push_back({0, 6, {0, 0, 8, 40}, nullptr});
    quad(20, 0, 30, 10, {255, 255, 255, 255});
    drawing.batches.push_back({6, 6, {0, 0, 40, 30}, stripes});
    quad(-3e9F, 1e9F, 3e9F, 2e9F, {255, 255, 255, 255});
    drawing.batches.push_back({12, 6, {0, 0, 40, 30}, nullptr});
    spinbeat_host::Picture picture(40, 30);
    spinbeat_host::PaintUi(picture, drawing);

    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{2, 2}, {7, 7}, {3, 6}, {7, 11}}) {
        EXPECT_EQ(picture.At(x, y).r, 128) << x << "," << y << ": inside, blended once";
    }
    EXPECT_EQ(picture.At(8, 8).r, 0) << "beyond the clip rectangle";
    EXPECT_EQ(picture.At(1, 2).r, 0);
    EXPECT_EQ(picture.At(2, 12).r, 0);
    EXPECT_EQ(picture.At(22, 5).r, 255) << "the left texel";
    EXPECT_EQ(picture.At(22, 5).b, 0);
    EXPECT_EQ(picture.At(27, 5).b, 255) << "the right texel";
    EXPECT_EQ(picture.At(27, 5).r, 0);
    EXPECT_EQ(picture.At(30, 5).b, 0);
}

} // namespace
