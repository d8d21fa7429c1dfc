// spinbeat-host.exe's headless session on Windows, run with no display: its console lines and
// snapshots checked as the Linux host's are, its timing only as far as its own updates.txt tells, and
// the beat sound played through PlaySoundW and said to be not captured.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "programs.h"
#include "session-pictures.h"
#include "session-record.h"

namespace {

using spinbeat_host::Rgba;
using spinbeat_test::FillWidth;
using spinbeat_test::IsSky;
using spinbeat_test::kBarWidth;
using spinbeat_test::Png;
using spinbeat_test::ReadLines;

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
              (std::vector<std::string>{"\"Basic Spinbeat\" (Spinbeat.dll) imports 29 names from "
                                        "pluginsdk.dll; spinbeat-host implements all of them",
                                        "Spinbeat Plugin loaded!", "> spinbeat_bpm 120",
                                        "> spinbeat_barVerticalPosition 1"}));
    EXPECT_FALSE(std::filesystem::exists(out / "audio.wav"));
    EXPECT_FALSE(std::filesystem::exists(out / "beats.txt"));
    const auto timing = ReadLines(out / "timing.txt");
    ASSERT_EQ(timing.size(), 1U) << "no capture, so none of its measures";
    EXPECT_TRUE(timing[0].starts_with("updates_late_ms "));

    const spinbeat_test::SessionRecord record = spinbeat_test::ReadSessionRecord(out);
    ASSERT_GT(record.updates.size(), 200U);

    // The bar centred at the top of 1920x1080, filled as far as the updates before the snapshot had
    // timed at 54 BPM: the clock read within the first update and within the last.
    const Png filling(out / "filling.png");
    ASSERT_TRUE(filling.Width() == 1920 && filling.Height() == 1080 && filling.Loaded());
    const auto [least, most] = spinbeat_test::FillRange(record, 555.0, 60000.0F / 54.0F);
    EXPECT_GE(FillWidth(filling, 548, 0), least);
    EXPECT_LE(FillWidth(filling, 548, 0), most);
    EXPECT_TRUE(IsSky(filling.At(547, 10)));
    EXPECT_TRUE(IsSky(filling.At(548 + kBarWidth, 10)));
    const Rgba half = filling.At(548 + 411, 10);
    EXPECT_EQ(half.r + half.g + half.b, 0) << "the black mark at half the bar";

    // At the bottom edge after the console moved it, and empty once an update has seen the release.
    const Png released(out / "released.png");
    ASSERT_TRUE(released.Width() == 1920 && released.Height() == 1080 && released.Loaded());
    if (spinbeat_test::LastUpdateBefore(record, 2320.0).dueMs >= 2300.0) {
        EXPECT_EQ(FillWidth(released, 548, 1060), 0);
    }
    EXPECT_TRUE(spinbeat_test::HasBarOutlineAt(released, 548, 1060));
    EXPECT_TRUE(IsSky(released.At(600, 10)));
}

} // namespace
