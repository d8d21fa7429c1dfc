// The host's configuration file: what it saves, how it applies it, what it does with damage.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "pluginsdk/host/host.h"

namespace {

using pluginsdk::host::Host;
using spinbeat_test::TempDir;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& file, const std::string& text) { std::ofstream(file) << text; }

TEST(HostConfig, SavedValuesComeBackThroughTheSettersOfTheNextRun) {
    TempDir dir;
    const auto file = dir.path() / "nested" / "host.cfg";
    {
        Host first;
        CVarManagerWrapper cvars = first.CVarManagerFor(1);
        cvars.registerCvar("test_speed", "54").setValue(120);
        cvars.registerCvar("test_label", "x").setValue(std::string(" say \"hi\" "));
        cvars.registerCvar("test_session", "0", "", true, false, 0.0F, false, 0.0F, false).setValue(9);
        cvars.registerCvar("test_broken", "0").setValue(std::string("two\nlines"));
        ASSERT_FALSE(first.SaveConfig(file));
    }
    EXPECT_EQ(ReadText(file), "// Saved console variables, one NAME \"VALUE\" per line.\n"
                              "test_label \" say \"hi\" \"\n"
                              "test_speed \"120\"\n");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));

    Host second;
    CVarManagerWrapper cvars = second.CVarManagerFor(1);
    std::vector<std::string> changes;
    for (const char* name : {"test_speed", "test_label", "test_session"}) {
        cvars.registerCvar(name, "0").addOnValueChanged([&](std::string oldValue, CVarWrapper cvar) {
            changes.push_back(cvar.getCVarName() + ": " + oldValue + " -> " + cvar.getStringValue());
        });
    }
    ASSERT_FALSE(second.LoadConfig(file));
    EXPECT_EQ(changes, (std::vector<std::string>{"test_label: 0 ->  say \"hi\" ", "test_speed: 0 -> 120"}));
    EXPECT_EQ(second.GetCvar("test_session").getStringValue(), "0");
}

TEST(HostConfig, MalformedAndOverlongLinesAreReportedNotAppliedAndKeptAndUnknownOnesKept) {
    TempDir dir;
    const auto file = dir.path() / "host.cfg";
    const std::string overlong = "test_speed \"" + std::string(Host::kMaxConfigLineBytes, '1') + "\"";
    WriteText(file, "# a comment\n"
                    "test_speed\n"
                    "test_speed \"7\n"
                    "test_speed 8\"\n"
                    "\n"
                    "test_pos 2\n"
                    "other_plugin_value \"on\"\n"
                    "test_speed 9\n" +
                        overlong + "\n");
    Host host;
    CVarManagerWrapper cvars = host.CVarManagerFor(1);
    cvars.registerCvar("test_speed", "54");
    cvars.registerCvar("test_pos", "0", "", true, true, 0.0F, true, 1.0F);
    ASSERT_FALSE(host.LoadConfig(file));

    EXPECT_EQ(host.GetCvar("test_speed").getIntValue(), 9);
    EXPECT_EQ(host.GetCvar("test_pos").getFloatValue(), 1.0F) << "bounds hold for loaded values too";
    const auto where = "Config " + file.string() + " line ";
    const std::vector<std::string> reports = {
        where + "2 is malformed, so it was not applied; it is kept as it is: test_speed",
        where + "3 is malformed, so it was not applied; it is kept as it is: test_speed \"7",
        where + "4 is malformed, so it was not applied; it is kept as it is: test_speed 8\"",
        where +
            "9 is longer than the 4096 bytes of a setting line, so it was not applied; it is kept as it is"};
    EXPECT_EQ(host.ConsoleLines(), reports);

    // The unknown line survives a save, and gives way once a plugin registers its variable; the lines
    // not applied are written back as they were, and read as before the next time.
    ASSERT_FALSE(host.SaveConfig(file));
    EXPECT_TRUE(ReadText(file).ends_with("test_speed \"9\"\n"
                                         "// Lines this host could not apply, kept as they were:\n"
                                         "test_speed\ntest_speed \"7\ntest_speed 8\"\n" +
                                         overlong + "\n"));
    host.ClearConsole();
    ASSERT_FALSE(host.LoadConfig(file));
    // Now lines 6 to 9, after the settings.
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(host.ConsoleLines().at(i),
                  where + std::to_string(i + 6) + reports[i].substr(where.size() + 1));
    }
    EXPECT_NE(ReadText(file).find("other_plugin_value \"on\"\n"), std::string::npos);
    cvars.registerCvar("other_plugin_value", "off");
    ASSERT_FALSE(host.SaveConfig(file));
    EXPECT_NE(ReadText(file).find("other_plugin_value \"off\"\n"), std::string::npos);
}

TEST(HostConfig, ReportsFilesItCannotReadOrWrite) {
    TempDir dir;
    Host host;
    EXPECT_FALSE(host.LoadConfig(dir.path() / "none.cfg")) << "the first run has no file yet";
    EXPECT_TRUE(host.LoadConfig(dir.path())) << "a folder is no file to read";
    WriteText(dir.path() / "file", "");
    EXPECT_TRUE(host.SaveConfig(dir.path() / "file" / "host.cfg"));
    EXPECT_TRUE(host.ConsoleLines().empty());
}

// Too much to read or to write back is said, and the player's file is never lost for it.
TEST(HostConfig, AFileTooLargeIsNotAppliedAndKeptAsABackupWhenTheSettingsAreSaved) {
    TempDir dir;
    const auto file = dir.path() / "host.cfg";
    const std::string huge = "test_speed 7\n" + std::string(Host::kMaxConfigBytes, '#');
    WriteText(file, huge);
    Host host;
    CVarManagerWrapper cvars = host.CVarManagerFor(1);
    cvars.registerCvar("test_speed", "54");
    cvars.registerCvar("test_long", "").setValue(std::string(Host::kMaxConfigLineBytes, 'x'));
    EXPECT_TRUE(host.LoadConfig(file));
    EXPECT_EQ(host.GetCvar("test_speed").getIntValue(), 54);

    ASSERT_FALSE(host.SaveConfig(file));
    EXPECT_EQ(ReadText(file.string() + ".bak"), huge);
    EXPECT_EQ(ReadText(file),
              "// Saved console variables, one NAME \"VALUE\" per line.\ntest_speed \"54\"\n");
    const std::string config = "Config " + file.string();
    EXPECT_EQ(host.ConsoleLines(),
              (std::vector<std::string>{
                  config + " is larger than 1048576 bytes, the most this host reads: none of it was applied",
                  config + ": test_long was not saved: its value is not one line of at most 4096 bytes",
                  config + " could not be read whole, so it is kept as " + file.string() + ".bak"}));
    // Read whole this time: the next save replaces the file and leaves the backup alone.
    ASSERT_FALSE(host.LoadConfig(file));
    ASSERT_FALSE(host.SaveConfig(file));
    EXPECT_EQ(ReadText(file.string() + ".bak"), huge);
}

} // namespace
