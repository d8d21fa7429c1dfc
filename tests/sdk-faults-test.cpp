// The stand-in host against a plugin that throws: reported, released while mapped, never called again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin-session.h"
#include "test-platform.h"

namespace {

using spinbeat_test::PluginSession;

const std::filesystem::path kFaulty = FAULTY_MODULE_PATH;

std::vector<std::string> StopLine(const std::string& callback, const std::string& failsIn) {
    return {"PLUGIN STOPPED: \"Faulty\" (" + kFaulty.filename().string() + ") threw from " + callback + ": " +
            failsIn + " failed on purpose"};
}

// Its hook queues the task on the first tick; our plugin beside it must keep its beat throughout.
TEST(HostBoundary, AQueuedTaskThatThrowsStopsItsPluginAndNothingElse) {
    spinbeat_test::SetEnv("FAULTY_PLUGIN_FAILS_IN", "task");
    PluginSession session;
    auto& faulty = session.host.LoadPlugin(kFaulty);
    const auto hookCalls = reinterpret_cast<int (*)()>(faulty.Symbol("HookCalls"));
    session.RollAt(0, 1.0F);
    EXPECT_EQ(session.host.PluginFailures(), StopLine("a task it queued", "task"));
    EXPECT_EQ(session.LinesStartingWith("PLUGIN STOPPED"), StopLine("a task it queued", "task"));
    EXPECT_FALSE(faulty.Plugin());
    EXPECT_EQ(session.LinesStartingWith("faulty: object released").size(), 1U);
    EXPECT_TRUE(spinbeat_test::IsModuleLoaded(kFaulty));

    session.RollAt(1112, 1.0F);
    EXPECT_EQ(hookCalls(), 1);
    EXPECT_EQ(session.MissingSoundLines(), 1U) << "our plugin lost its beat";
    for (const auto& call : session.host.Frame({640, 480})) {
        EXPECT_NE(ToString(call), "FillBox(1, 1)") << "its drawable was called";
    }
    session.host.UnloadPlugin(faulty);
    EXPECT_FALSE(spinbeat_test::IsModuleLoaded(kFaulty));
    EXPECT_EQ(session.host.PluginFailures().size(), 1U);
}

} // namespace
