// The beat sound's file: its path, the line that says it is missing, and what counts as missing,
// all on the fake clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "plugin-session.h"

namespace {

using spinbeat_test::PluginSession;

TEST(BeatSoundFile, AMissingFileIsReportedWithItsFullPathOnEveryBeat) {
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

TEST(BeatSoundFile, TheDataFolderIsJoinedWithOneSeparatorAndItsBytesKept) {
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

TEST(BeatSoundFile, APathThatCannotBeLookedAtCountsAsMissing) {
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

} // namespace
