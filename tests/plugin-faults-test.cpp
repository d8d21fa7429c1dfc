// The plugin against a host whose services fail: each step of onLoad and onUnload fails on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "fake-clock.h"
#include "plugin-session.h"

namespace {

using spinbeat_test::PluginSession;

std::string ErrorLine(const std::string& service) {
    return "SPINBEAT ERROR: " + service + " failed: the host was told to fail it";
}

TEST(PluginSteps, OnUnloadRemovesEachCallbackWhenRemovingTheOtherFails) {
    for (const std::string failing : {"UnhookEvent", "UnregisterDrawables"}) {
        SCOPED_TRACE(failing);
        PluginSession session;
        session.RollAt(0, 1.0F);
        session.host.FailService(failing);
        session.plugin->Plugin()->onUnload();
        session.host.FailService(failing, false);

        session.RollAt(500, 1.0F);
        EXPECT_EQ(session.Object().elapsedMs, failing == "UnhookEvent" ? 500 : 0) << "hook";
        EXPECT_EQ(session.host.Frame({1920, 1080}).empty(), failing == "UnhookEvent") << "drawable";
        EXPECT_EQ(session.LinesStartingWith("SPINBEAT ERROR"), std::vector<std::string>{ErrorLine(failing)});
    }
}

TEST(PluginSteps, OnLoadGoesOnPastEachStepTheHostRefuses) {
    struct Refusal {
        std::string service;
        std::ptrdiff_t errorLines;
        std::size_t variables;
        bool hooked;
        bool drawn;
    };
    // A console that refuses the log refuses the error lines too.
    const std::vector<Refusal> refusals = {
        {"log", 0, 4, true, true},
        {"registerCvar", 4, 0, true, true},
        {"addOnValueChanged", 4, 4, true, true},
        {"HookEventWithCaller", 1, 4, false, true},
        {"RegisterDrawable", 1, 4, true, false},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.service);
        spinbeat_test::TempDir data;
        pluginsdk::host::Host host(data.path());
        host.SetFreeplay(true);
        const std::size_t car = host.AddCar();
        host.FailService(refusal.service);
        auto& plugin = host.LoadPlugin(spinbeat_test::TestModulePath());
        host.FailService(refusal.service, false);

        const auto lines = host.ConsoleLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), ErrorLine(refusal.service)), refusal.errorLines);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Spinbeat Plugin loaded!"),
                  refusal.service == "log" ? 0 : 1);
        EXPECT_EQ(host.CvarNames().size(), refusal.variables);
        fakeclock::Set(0);
        host.SetRoll(car, 1.0F);
        host.Tick();
        fakeclock::Set(500'000'000);
        host.Tick();
        EXPECT_EQ(static_cast<const Spinbeat&>(*plugin.Plugin()).elapsedMs, refusal.hooked ? 500 : 0);
        EXPECT_EQ(host.Frame({1920, 1080}).empty(), !refusal.drawn);
        EXPECT_FALSE(plugin.Failed());
    }
}

} // namespace
