// Another developer's plugin with its own window, an image and a bug, in spinbeat-host on Windows: the
// fault stops it named, togglemenu shows its window in a snapshot, and its image draws.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "programs.h"
#include "session-pictures.h"

namespace {

using pluginsdk::host::Host;
using spinbeat_test::Png;

constexpr const char* kHitBall = "Function TAGame.Car_TA.OnHitBall";

// An 8x8 red square, as a plugin ships a logo.
std::filesystem::path RedPng(const std::filesystem::path& folder) {
    const std::vector<unsigned char> red(8 * 8 * 3, 0);
    std::vector<unsigned char> pixels = red;
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = 255;
    }
    const auto file = folder / "red.png";
    EXPECT_NE(stbi_write_png(file.string().c_str(), 8, 8, 3, pixels.data(), 8 * 3), 0);
    return file;
}

bool IsRed(spinbeat_host::Rgba c) { return c.r == 255 && c.g == 0 && c.b == 0; }

int RedIn(const Png& png, int left, int top, int right, int bottom) {
    int red = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            red += IsRed(png.At(x, y)) ? 1 : 0;
        }
    }
    return red;
}

TEST(DevPlugin, ItsImagesLoadOrSayWhyAndItsNullReadStopsItNamedWhileTheHostGoesOn) {
    const spinbeat_test::TempDir dir;
    std::ofstream(dir.path() / "notes.png") << "not an image";
    Host host;
    host.AddCar();
    host.SetFreeplay(true);
    auto& plugin = host.LoadPlugin(DEV_PLUGIN_PATH);
    const std::size_t first = host.ConsoleLineCount();
    host.ExecuteConsoleLine("dev_image \"" + (dir.path() / "missing.png").string() + "\"");
    host.ExecuteConsoleLine("dev_image \"" + (dir.path() / "notes.png").string() + "\"");
    host.ExecuteConsoleLine("dev_image \"" + RedPng(dir.path()).string() + "\"");
    const auto lines = host.ConsoleLines(first);
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_TRUE(lines[0].starts_with("ImageWrapper: cannot load ") &&
                lines[0].ends_with("; the image is null") &&
                lines[0].find("missing.png: ") != std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[1], "dev: image 0x0");
    EXPECT_NE(lines[2].find("notes.png: not a PNG or JPEG file"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "dev: image 0x0");
    EXPECT_EQ(lines[4], "dev: image 8x8 canvas imgui");
    std::vector<std::string> drawn;
    for (const auto& call : host.Frame({640, 480})) {
        drawn.push_back(pluginsdk::host::ToString(call));
    }
    EXPECT_EQ(drawn,
              (std::vector<std::string>{"SetPosition(100, 200)", "DrawImage(red.png, 100, 200, 16, 16, "
                                                                 "uv 0, 0, 1, 1)"}));

    host.FireEvent(kHitBall);
    const auto failures = host.PluginFailures();
    ASSERT_EQ(failures.size(), 1U);
    EXPECT_TRUE(std::regex_match(
        failures[0], std::regex("PLUGIN STOPPED: \"Dev\" \\(dev-plugin\\.dll\\) faulted in its hook for "
                                "Function TAGame\\.Car_TA\\.OnHitBall: access violation reading "
                                "0x0000000000000010 at dev-plugin\\.dll\\+0x[0-9a-f]+")))
        << failures[0];
    EXPECT_TRUE(plugin.Failed());
    // Nothing of it runs again, and the host goes on.
    host.FireEvent(kHitBall);
    host.Tick();
    EXPECT_TRUE(host.Frame({640, 480}).empty());
    EXPECT_EQ(host.PluginFailures().size(), 1U);
}

// A developer's loop in one session: the window opened and drawn, the plugin reloaded, its bug hit,
// each step checked by the session's own expectations, the last of which fails on purpose.
TEST(DevPlugin, ASessionShowsItsWindowReloadsItStopsItAtItsFaultAndItsExpectationsSetTheStatus) {
    const spinbeat_test::TempDir dir;
    const auto script = dir.path() / "session.txt";
    std::ofstream(script)
        << "0   console dev_image \"" << RedPng(dir.path()).string() << "\"\n"
        << "100 snapshot closed\n"
           "200 console togglemenu devwindow\n"
           "250 expect console dev: opened\n"
           "300 snapshot open\n"
           "300 expect drawn DrawImage(red.png\n"
           "400 console togglemenu devwindow\n"
           "450 console togglemenu nothing\n"
           "460 expect console togglemenu: no menu named nothing\n"
           "500 console plugin reload dev-plugin\n"
           "600 expect console left registered after onUnload: 1 hook, 1 drawable, 1 command\n"
           "600 expect no-stop\n"
           "700 event Function TAGame.Car_TA.OnHitBall\n"
           "800 expect console faulted in its hook for Function TAGame.Car_TA.OnHitBall: "
           "access violation reading 0x0000000000000010 at dev-plugin.dll+0x\n"
           "800 expect no-stop\n"
           "900 quit\n";
    const auto out = dir.path() / "out";
    const auto run = spinbeat_test::RunProgram({SPINBEAT_HOST_PATH, "--headless", "--module", DEV_PLUGIN_PATH,
                                                "--script", script.string(), "--out", out.string()});
    EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
    std::vector<std::string> failed;
    for (const auto& line : spinbeat_test::ReadLines(out / "console.log")) {
        if (line.starts_with("EXPECTATION FAILED")) {
            failed.push_back(line);
        }
    }
    ASSERT_EQ(failed.size(), 1U) << run.err;
    EXPECT_TRUE(failed[0].starts_with("EXPECTATION FAILED: script line 15, expect no-stop: 1 plugin stopped"))
        << failed[0];
    const auto console = spinbeat_test::ReadLines(out / "console.log");
    EXPECT_EQ(std::count(console.begin(), console.end(), "dev: loaded"), 2) << "loaded, then reloaded";

    // The window asks for 400x300 at (300, 100); the image drawn in it is 96x96 of red, and the
    // canvas's is 16x16 at (100, 200).
    const Png closed(out / "closed.png");
    const Png open(out / "open.png");
    ASSERT_TRUE(closed.Loaded() && open.Loaded());
    EXPECT_EQ(RedIn(closed, 300, 100, 700, 400), 0);
    EXPECT_TRUE(spinbeat_test::IsSky(closed.At(600, 350)));
    EXPECT_EQ(RedIn(open, 300, 100, 700, 400), 96 * 96);
    const spinbeat_host::Rgba background = open.At(600, 350);
    EXPECT_FALSE(spinbeat_test::IsSky(background));
    EXPECT_LT(background.r + background.g + background.b, 3 * 40) << "Dear ImGui's dark window background";
    EXPECT_EQ(RedIn(closed, 100, 200, 116, 216), 16 * 16);
    EXPECT_EQ(RedIn(open, 100, 200, 116, 216), 16 * 16);
}

} // namespace
