// Bad input from the console, the data folder and the beat file: the host never sees a fault.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <vector>

#include "plugin-session.h"

namespace {

using spinbeat_test::PluginSession;

// Ticks every 8 ms from 0 to 80 with the roll held; with no beat file each beat leaves one line.
std::vector<std::int64_t> BeatsOverEightyMs(PluginSession& session, std::int64_t start) {
    std::vector<std::int64_t> beats;
    for (std::int64_t ms = 0; ms <= 80; ms += 8) {
        const std::size_t before = session.MissingSoundLines();
        session.RollAt(start + ms, 1.0F);
        if (session.MissingSoundLines() > before) {
            beats.push_back(ms);
        }
    }
    session.RollAt(start + 88, 0.0F);
    return beats;
}

TEST(BadInput, AnyTempoTypedIntoTheConsoleKeepsTheBeatClockToItsRules) {
    const std::vector<std::int64_t> never;
    const std::vector<std::int64_t> everyTickAfterTheFirst = {8, 16, 24, 32, 40, 48, 56, 64, 72, 80};
    struct Row {
        std::string typed;
        std::int32_t reads;
        const std::vector<std::int64_t>& beats;
    };
    const Row rows[] = {
        // No tempo: the interval is infinite.
        {"0", 0, never},
        {"abc", 0, never},
        {"\"\"", 0, never},
        // A negative interval is reached by every tick that times.
        {"-1", -1, everyTickAfterTheFirst},
        {std::to_string(INT_MIN), INT_MIN, everyTickAfterTheFirst},
        // Far below a millisecond: every tick that times is a beat.
        {std::to_string(INT_MAX), INT_MAX, everyTickAfterTheFirst},
        {"1e9", 1'000'000'000, everyTickAfterTheFirst},
        {"54", 54, never},
    };
    PluginSession session;
    std::int64_t start = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        session.Console("spinbeat_bpm " + row.typed);
        EXPECT_EQ(session.host.GetCvar("spinbeat_bpm").getIntValue(), row.reads);
        EXPECT_EQ(BeatsOverEightyMs(session, start), row.beats);
        start += 1000;
    }
    // Nothing but beat lines and the loaded line reached the console.
    EXPECT_EQ(session.host.ConsoleLineCount(), 1 + session.MissingSoundLines());
}

TEST(BadInput, AnyBarPositionTypedIntoTheConsoleKeepsTheBarOnTheFrame) {
    const std::pair<const char*, std::int32_t> rows[] = {
        {"-1", 0}, {"2", 1060}, {"nan", 0}, {"inf", 1060}, {"-inf", 0}};
    PluginSession session;
    for (const auto& [typed, top] : rows) {
        SCOPED_TRACE(typed);
        session.Console(std::string("spinbeat_barVerticalPosition ") + typed);
        const auto& calls = session.host.Frame({1920, 1080});
        ASSERT_EQ(calls.size(), 14U);
        EXPECT_EQ(calls[0].vec, (Vector2{548, top}));
    }
}

TEST(BadInput, AMissingDataFolderIsReportedLikeAMissingFile) {
    PluginSession session;
    const auto folder = session.data.path() / "not-there";
    session.host.SetDataFolder(folder);
    session.Console("spinbeat_bpm -1");
    EXPECT_EQ(BeatsOverEightyMs(session, 0).size(), 10U);
    EXPECT_EQ(session.LinesStartingWith("SOUND FILE NOT FOUND").back(),
              "SOUND FILE NOT FOUND: " + (folder / "timesup.wav").string());
}

// Root reads any file whatever its permissions say; for as long as this lives, this thread does not.
class NoReadingPastPermissions {
public:
    NoReadingPastPermissions() {
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header_, reduced);
    }
    NoReadingPastPermissions(const NoReadingPastPermissions&) = delete;
    NoReadingPastPermissions& operator=(const NoReadingPastPermissions&) = delete;
    ~NoReadingPastPermissions() { syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

TEST(BadInput, ABeatFileReplacedOrLockedWhilePlayingIsNoFault) {
    PluginSession session(spinbeat_test::ModulePath());
    session.InstallSound();
    session.Console("spinbeat_bpm -1");
    session.host.SetRoll(session.car, 1.0F);
    session.host.Tick();
    for (int beat = 0; beat < 6; ++beat) {
        switch (beat % 3) {
        case 0:
            // Rewritten in place, the way an editor saves over it.
            std::ofstream(session.SoundPath(), std::ios::binary | std::ios::trunc) << "not a wave any more";
            break;
        case 1:
            session.InstallSound();
            break;
        case 2:
            std::filesystem::permissions(session.SoundPath(), std::filesystem::perms::none);
            break;
        }
        {
            const NoReadingPastPermissions asAPlayer;
            const int fd = open(session.SoundPath().c_str(), O_RDONLY);
            ASSERT_EQ(beat % 3 == 2, fd < 0) << "the file must be unreadable exactly when locked";
            if (fd >= 0) {
                close(fd);
            }
            session.host.Tick();
        }
        std::filesystem::permissions(session.SoundPath(), std::filesystem::perms::owner_all);
    }
    EXPECT_EQ(session.MissingSoundLines(), 0U);
    EXPECT_EQ(session.host.ConsoleLineCount(), 1U);
}

} // namespace
