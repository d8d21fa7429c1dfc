// A plugin another developer built against the host's own declarations, run by spinbeat-host: what
// spinbeat-host implements works, and what it does not stops the plugin with the member named.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "programs.h"

namespace {

using pluginsdk::host::CanvasCall;
using pluginsdk::host::Host;
using spinbeat_test::ReadLines;

const std::string kReport =
    "\"Facts\" (facts-plugin.dll) imports 20 names from pluginsdk.dll; spinbeat-host "
    "implements 18, not these 2: CarWrapper::GetOwnerName(); ServerWrapper::GetGameTime()";

// A host in free play with the player's car, the roll held left, and the plugin loaded.
struct FactsHost {
    FactsHost() {
        host.SetRoll(host.AddCar(), -1.0F);
        host.SetFreeplay(true);
        host.LoadPlugin(FACTS_PLUGIN_PATH);
    }
    Host host;
};

TEST(FactsPlugin, ItsNotifiersHooksTimeoutAndTextWork) {
    FactsHost facts;
    Host& host = facts.host;
    EXPECT_EQ(host.ConsoleLines(),
              (std::vector<std::string>{kReport, "facts: loading", "> facts_ping from onLoad",
                                        "facts: heard facts_ping from onLoad", "facts: loaded"}));
    // 0.1 s of game time is twelve updates.
    for (int tick = 0; tick < 12; ++tick) {
        host.Tick();
    }
    host.ExecuteConsoleLine("facts_ping typed \"two words\"");
    EXPECT_EQ(host.ConsoleLines(5), (std::vector<std::string>{"facts: 12 updates, roll -1",
                                                              "facts: heard facts_ping typed two words"}));
    const std::vector<CanvasCall>& calls = host.Frame({640, 480});
    ASSERT_EQ(calls.size(), 3U);
    EXPECT_EQ(pluginsdk::host::ToString(calls[0]), "SetPosition(5, 6.5)");
    EXPECT_EQ(pluginsdk::host::ToString(calls[1]), "SetColor(255, 255, 0, 255)");
    EXPECT_EQ(pluginsdk::host::ToString(calls[2]), "DrawString(\"facts\", 2, 2)");
    EXPECT_TRUE(host.PluginFailures().empty());
}

TEST(FactsPlugin, AMemberSpinbeatHostLacksOrOneOnANullObjectStopsItAndNamesTheMember) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"facts_unimplemented", "called CarWrapper::GetOwnerName(), which spinbeat-host does not implement"},
        {"facts_null", "called ServerWrapper::GetGameTime() on a null object, where the game would crash"}};
    for (const auto& [command, reason] : cases) {
        FactsHost facts;
        facts.host.ExecuteConsoleLine(command);
        const std::string stopped = "PLUGIN STOPPED: \"Facts\" (facts-plugin.dll) " + reason;
        EXPECT_EQ(facts.host.PluginFailures(), std::vector<std::string>{stopped});
        EXPECT_EQ(facts.host.ConsoleLines().back(), stopped);
        // Nothing of it runs again, and the host goes on.
        facts.host.Tick();
        EXPECT_TRUE(facts.host.Frame({640, 480}).empty());
    }
}

TEST(FactsPlugin, SpinbeatHostSaysWhatItUsesAndEndsASessionItStoppedWithStatusOne) {
    const auto imports = spinbeat_test::RunProgram({SPINBEAT_HOST_PATH, "--imports", FACTS_PLUGIN_PATH});
    EXPECT_EQ(imports.exitCode, 0) << imports.err;
    EXPECT_EQ(imports.out,
              "facts-plugin.dll imports 20 names from pluginsdk.dll; spinbeat-host implements 18, "
              "not these 2: CarWrapper::GetOwnerName(); ServerWrapper::GetGameTime()\n");

    const spinbeat_test::TempDir dir;
    std::ofstream(dir.path() / "session.txt")
        << "0 roll 1\n50 console facts_ping headless\n150 console facts_null\n"
           "250 quit\n";
    const auto run = spinbeat_test::RunProgram(
        {SPINBEAT_HOST_PATH, "--headless", "--module", FACTS_PLUGIN_PATH, "--script",
         (dir.path() / "session.txt").string(), "--out", (dir.path() / "out").string()});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const auto console = ReadLines(dir.path() / "out" / "console.log");
    ASSERT_GE(console.size(), 4U);
    EXPECT_EQ(console.front(), kReport);
    EXPECT_EQ(std::vector<std::string>(console.end() - 4, console.end()),
              (std::vector<std::string>{
                  "facts: heard facts_ping headless", "facts: 12 updates, roll 1", "> facts_null",
                  "PLUGIN STOPPED: \"Facts\" (facts-plugin.dll) called ServerWrapper::GetGameTime() "
                  "on a null object, where the game would crash"}));
}

} // namespace
