// spinbeat-host.exe's headless session on Windows, run with no display: its console lines and
// snapshots checked as the Linux host's are, its timing only as far as its own updates.txt tells, and
// the beat sound played through PlaySoundW and said to be not captured.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "programs.h"
#include "scene.h"

namespace {

using spinbeat_host::Rgba;
using spinbeat_test::ReadLines;

constexpr int kBarWidth = 825;
constexpr int kBarHeight = 20;

// Decoded from memory: stb opens files by narrow names.
struct Png {
    explicit Png(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                                static_cast<int>(bytes.size()), &width, &height, nullptr, 3);
        rgb.assign(pixels, pixels + (pixels != nullptr ? width * height * 3 : 0));
        stbi_image_free(pixels);
    }
    Rgba At(int x, int y) const {
        const auto at =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
        return {rgb.at(at), rgb.at(at + 1), rgb.at(at + 2), 255};
    }

    int width = 0;
    int height = 0;
    std::vector<stbi_uc> rgb;
};

bool IsFill(Rgba c) { return c.g > c.r + 80 && c.b > c.r + 80; }
bool IsSky(Rgba c) {
    return c.r == spinbeat_host::kSkyColor.r && c.g == spinbeat_host::kSkyColor.g &&
           c.b == spinbeat_host::kSkyColor.b;
}
bool IsWhite(Rgba c) { return c.r == 255 && c.g == 255 && c.b == 255; }

// The fill's width along the middle row of a bar whose top-left corner is (x, y).
int FillWidth(const Png& png, int x, int y) {
    int width = 0;
    for (int column = x; column < x + kBarWidth; ++column) {
        width = IsFill(png.At(column, y + kBarHeight / 2)) ? column - x + 1 : width;
    }
    return width;
}

struct Update {
    double dueMs;
    double startMs;
    double endMs;
};

// The last update due before `ms`: what a snapshot taken then shows.
const Update& LastUpdateBefore(const std::vector<Update>& updates, double ms) {
    return *std::find_if(updates.rbegin(), updates.rend(),
                         [&](const Update& update) { return update.dueMs < ms; });
}

TEST(HostSessionOnWindows, ConsoleAndSnapshotsAsOnLinuxAndTheSoundPlayedButNotCaptured) {
    const spinbeat_test::TempDir dir;
    const auto script = dir.path() / "session.txt";
    std::ofstream(script) << "0    roll 1\n"
                             "555  snapshot filling\n"
                             "1500 console spinbeat_bpm 120\n"
                             "1510 console spinbeat_barVerticalPosition 1\n"
                             "2300 roll 0\n"
                             "2320 snapshot released\n"
                             "2400 quit\n";
    const auto out = dir.path() / "out";
    // The module and the data folder beside the program, as a developer unpacks them.
    const auto run = spinbeat_test::RunProgram(
        {SPINBEAT_HOST_PATH, "--headless", "--script", script.string(), "--out", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    SCOPED_TRACE("spinbeat-host said:\n" + run.out + run.err);
    EXPECT_NE(run.out.find("sound        played through PlaySoundW, not captured"), std::string::npos);
    EXPECT_EQ(ReadLines(out / "console.log"),
              (std::vector<std::string>{"Spinbeat Plugin loaded!", "> spinbeat_bpm 120",
                                        "> spinbeat_barVerticalPosition 1"}));
    EXPECT_FALSE(std::filesystem::exists(out / "audio.wav"));
    EXPECT_FALSE(std::filesystem::exists(out / "beats.txt"));
    const auto timing = ReadLines(out / "timing.txt");
    ASSERT_EQ(timing.size(), 1U) << "no capture, so none of its measures";
    EXPECT_TRUE(timing[0].starts_with("updates_late_ms "));

    std::vector<Update> updates;
    std::ifstream updateLog(out / "updates.txt");
    for (Update update{}; updateLog >> update.dueMs >> update.startMs >> update.endMs;) {
        updates.push_back(update);
    }
    ASSERT_GT(updates.size(), 200U);

    // The bar centred at the top of 1920x1080, filled as far as the updates before the snapshot had
    // timed at 54 BPM: the clock read within the first update and within the last.
    const Png filling(out / "filling.png");
    ASSERT_TRUE(filling.width == 1920 && filling.height == 1080 && !filling.rgb.empty());
    const Update& last = LastUpdateBefore(updates, 555.0);
    const auto fill = [](double elapsedMs) {
        return static_cast<int>(static_cast<float>(kBarWidth) *
                                (static_cast<float>(std::floor(elapsedMs)) / (60000.0F / 54.0F)));
    };
    EXPECT_GE(FillWidth(filling, 548, 0), fill(last.startMs - updates.front().endMs - 0.001));
    EXPECT_LE(FillWidth(filling, 548, 0), fill(last.endMs - updates.front().startMs + 0.001));
    EXPECT_TRUE(IsSky(filling.At(547, 10)));
    EXPECT_TRUE(IsSky(filling.At(548 + kBarWidth, 10)));
    const Rgba half = filling.At(548 + 411, 10);
    EXPECT_EQ(half.r + half.g + half.b, 0) << "the black mark at half the bar";

    // At the bottom edge after the console moved it, and empty once an update has seen the release.
    const Png released(out / "released.png");
    ASSERT_TRUE(released.width == 1920 && released.height == 1080 && !released.rgb.empty());
    if (LastUpdateBefore(updates, 2320.0).dueMs >= 2300.0) {
        EXPECT_EQ(FillWidth(released, 548, 1060), 0);
    }
    EXPECT_TRUE(IsWhite(released.At(548 + 700, 1060)) && IsWhite(released.At(548 + 700, 1079)));
    EXPECT_FALSE(IsWhite(released.At(548 + 700, 1059)));
    EXPECT_TRUE(IsSky(released.At(600, 10)));
}

} // namespace
