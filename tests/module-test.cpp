// The module boundary: the plugin record, the holder, the object's lifecycle and the export list.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

#include "plugin-session.h"
#include "test-platform.h"

namespace {

using BakkesMod::Plugin::BakkesModPlugin;
using spinbeat_test::PluginSession;
using PluginHolder = std::shared_ptr<BakkesModPlugin>;

template <typename T>
T ReadAt(const void* base, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const char*>(base) + offset, sizeof value);
    return value;
}

TEST(Module, RecordHoldsThePluginDescriptionAtItsFixedOffsets) {
    PluginSession session;
    const void* record = session.plugin->Symbol("exports");
    ASSERT_NE(record, nullptr);

    EXPECT_EQ(ReadAt<std::int32_t>(record, 0), 95);
    EXPECT_EQ(ReadAt<std::int32_t>(record, 4), 0);
    // Written as the target system writes paths: with backslashes on Windows.
    const std::string source = ReadAt<const char*>(record, 8);
    EXPECT_TRUE(source.ends_with((std::filesystem::path("source") / "Spinbeat.cpp").string())) << source;
    EXPECT_TRUE(std::filesystem::path(source).is_absolute()) << source;
    EXPECT_STREQ(ReadAt<const char*>(record, 16), "Spinbeat");
    EXPECT_STREQ(ReadAt<const char*>(record, 24), "Basic Spinbeat");
    EXPECT_STREQ(ReadAt<const char*>(record, 32), "1.0.0.13");
    EXPECT_EQ(ReadAt<std::int32_t>(record, 40), 1);
    EXPECT_EQ(ReadAt<std::int32_t>(record, 44), 0);
    EXPECT_EQ(ReadAt<void*>(record, 48), session.plugin->Symbol("getPlugin"));
    EXPECT_EQ(ReadAt<void*>(record, 56), session.plugin->Symbol("deleteMe"));
}

TEST(Module, HolderCreatesOneObjectAndDropsItOnlyWhenTheLastReferenceGoes) {
    PluginSession session;
    // The host loaded the plugin and holds a reference; the holder holds the other.
    auto getPlugin = reinterpret_cast<std::uintptr_t (*)()>(session.plugin->Symbol("getPlugin"));
    auto deleteMe = reinterpret_cast<void (*)()>(session.plugin->Symbol("deleteMe"));
    const std::uintptr_t address = getPlugin();
    EXPECT_EQ(getPlugin(), address);
    const auto& holder = *reinterpret_cast<const PluginHolder*>(address);
    // The holder's first word is the object, which starts with its plugin base.
    EXPECT_EQ(ReadAt<void*>(&holder, 0), session.plugin->Plugin().get());
    EXPECT_EQ(holder.use_count(), 2);

    std::weak_ptr<BakkesModPlugin> first = session.plugin->Plugin();
    deleteMe();
    EXPECT_EQ(ReadAt<void*>(&holder, 0), nullptr);
    EXPECT_EQ(ReadAt<void*>(&holder, 8), nullptr);
    EXPECT_FALSE(first.expired()) << "the host's own reference keeps the object alive";
    deleteMe();

    // A fresh object with fresh state while the old one still lives.
    session.RollAt(0, 1.0F);
    ASSERT_EQ(getPlugin(), address);
    ASSERT_TRUE(holder);
    EXPECT_NE(holder.get(), first.lock().get());
    const auto& fresh = static_cast<const Spinbeat&>(*holder);
    EXPECT_FALSE(fresh.isRolling);
    EXPECT_FALSE(fresh.timingStarted);
    EXPECT_EQ(fresh.beatStart, 0);
    EXPECT_EQ(fresh.elapsedMs, 0);
    EXPECT_EQ(fresh.barWidth, 825);
    EXPECT_EQ(fresh.barHeight, 20);
    EXPECT_FALSE(holder->cvarManager);
    EXPECT_FALSE(holder->gameWrapper);
    EXPECT_EQ(holder.use_count(), 1);
    deleteMe();

    session.host.StopPlugin(*session.plugin);
    EXPECT_TRUE(first.expired());
}

TEST(Module, LoadLogsOnceAndUnloadRemovesTheHookAndTheDrawable) {
    PluginSession session;
    std::vector<std::string> loaded = spinbeat_test::LoadReport(spinbeat_test::TestModulePath());
    loaded.emplace_back("Spinbeat Plugin loaded!");
    EXPECT_EQ(session.host.ConsoleLines(), loaded);

    session.RollAt(0, 1.0F);
    session.RollAt(500, 1.0F);
    ASSERT_EQ(session.Object().elapsedMs, 500);
    ASSERT_FALSE(session.host.Frame({1920, 1080}).empty());

    // The object lives on in the host's reference; nothing may call it any more.
    auto object = session.plugin->Plugin();
    object->onUnload();
    session.RollAt(2000, 1.0F);
    EXPECT_EQ(session.Object().elapsedMs, 500);
    EXPECT_EQ(session.MissingSoundLines(), 0U);
    EXPECT_TRUE(session.host.Frame({1920, 1080}).empty());
    EXPECT_EQ(session.LinesStartingWith("Spinbeat Plugin loaded!").size(), 1U);
}

TEST(Module, UnloadsCompletelyAndLoadsAgainInOneProcess) {
    const auto module = spinbeat_test::ModulePath();
    for (int round = 0; round < 3; ++round) {
        PluginSession session(module);
        EXPECT_EQ(session.LinesStartingWith("Spinbeat Plugin loaded!").size(), 1U);
        session.host.UnloadPlugin(*session.plugin);
        EXPECT_FALSE(spinbeat_test::IsModuleLoaded(module)) << "module still mapped";
    }
}

TEST(Module, HostReportsAModuleItCannotOpen) {
    spinbeat_test::TempDir dir;
    pluginsdk::host::Host host(dir.path());
    EXPECT_THROW(host.LoadPlugin(dir.path() / "missing.so"), pluginsdk::host::PluginLoadError);
    EXPECT_TRUE(host.Plugins().empty());
}

TEST(Module, ExportsOnlyTheEntryPointsAndThePluginBaseClass) {
    const auto exported = spinbeat_test::ExportedSymbols(spinbeat_test::ModulePath());
    if (!exported) {
        GTEST_SKIP() << "this platform's export table is checked by the build's DLL checks";
    }
    const std::set<std::string> expected = {
        "exports",
        "getPlugin",
        "deleteMe",
        "BakkesMod::Plugin::BakkesModPlugin::BakkesModPlugin()",
        "BakkesMod::Plugin::BakkesModPlugin::BakkesModPlugin(BakkesMod::Plugin::BakkesModPlugin const&)",
        "BakkesMod::Plugin::BakkesModPlugin::BakkesModPlugin(BakkesMod::Plugin::BakkesModPlugin&&)",
        "BakkesMod::Plugin::BakkesModPlugin::~BakkesModPlugin()",
        "BakkesMod::Plugin::BakkesModPlugin::operator=(BakkesMod::Plugin::BakkesModPlugin const&)",
        "BakkesMod::Plugin::BakkesModPlugin::operator=(BakkesMod::Plugin::BakkesModPlugin&&)",
        "BakkesMod::Plugin::BakkesModPlugin::onLoad()",
        "BakkesMod::Plugin::BakkesModPlugin::onUnload()",
        "vtable for BakkesMod::Plugin::BakkesModPlugin",
    };
    EXPECT_EQ(*exported, expected);
}

} // namespace
