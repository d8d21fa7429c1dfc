// The metronome: tempo settings and the beat clock, driven through the real hook with a fake clock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fake-clock.h"
#include "plugin-session.h"

namespace {

using spinbeat_test::PluginSession;

// With no beat sound in the data folder every beat leaves one console line, so the lines count the
// beats. Returns the times of the ticks that beat.
std::vector<std::int64_t> HoldRoll(PluginSession& session, std::int64_t fromMs, std::int64_t toMs,
                                   std::int64_t everyMs, bool alternate = false) {
    std::vector<std::int64_t> beats;
    float roll = 1.0F;
    for (std::int64_t ms = fromMs; ms <= toMs; ms += everyMs) {
        const std::size_t before = session.MissingSoundLines();
        session.RollAt(ms, roll);
        if (session.MissingSoundLines() > before) {
            beats.push_back(ms);
        }
        if (alternate) {
            roll = -roll;
        }
    }
    return beats;
}

// ---------------------------------------------------------------------------
// Tempo
// ---------------------------------------------------------------------------

TEST(Tempo, DefaultIntervalIsTheFloatNearestToSixtyThousandOverFiftyFour) {
    PluginSession session;
    // 1111 whole milliseconds fall short of 1111.1111; 1112 reach it.
    EXPECT_EQ(HoldRoll(session, 0, 1111, 1111), std::vector<std::int64_t>{});
    EXPECT_EQ(HoldRoll(session, 1112, 1112, 1), (std::vector<std::int64_t>{1112}));
}

TEST(Tempo, OneHundredTwentyBeatsAtExactlyFiveHundredMilliseconds) {
    PluginSession session;
    session.Console("spinbeat_bpm 120");
    EXPECT_EQ(HoldRoll(session, 0, 1000, 500), (std::vector<std::int64_t>{500, 1000}));
    session.RollAt(1001, 0.0F);
    EXPECT_EQ(HoldRoll(session, 2000, 2499, 499), std::vector<std::int64_t>{});
}

TEST(Tempo, ZeroNeverBeatsAndNegativeBeatsOnEveryTickAfterTheFirst) {
    PluginSession session;
    session.Console("spinbeat_bpm 0");
    EXPECT_EQ(HoldRoll(session, 0, 3'600'000, 60'000), std::vector<std::int64_t>{});

    session.RollAt(3'600'001, 0.0F);
    session.Console("spinbeat_bpm -54");
    EXPECT_EQ(HoldRoll(session, 4'000'000, 4'000'003, 1),
              (std::vector<std::int64_t>{4'000'001, 4'000'002, 4'000'003}));
}

TEST(Tempo, ANewObjectKeepsTheLastTempoAndANewModuleStartsFromTheDefault) {
    PluginSession session;
    session.Console("spinbeat_bpm 120");
    session.host.StopPlugin(*session.plugin);

    // The host creates a second object from the same, still open, module.
    auto getPlugin = reinterpret_cast<std::uintptr_t (*)()>(session.plugin->Symbol("getPlugin"));
    auto& holder = *reinterpret_cast<std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>*>(getPlugin());
    holder->cvarManager =
        std::make_shared<CVarManagerWrapper>(session.host.CVarManagerFor(session.plugin->Id()));
    holder->gameWrapper = std::make_shared<GameWrapper>(session.host.GameFor(session.plugin->Id()));
    holder->onLoad();
    EXPECT_EQ(HoldRoll(session, 0, 500, 500), (std::vector<std::int64_t>{500}));
    holder->onUnload();
    reinterpret_cast<void (*)()>(session.plugin->Symbol("deleteMe"))();
    session.host.UnloadPlugin(*session.plugin);

    // The variable still says 120, but no change callback has run in this module yet.
    session.plugin = &session.host.LoadPlugin(spinbeat_test::TestModulePath());
    EXPECT_EQ(session.host.GetCvar("spinbeat_bpm").getIntValue(), 120);
    EXPECT_EQ(HoldRoll(session, 10'000, 11'112, 556), (std::vector<std::int64_t>{11'112}));
}

// ---------------------------------------------------------------------------
// Beat clock
// ---------------------------------------------------------------------------

TEST(BeatClock, EachBeatIsTimedFromTheLaterReadingOfTheTickBefore) {
    for (const bool alternate : {false, true}) {
        SCOPED_TRACE(alternate ? "alternating 1.0 and -1.0" : "holding 1.0");
        PluginSession session;
        // Every reading comes 1 us after the previous one, starting 1 us after the tick.
        fakeclock::SetReadStep(1000);
        EXPECT_EQ(HoldRoll(session, 0, 3000, 8, alternate), (std::vector<std::int64_t>{1112, 2232}));
    }
}

TEST(BeatClock, ReadsTheClockOnceATickAndTwiceOnABeat) {
    PluginSession session;
    session.RollAt(0, 1.0F);
    std::int64_t before = fakeclock::Reads();
    session.RollAt(1000, 1.0F);
    EXPECT_EQ(fakeclock::Reads() - before, 1);
    EXPECT_EQ(session.Object().elapsedMs, 1000);

    before = fakeclock::Reads();
    session.RollAt(1200, 1.0F);
    EXPECT_EQ(fakeclock::Reads() - before, 2);
    // The elapsed time that reached the interval stays until the next tick.
    EXPECT_EQ(session.Object().elapsedMs, 1200);
    session.RollAt(1210, 1.0F);
    EXPECT_EQ(session.Object().elapsedMs, 10);
}

TEST(BeatClock, AnythingShortOfFullRollResetsTheTiming) {
    const float notFull[] = {0.999F,
                             -0.999F,
                             0.0F,
                             -0.0F,
                             std::nanf(""),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::denorm_min()};
    for (const float roll : notFull) {
        SCOPED_TRACE(roll);
        PluginSession session;
        HoldRoll(session, 0, 600, 8);
        const std::int64_t readsBefore = fakeclock::Reads();
        session.RollAt(608, roll);
        EXPECT_FALSE(session.Object().isRolling);
        EXPECT_EQ(session.Object().elapsedMs, 0);
        EXPECT_EQ(fakeclock::Reads(), readsBefore);
        // The next full roll starts a new interval: no beat is owed from before the release.
        EXPECT_EQ(HoldRoll(session, 616, 2000, 8), (std::vector<std::int64_t>{1728}));
    }
}

TEST(BeatClock, OutsideFreePlayTheTimingIsFrozenAndGoesOnWhenThePlayerReturns) {
    PluginSession session;
    HoldRoll(session, 0, 504, 8);
    ASSERT_EQ(session.Object().elapsedMs, 504);

    session.host.SetFreeplay(false);
    const std::int64_t readsBefore = fakeclock::Reads();
    EXPECT_EQ(HoldRoll(session, 512, 3000, 8), std::vector<std::int64_t>{});
    session.RollAt(3008, 0.0F);
    EXPECT_EQ(fakeclock::Reads(), readsBefore);
    EXPECT_TRUE(session.Object().isRolling);
    EXPECT_EQ(session.Object().elapsedMs, 504);

    // Back in free play with the roll held: more than an interval has passed since the last start.
    session.host.SetFreeplay(true);
    EXPECT_EQ(HoldRoll(session, 5000, 5000, 8), (std::vector<std::int64_t>{5000}));
}

TEST(BeatClock, WithTheSoundOffBeatsStillRestartTheInterval) {
    PluginSession session;
    session.Console("spinbeat_playSoundOnBeat 0");
    HoldRoll(session, 0, 1112, 8);
    EXPECT_EQ(session.Object().elapsedMs, 1112);
    session.RollAt(1120, 1.0F);
    EXPECT_EQ(session.Object().elapsedMs, 8);
    EXPECT_EQ(session.MissingSoundLines(), 0U);

    session.Console("spinbeat_playSoundOnBeat 1");
    EXPECT_EQ(HoldRoll(session, 1128, 2300, 8), (std::vector<std::int64_t>{2224}));
}

TEST(BeatClock, EveryCarInFreePlayDrivesTheOneSharedClock) {
    PluginSession session;
    const std::size_t second = session.host.AddCar();
    session.host.SetRoll(second, 0.0F);
    // The second car's update comes after the player's in every tick and resets the timing.
    EXPECT_EQ(HoldRoll(session, 0, 3000, 8), std::vector<std::int64_t>{});
    EXPECT_FALSE(session.Object().isRolling);
}

} // namespace
