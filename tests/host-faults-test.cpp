// Host programs against a plugin that throws: spinbeat-host's sessions and the tests' settings page.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

// Two plugins in one session, one unloading itself from its own command and leaving things behind,
// the other reloaded with its setting; expectations decide the status, and 3 wins over a stop's 1.
// Only the order of lines and the status are judged, never when they came.
TEST(SpinbeatHostFaults, PluginsReloadAndUnloadAloneAndExpectationsSetTheStatus) {
    const spinbeat_test::TempDir dir;
    const auto file = [&](const char* name) { return (dir.path() / name).string(); };
    const std::string spinbeat =
        (std::filesystem::path(SPINBEAT_HOST_PATH).parent_path() / "Spinbeat.so").string();
    const std::string script = "0 roll 1\n"
                               "100 event Function TAGame.Car_TA.EventHitBall\n"
                               "150 expect console faulty: ball null caller, zeroed params\n"
                               "200 console spinbeat_bpm 100\n"
                               "300 console faulty_unload_self\n"
                               "400 console plugin reload SPINBEAT\n"
                               "500 expect cvar spinbeat_bpm 100.0\n"
                               "500 expect drawn FillBox\n"
                               "600 console plugin load faulty\n"
                               "700 expect no-stop\n"
                               "700 expect no-console left registered after onUnload: 1 hook\n";
    const auto run = [&](const std::string& env, const std::string& extra) {
        std::ofstream(file("session.txt")) << script << extra;
        const std::string command = env + " exec " SPINBEAT_HOST_PATH " --headless --module " + spinbeat +
                                    " --module " FAULTY_MODULE_PATH " --script " + file("session.txt") +
                                    " --out " + file("out") + " >" + file("stdout") + " 2>" + file("stderr");
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status));
        return WEXITSTATUS(status);
    };

    EXPECT_EQ(run("FAULTY_PLUGIN_LEAVES=1", ""), 0) << std::ifstream(file("stderr")).rdbuf();
    const auto log = Lines(file("out") + "/console.log");
    const auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    EXPECT_LT(at("faulty: still running after asking to be unloaded"), at("Unloaded faulty"));
    EXPECT_LT(at("\"Faulty\" (faulty.so) left registered after onUnload: 3 hooks, 1 drawable, 1 command; "
                 "the host drops them"),
              at("Unloaded faulty"));
    EXPECT_EQ(Lines(file("out") + "/console.log", "Spinbeat Plugin loaded!").size(), 2U);
    EXPECT_LT(at("Loaded faulty (\"Faulty\") from " FAULTY_MODULE_PATH), static_cast<long>(log.size()));

    EXPECT_EQ(run("FAULTY_PLUGIN_FAILS_IN=hook", "800 expect cvar spinbeat_bpm 54\n"), 3);
    const std::vector<std::string> failed{
        "spinbeat-host: EXPECTATION FAILED: script line 3, expect console \"faulty: ball null caller, zeroed "
        "params\": no console line contains it; 3 lines so far, the last \"faulty: object released\"",
        "spinbeat-host: EXPECTATION FAILED: script line 10, expect no-stop: 1 plugin stopped: \"" +
            StopLine("its hook for Function TAGame.Car_TA.SetVehicleInput", "hook") + "\"",
        "spinbeat-host: EXPECTATION FAILED: script line 12, expect cvar spinbeat_bpm \"54\": its value is "
        "\"100\""};
    EXPECT_EQ(Lines(file("stderr"), "spinbeat-host: EXPECTATION"), failed);
    EXPECT_EQ(Lines(file("out") + "/console.log", "EXPECTATION FAILED").size(), 3U);
}

// A second copy of one module registers the same names; unloading it takes only its own. The script's
// expectations are the checks: the status is 0 only when every one held.
TEST(SpinbeatHostFaults, TwoPluginsOfOneNameAreSaidOnTheConsoleAndAnUnloadTakesOnlyItsOwn) {
    const spinbeat_test::TempDir dir;
    const auto file = [&](const char* name) { return (dir.path() / name).string(); };
    std::filesystem::copy_file(FAULTY_MODULE_PATH, file("faulty2.so"));
    std::ofstream(file("session.txt"))
        << "0 expect console Name clash: \"Faulty\" (faulty2.so) registers the variable faulty_value, which "
           "\"Faulty\" (faulty.so) registered first; they share it\n"
           "0 expect console Name clash: \"Faulty\" (faulty2.so) registers the command faulty_unload_self, "
           "which "
           "\"Faulty\" (faulty.so) registered first; the new one replaces it\n"
           "100 console plugin unload FAULTY2\n"
           "150 expect console \"Faulty\" (faulty2.so) left registered after onUnload: 1 change callback on "
           "another's variable; the host drops them\n"
           "200 event Function TAGame.Car_TA.EventHitBall\n"
           "300 expect console faulty: ball null caller, zeroed params\n"
           "300 expect no-stop\n";
    const std::string command = "exec " SPINBEAT_HOST_PATH " --headless --module " FAULTY_MODULE_PATH
                                " --module " +
                                file("faulty2.so") + " --script " + file("session.txt") + " --out " +
                                file("out") + " >" + file("stdout") + " 2>" + file("stderr");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::ifstream(file("stderr")).rdbuf();
    EXPECT_EQ(Lines(file("out") + "/console.log", "faulty: ball").size(), 1U);
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
