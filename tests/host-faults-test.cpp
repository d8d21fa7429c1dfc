// Host programs against a plugin that throws: spinbeat-host's sessions and the tests' settings page.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "settings-page-host.h"
#include "test-platform.h"

namespace {

std::string StopLine(const std::string& callback, const std::string& failsIn) {
    return "PLUGIN STOPPED: \"Faulty\" (faulty.so) threw from " + callback + ": " + failsIn +
           " failed on purpose";
}

std::vector<std::string> Lines(const std::filesystem::path& file, const std::string& prefix = "") {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(prefix)) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Each failure comes early in the session, or at its end for onUnload; every command after it runs.
TEST(SpinbeatHostFaults, APluginThatThrowsIsReportedAndTheSessionGoesOnToAFailingStatus) {
    const std::vector<std::pair<std::string, std::string>> faults = {
        {"onLoad", "onLoad"},         {"hook", "its hook for Function TAGame.Car_TA.SetVehicleInput"},
        {"drawable", "its drawable"}, {"cvar", "its change callback of faulty_value"},
        {"onUnload", "onUnload"},     {"settings-midway", "RenderSettings"},
    };
    for (const auto& [failsIn, callback] : faults) {
        SCOPED_TRACE(failsIn);
        const spinbeat_test::TempDir dir;
        const auto file = [&](const char* name) { return (dir.path() / name).string(); };
        std::ofstream(file("session.txt"))
            << "0 roll 1\n100 console faulty_value 1\n200 console faulty_value 2\n";
        const std::string command =
            "FAULTY_PLUGIN_FAILS_IN=" + failsIn +
            " exec " SPINBEAT_HOST_PATH " --headless --module " FAULTY_MODULE_PATH " --script " +
            file("session.txt") + " --out " + file("out") + " >" + file("stdout") + " 2>" + file("stderr");
        const int status = std::system(command.c_str());

        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        const std::vector<std::string> line{StopLine(callback, failsIn)};
        EXPECT_EQ(Lines(file("stderr"), "PLUGIN"), line);
        EXPECT_EQ(Lines(file("out") + "/console.log", "PLUGIN"), line);
        EXPECT_EQ(Lines(file("out") + "/console.log", "faulty: object released").size(), 1U);
        EXPECT_EQ(Lines(file("out") + "/console.log", "> faulty_value 2").size(), 1U);
        EXPECT_EQ(Lines(file("stdout"), "Headless session of").size(), 1U);
    }
}

TEST(SettingsPageHostFaults, APageThatThrowsIsNeverDrawnAgain) {
    spinbeat_test::SetEnv("FAULTY_PLUGIN_FAILS_IN", "settings");
    pluginsdk::host::Host host;
    auto& faulty = host.LoadPlugin(FAULTY_MODULE_PATH);
    spinbeat_test::SettingsPageHost page(host, faulty);
    page.Draw(2);
    host.Tick();
    page.Draw(1);
    EXPECT_EQ(host.PluginFailures(), std::vector<std::string>{StopLine("RenderSettings", "settings")});
    EXPECT_FALSE(faulty.Plugin());
}

} // namespace
