// A plugin another developer built against the host's own declarations, run by spinbeat-host: what
// spinbeat-host implements works, and what it does not stops the plugin with the member named.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "programs.h"

namespace {

using pluginsdk::host::Host;

const std::string kImports =
    "imports 44 names from pluginsdk.dll; spinbeat-host implements 43, not this one: "
    "CarWrapper::Demolish()";
const std::string kStopped = "PLUGIN STOPPED: \"Facts\" (facts-plugin.dll) called CarWrapper::Demolish()";

// The player's car with the roll held left, the plugin loaded.
struct FactsHost {
    explicit FactsHost(bool freeplay) {
        host.SetRoll(host.AddCar(), -1.0F);
        host.SetFreeplay(freeplay);
        host.LoadPlugin(FACTS_PLUGIN_PATH);
    }
    Host host;
};

TEST(FactsPlugin, ItsNotifiersHooksTimeoutAndTextWorkAndAMemberSpinbeatHostLacksStopsIt) {
    FactsHost facts(true);
    Host& host = facts.host;
    EXPECT_EQ(host.ConsoleLines(),
              (std::vector<std::string>{"\"Facts\" (facts-plugin.dll) " + kImports, "facts: loading",
                                        "> facts_ping from onLoad", "facts: heard facts_ping from onLoad",
                                        "facts: loaded"}));
    // 0.1 s of game time is twelve updates.
    for (int tick = 0; tick < 12; ++tick) {
        host.Tick();
    }
    host.ExecuteConsoleLine("facts_ping typed \"two words\"");
    std::vector<std::string> drawn;
    for (const auto& call : host.Frame({640, 480})) {
        drawn.push_back(pluginsdk::host::ToString(call));
    }
    EXPECT_EQ(drawn, (std::vector<std::string>{"SetPosition(5, 6.5)", "SetColor(255, 255, 0, 255)",
                                               "DrawString(\"facts\", 2, 2)"}));

    // The game as the plugin reads it through the host's objects, and a location it moved.
    host.ExecuteConsoleLine("facts_game");
    host.ExecuteConsoleLine("facts_demolish");
    EXPECT_EQ(
        host.ConsoleLines(5),
        (std::vector<std::string>{
            "facts: 12 updates, roll -1, driver Player", "facts: heard facts_ping typed two words",
            "facts: ball at 0 0 92.75, 1 car, Player on team 0, goals at 0 -5120 321.4 and 0 5120 321.4",
            "facts: ball moved to 1 2 3", kStopped + ", which spinbeat-host does not implement"}));
    // Nothing of it runs again, and the host goes on.
    host.Tick();
    EXPECT_TRUE(host.Frame({640, 480}).empty());
}

TEST(FactsPlugin, SpinbeatHostSaysWhatItUsesAndEndsASessionItStoppedOnANullObjectWithStatusOne) {
    const auto imports = spinbeat_test::RunProgram({SPINBEAT_HOST_PATH, "--imports", FACTS_PLUGIN_PATH});
    EXPECT_EQ(imports.exitCode, 0) << imports.err;
    EXPECT_TRUE(
        imports.out.starts_with("facts-plugin.dll " + kImports + "\n  ActorWrapper: 3 of 3 implemented\n"))
        << imports.out;
    EXPECT_NE(imports.out.find("\n  CarWrapper: 3 of 4 implemented; not CarWrapper::Demolish()\n"),
              std::string::npos);

    const spinbeat_test::TempDir dir;
    std::ofstream(dir.path() / "session.txt")
        << "0 ball 0 5200 321.4\n10 event Function TAGame.Ball_TA.OnHitGoal\n"
           "20 expect console facts: goal by the ball at 0 5200 321.4\n"
           "30 freeplay off\n40 console facts_game\n50 console facts_demolish\n100 quit\n";
    const auto run = spinbeat_test::RunProgram(
        {SPINBEAT_HOST_PATH, "--headless", "--module", FACTS_PLUGIN_PATH, "--script",
         (dir.path() / "session.txt").string(), "--out", (dir.path() / "out").string()});
    // The goal's hook ran with the ball the session placed; the stop alone sets the status.
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const auto console = spinbeat_test::ReadLines(dir.path() / "out" / "console.log");
    ASSERT_FALSE(console.empty());
    // Outside free play there is no game, and the player's car is a null object.
    EXPECT_NE(std::find(console.begin(), console.end(), "facts: no game"), console.end());
    EXPECT_EQ(console.back(), kStopped + " on a null object, where the game would crash");
}

} // namespace
