// The stand-in host's own behaviour, as plugins rely on it: variables, hooks, drawables, tasks.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host-state.h"
#include "pluginsdk/host/host.h"

namespace {

using pluginsdk::host::CanvasCall;
using pluginsdk::host::Host;

// Two plugins' views of one host, as the loader would hand them out.
struct TwoPlugins {
    Host host;
    CVarManagerWrapper cvarsA = host.CVarManagerFor(101);
    CVarManagerWrapper cvarsB = host.CVarManagerFor(102);
    GameWrapper gameA = host.GameFor(101);
    GameWrapper gameB = host.GameFor(102);
};

TEST(HostCvars, StartAtTheDefaultAndRunEveryCallbackAfterEachChangeWithTheOldValue) {
    TwoPlugins plugins;
    CVarWrapper cvar = plugins.cvarsA.registerCvar("test_speed", "54", "Speed");
    EXPECT_EQ(cvar.getIntValue(), 54);
    EXPECT_EQ(cvar.getDescription(), "Speed");

    std::vector<std::string> seen;
    cvar.addOnValueChanged([&](std::string oldValue, CVarWrapper changed) {
        seen.push_back(oldValue + "->" + changed.getStringValue());
    });
    plugins.cvarsB.getCvar("test_speed").addOnValueChanged([&](std::string, CVarWrapper) {
        seen.push_back("B");
    });
    cvar.setValue(120);
    cvar.setValue(120);
    plugins.host.ExecuteConsoleLine("test_speed 7.5");
    EXPECT_EQ(seen, (std::vector<std::string>{"54->120", "B", "120->120", "B", "120->7.5", "B"}));

    // Registering again changes nothing and hands back the same variable.
    CVarWrapper again = plugins.cvarsB.registerCvar("test_speed", "1", "Other");
    EXPECT_EQ(again.getStringValue(), "7.5");
    EXPECT_EQ(again.getDescription(), "Speed");
}

TEST(HostCvars, ClampToDeclaredBoundsAndReadTextLeniently) {
    TwoPlugins plugins;
    CVarWrapper bounded = plugins.cvarsA.registerCvar("test_pos", "0", "", true, true, 0.0F, true, 1.0F);
    const std::vector<std::pair<std::string, float>> clamped = {{"-1", 0.0F},  {"2", 1.0F},   {"0.25", 0.25F},
                                                                {"nan", 0.0F}, {"inf", 1.0F}, {"-inf", 0.0F},
                                                                {"abc", 0.0F}};
    for (const auto& [text, expected] : clamped) {
        bounded.setValue(text);
        EXPECT_EQ(bounded.getFloatValue(), expected) << text;
    }
    bounded.setValue(5.0F);
    EXPECT_EQ(bounded.getFloatValue(), 1.0F);

    CVarWrapper free = plugins.cvarsA.registerCvar("test_free", "0");
    const std::vector<std::pair<std::string, std::int32_t>> ints = {{"abc", 0},
                                                                    {"", 0},
                                                                    {"1e9", 1'000'000'000},
                                                                    {" 42 ", 42},
                                                                    {"+7", 7},
                                                                    {"-2147483648", INT32_MIN},
                                                                    {"99999999999", INT32_MAX},
                                                                    {"-1e300", INT32_MIN},
                                                                    {"12.9", 12},
                                                                    {"nan", 0}};
    for (const auto& [text, expected] : ints) {
        free.setValue(text);
        EXPECT_EQ(free.getIntValue(), expected) << text;
    }
    free.setValue("1e300");
    EXPECT_EQ(free.getFloatValue(), std::numeric_limits<float>::infinity());
    free.setValue("0.5");
    EXPECT_FALSE(free.getBoolValue());
    free.setValue("1");
    EXPECT_TRUE(free.getBoolValue());
}

TEST(HostCvars, AMissingVariableIsAnEmptyHandleThatIgnoresEverything) {
    TwoPlugins plugins;
    CVarWrapper missing = plugins.cvarsA.getCvar("test_nothing");
    EXPECT_FALSE(missing);
    missing.setValue(3);
    missing.addOnValueChanged([](std::string, CVarWrapper) { FAIL(); });
    EXPECT_EQ(missing.getIntValue(), 0);

    plugins.host.ExecuteConsoleLine("test_nothing 3");
    EXPECT_EQ(plugins.host.ConsoleLines(), std::vector<std::string>{"Unknown command: test_nothing"});
    plugins.cvarsA.registerCvar("test_known", "5");
    plugins.host.ExecuteConsoleLine("test_known");
    EXPECT_EQ(plugins.host.ConsoleLines().back(), "test_known = \"5\"");
}

// Every handle is copied, assigned and released by the library; each copy must stand on its own.
TEST(HostHandles, CopiesAndAssignmentsOutliveTheirSourceAndKeepTheirPlugin) {
    TwoPlugins plugins;
    CVarWrapper target = plugins.cvarsB.getCvar("test_none");
    {
        CVarWrapper original = CVarManagerWrapper(plugins.cvarsA).registerCvar("test_handle", "1");
        target = CVarWrapper(original);
        original = plugins.cvarsA.getCvar("test_none");
        ASSERT_TRUE(original.IsNull() && !target.IsNull());
    }
    // A's handle, copied and assigned into one of B's: what it adds is still A's, and it holds on
    // to its variable after the host has let go of it.
    target.addOnValueChanged([](std::string, CVarWrapper) { throw std::runtime_error("thrown"); });
    ASSERT_TRUE(plugins.host.RemoveCvar("test_handle"));
    target.setValue(2);
    EXPECT_EQ(target.getIntValue(), 2);
    EXPECT_EQ(plugins.host.PluginFailures(),
              std::vector<std::string>{
                  "PLUGIN STOPPED: plugin 101 threw from its change callback of test_handle: thrown"});

    // A car's chain is copied and assigned whole, down to the game object's address.
    const pluginsdk::detail::CarState car{{.Roll = -1.0F}};
    const pluginsdk::detail::CarState otherCar;
    CarWrapper other = pluginsdk::detail::Handles::Car(otherCar);
    other = pluginsdk::detail::Handles::Car(car);
    EXPECT_EQ(other.memory_address, reinterpret_cast<std::uintptr_t>(&car));
    EXPECT_EQ(CarWrapper(other).GetInput().Roll, -1.0F);
}

TEST(HostGame, UnhookAndUnregisterTouchOnlyTheCallingPlugin) {
    TwoPlugins plugins;
    plugins.host.AddCar();
    std::vector<std::string> calls;
    const std::string event = pluginsdk::host::kSetVehicleInputEvent;
    plugins.gameA.HookEventWithCaller<CarWrapper>(
        event, [&](CarWrapper, void*, const std::string&) { calls.push_back("hookA"); });
    plugins.gameB.HookEventWithCaller<CarWrapper>(
        event, [&](CarWrapper, void*, const std::string&) { calls.push_back("hookB"); });
    plugins.gameA.RegisterDrawable([&](CanvasWrapper) { calls.push_back("drawA"); });
    plugins.gameB.RegisterDrawable([&](CanvasWrapper) { calls.push_back("drawB"); });

    plugins.gameA.UnhookEvent(event);
    plugins.gameA.UnregisterDrawables();
    plugins.host.Tick();
    plugins.host.Frame({640, 480});
    EXPECT_EQ(calls, (std::vector<std::string>{"hookB", "drawB"}));
}

TEST(HostGame, HooksRunOncePerCarWithThatCarsInput) {
    Host host;
    GameWrapper game = host.GameFor(1);
    host.SetRoll(host.AddCar(), 1.0F);
    host.SetRoll(host.AddCar(), -0.5F);
    std::vector<float> rolls;
    game.HookEventWithCaller<CarWrapper>(
        pluginsdk::host::kSetVehicleInputEvent,
        [&](CarWrapper car, void*, const std::string&) { rolls.push_back(car.GetInput().Roll); });
    host.Tick();
    host.FireEvent("Function Other.Event");
    EXPECT_EQ(rolls, (std::vector<float>{1.0F, -0.5F}));
}

TEST(HostGame, AnyOtherEventRunsOnceBeforeThenAfterWithTheCallerItsTCanBeAndFreshZeroedParameters) {
    Host host;
    host.AddCar();
    host.SetFreeplay(true);
    GameWrapper game = host.GameFor(1);
    const std::string hit = "Function TAGame.Car_TA.EventHitBall";
    std::vector<std::string> seen;
    const auto note = [&](const std::string& form, std::uintptr_t caller, void* params) {
        auto* bytes = static_cast<unsigned char*>(params);
        const bool zeroed = std::all_of(bytes, bytes + 4096, [](unsigned char b) { return b == 0; });
        seen.push_back(form + (caller != 0 ? " car" : " null") + (zeroed ? " zeroed" : " written"));
        bytes[4095] = 1;
    };
    game.HookEventWithCallerPost<CarWrapper>(hit, [&](CarWrapper car, void* params, const std::string&) {
        note("post", car.memory_address, params);
    });
    game.HookEventWithCaller<BallWrapper>(hit, [&](BallWrapper ball, void* params, const std::string&) {
        note("ball", ball.memory_address, params);
    });
    game.HookEventWithCaller<ActorWrapper>(hit, [&](ActorWrapper actor, void* params, const std::string&) {
        note("actor", actor.memory_address, params);
    });
    host.FireEvent(hit);
    host.SetFreeplay(false);
    host.FireEvent(hit);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"ball null zeroed", "actor car written", "post car written",
                                        "ball null zeroed", "actor null written", "post null written"}));
}

TEST(HostCommands, TheHostsOwnRunForAnyoneAndNoPluginTakesTheirName) {
    Host host;
    std::vector<std::vector<std::string>> runs;
    host.RegisterHostCommand(
        "hosted",
        [&](std::vector<std::string> words) {
            runs.push_back(words);
            if (words.size() > 2) {
                throw std::runtime_error("too many words");
            }
        },
        "");
    CVarManagerWrapper plugin = host.CVarManagerFor(1);
    plugin.registerNotifier(
        "hosted", [&](std::vector<std::string>) { runs.push_back({"plugin"}); }, "", 0);
    EXPECT_FALSE(plugin.removeNotifier("hosted"));
    plugin.executeCommand("hosted a", false);
    host.ExecuteConsoleLine("hosted a b");
    EXPECT_EQ(runs, (std::vector<std::vector<std::string>>{{"hosted", "a"}, {"hosted", "a", "b"}}));
    const auto lines = host.ConsoleLines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"plugin 1 cannot register the command hosted: it is the host's own",
                                        "Command hosted failed: too many words"}));

    plugin.setBind("F3", "hosted bound");
    EXPECT_EQ(plugin.getBindStringForKey("F3"), "hosted bound");
    plugin.removeBind("F3");
    EXPECT_EQ(plugin.getBindStringForKey("F3"), "");
    plugin.setAlias("loop", "loop");
    plugin.setAlias("go", "hosted x; loop");
    host.ExecuteConsoleLine("go");
    EXPECT_EQ(runs.back(), (std::vector<std::string>{"hosted", "x"}));
    EXPECT_EQ(host.ConsoleLines().back(), "Alias loop not run: aliases nest 16 deep");
}

TEST(HostGame, ExecuteRunsEachTaskOnceAtTheNextTick) {
    Host host;
    GameWrapper game = host.GameFor(1);
    int runs = 0;
    GameWrapper* given = nullptr;
    game.Execute([&](GameWrapper* g) {
        ++runs;
        given = g;
        // Queued from inside a task: waits for the tick after.
        g->Execute([&](GameWrapper*) { runs += 10; });
    });
    EXPECT_EQ(runs, 0);
    host.Tick();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(given, &game);
    host.Tick();
    host.Tick();
    EXPECT_EQ(runs, 11);
}

TEST(HostGame, CanvasRecordsEveryCallInOrder) {
    Host host;
    GameWrapper game = host.GameFor(1);
    game.RegisterDrawable([](CanvasWrapper canvas) {
        const Vector2 size = canvas.GetSize();
        canvas.SetPosition(Vector2{size.X / 2, size.Y / 2});
        canvas.SetColor(1, 2, 3, 4);
        canvas.FillBox(Vector2{5, 6});
        canvas.DrawBox(Vector2{7, 8});
    });
    const auto& calls = host.Frame({100, 50});
    ASSERT_EQ(calls.size(), 4U);
    EXPECT_EQ(ToString(calls[0]), "SetPosition(50, 25)");
    EXPECT_EQ(ToString(calls[1]), "SetColor(1, 2, 3, 4)");
    EXPECT_EQ(ToString(calls[2]), "FillBox(5, 6)");
    EXPECT_EQ(ToString(calls[3]), "DrawBox(7, 8)");
    EXPECT_EQ(host.Frame({100, 50}).size(), 4U) << "each frame starts empty";
}

TEST(HostCommands, RunWithTheirWordsWhereTheyMayRunAndGoOnlyWithTheirPlugin) {
    TwoPlugins plugins;
    std::vector<std::vector<std::string>> heard;
    const auto hear = [&](std::vector<std::string> words) { heard.push_back(std::move(words)); };
    plugins.cvarsA.registerNotifier("test_say", hear, "", 0);
    plugins.cvarsA.registerNotifier("test_freeplay_only", hear, "", 4);
    plugins.cvarsA.registerCvar("test_bpm", "54");
    plugins.host.ExecuteConsoleLine("test_say one \"two three\"; test_bpm 120;test_bpm; nope");
    plugins.cvarsB.executeCommand("test_freeplay_only x", false);
    plugins.host.SetFreeplay(true);
    plugins.cvarsB.executeCommand("test_freeplay_only y");
    EXPECT_EQ(heard, (std::vector<std::vector<std::string>>{{"test_say", "one", "two three"},
                                                            {"test_freeplay_only", "y"}}));
    EXPECT_EQ(
        plugins.host.ConsoleLines(),
        (std::vector<std::string>{"test_bpm = \"120\"", "Unknown command: nope",
                                  "Command test_freeplay_only cannot run here", "> test_freeplay_only y"}));
    EXPECT_FALSE(plugins.cvarsB.removeNotifier("test_say") || plugins.cvarsB.removeCvar("test_bpm"));
    EXPECT_TRUE(plugins.cvarsA.removeNotifier("test_say") && plugins.cvarsA.removeCvar("test_bpm"));
}

TEST(HostCvars, BindingsAndColoursFollowTheValueUntilTheirPluginDropsThem) {
    TwoPlugins plugins;
    CVarWrapper cvar = plugins.cvarsA.registerCvar("test_colour", "#FF800040");
    auto colour = std::make_shared<LinearColor>();
    cvar.bindTo(colour);
    EXPECT_EQ(*colour, LinearColor(255, 128, 0, 64));
    cvar.setValue(LinearColor(1.5F, 2, 3, 4));
    EXPECT_EQ(cvar.getStringValue(), "(1.5, 2, 3, 4)");
    EXPECT_EQ(*colour, LinearColor(1.5F, 2, 3, 4));
    cvar.removeOnValueChanged();
    cvar.ResetToDefault();
    EXPECT_EQ(*colour, LinearColor(1.5F, 2, 3, 4));
    for (const char* bad : {"(1, 2, 3)", "#12345", "red"}) {
        cvar.setValue(bad);
        EXPECT_EQ(cvar.getColorValue(), LinearColor(0, 0, 0, 0)) << bad;
    }
}

TEST(HostGame, HooksRunBeforeAndAfterWithTheirCallersAndTimeoutsWaitForGameTime) {
    TwoPlugins plugins;
    plugins.host.SetRoll(plugins.host.AddCar(), -1.0F);
    const std::string event = pluginsdk::host::kSetVehicleInputEvent;
    std::vector<std::string> order;
    plugins.gameA.HookEventPost(event, [&](std::string) { order.emplace_back("post"); });
    // Whatever the caller's class, it is made from the address of the car that runs the function.
    plugins.gameA.HookEventWithCaller<ServerWrapper>(event, [&](ServerWrapper caller, void*, std::string) {
        order.emplace_back(CarWrapper(caller.memory_address).GetInput().Roll == -1.0F ? "server" : "?");
    });
    // 0.04 s of game time have passed after the fifth update of 1/120 s.
    plugins.gameA.SetTimeout([&](GameWrapper*) { order.emplace_back("timeout"); }, 0.04F);
    for (int tick = 0; tick < 5; ++tick) {
        plugins.host.Tick();
    }
    plugins.gameA.UnhookEventPost(event);
    plugins.host.Tick();
    EXPECT_EQ(order, (std::vector<std::string>{"server", "post", "server", "post", "server", "post", "server",
                                               "post", "server", "post", "timeout", "server"}));
}

TEST(HostGame, ThePlayersGameInFreePlayAndAMemberOnANullObjectStopsThePluginOnce) {
    TwoPlugins plugins;
    plugins.host.AddCar();
    EXPECT_TRUE(plugins.gameA.GetLocalCar().IsNull());
    plugins.host.SetFreeplay(true);
    EXPECT_TRUE(plugins.gameA.GetLocalCar() && plugins.gameA.IsInGame() && !plugins.gameA.IsInOnlineGame());
    EXPECT_TRUE(plugins.gameA.GetCurrentGameState() && plugins.gameA.GetPlayerController());
    int ranOn = 0;
    plugins.gameA.HookEvent(pluginsdk::host::kSetVehicleInputEvent, [&](std::string) {
        try {
            CarWrapper(0).GetInput();
        } catch (const std::exception&) {
            // A plugin that catches it is stopped all the same, and told once.
            CarWrapper(0).GetInput();
        }
        ++ranOn;
    });
    plugins.host.Tick();
    plugins.host.Tick();
    EXPECT_EQ(ranOn, 0);
    EXPECT_EQ(plugins.host.PluginFailures(),
              std::vector<std::string>{"PLUGIN STOPPED: plugin 101 called CarWrapper::GetInput() on a null "
                                       "object, where the game would crash"});
}

TEST(HostScreen, TextShapesToastsAndChatAsTheScreenShowsThem) {
    TwoPlugins plugins;
    plugins.gameA.RegisterDrawable([](CanvasWrapper canvas) {
        canvas.SetPosition(Vector2F{10.5F, 20.25F});
        canvas.SetColor(LinearColor(300, -4, 127.4F, 255));
        canvas.DrawString("hi", 2, 3, true);
        canvas.DrawLine(Vector2{1, 2}, Vector2{3, 4});
        canvas.DrawRect(Vector2F{1, 1}, Vector2F{5.5F, 6});
    });
    std::vector<std::string> drawn;
    for (const CanvasCall& call : plugins.host.Frame({800, 600})) {
        drawn.push_back(pluginsdk::host::ToString(call));
    }
    EXPECT_EQ(drawn, (std::vector<std::string>{"SetPosition(10.5, 20.25)", "SetColor(255, 0, 127, 255)",
                                               "DrawString(\"hi\", 2, 3, shadow)", "DrawLine(1, 2, 3, 4, 1)",
                                               "DrawRect(1, 1, 5.5, 6)"}));
    EXPECT_EQ(plugins.gameB.GetScreenSize(), (Vector2{800, 600}));

    plugins.gameA.Toast("Title", "text", "default", 0.02F);
    plugins.gameB.LogToChatbox("hello");
    EXPECT_EQ(plugins.host.ConsoleLines(),
              (std::vector<std::string>{"[toast] Title: text", "[chat] BAKKESMOD: hello"}));
    for (int tick = 0; tick < 3; ++tick) {
        plugins.host.Tick();
    }
    EXPECT_TRUE(plugins.host.Toasts().empty());
    EXPECT_EQ(plugins.host.ChatLines().size(), 1U);
}

TEST(HostConsole, ParsesNameAndOptionalValue) {
    using pluginsdk::host::ParseConsoleLine;
    EXPECT_FALSE(ParseConsoleLine("   "));
    EXPECT_FALSE(ParseConsoleLine("# note"));
    auto print = ParseConsoleLine("  spinbeat_bpm  ");
    ASSERT_TRUE(print);
    EXPECT_EQ(print->name, "spinbeat_bpm");
    EXPECT_FALSE(print->value);
    auto set = ParseConsoleLine("spinbeat_bpm \"120 \"");
    ASSERT_TRUE(set);
    EXPECT_EQ(set->value, "120 ");
    EXPECT_EQ(ParseConsoleLine("a b c")->value, "b c");
}

// A session of hours logs without end; the console keeps the recent lines, the sink gets them all.
TEST(HostConsole, KeepsTheRecentLinesUnderItsBoundsAndHandsEveryLineToTheSink) {
    using History = pluginsdk::detail::ConsoleHistory;
    Host host;
    std::size_t sunk = 0;
    std::size_t longest = 0;
    host.SetConsoleSink([&](std::string_view line) {
        ++sunk;
        longest = std::max(longest, line.size());
    });
    const std::size_t total = History::kMaxLines + 1000;
    for (std::size_t i = 0; i < total; ++i) {
        host.Log("line " + std::to_string(i));
    }
    EXPECT_EQ(sunk, total);
    EXPECT_EQ(host.ConsoleLineCount(), total);
    EXPECT_EQ(host.FirstConsoleLine(), 1000U);
    EXPECT_EQ(host.ConsoleLines().size(), History::kMaxLines);
    EXPECT_EQ(host.ConsoleLines(3, 1), std::vector<std::string>{"line 1000"}) << "dropped lines are gone";
    EXPECT_EQ(host.ConsoleLines(total - 2), (std::vector<std::string>{"line 5094", "line 5095"}));
    EXPECT_TRUE(host.ConsoleLines(total).empty());

    // A line past its bound is kept cut short, at a character's start, and the sink has it whole.
    std::string longLine = "x";
    for (std::size_t i = 0; i < History::kMaxLineBytes / 2; ++i) {
        longLine += "\u00e9";
    }
    longLine += "tail";
    host.Log(longLine);
    EXPECT_EQ(longest, longLine.size());
    const std::string kept = host.ConsoleLines(total).at(0);
    EXPECT_EQ(kept, longLine.substr(0, History::kMaxLineBytes - 1) + " [... " +
                        std::to_string(longLine.size() - History::kMaxLineBytes + 1) + " more bytes]");
    // Long lines are bounded by their bytes before their number.
    for (int i = 0; i < 100; ++i) {
        host.Log(std::string(History::kMaxLineBytes, 'y'));
    }
    std::size_t bytes = 0;
    for (const auto& line : host.ConsoleLines()) {
        bytes += line.size();
    }
    EXPECT_LE(bytes, History::kMaxBytes);
    EXPECT_EQ(host.ConsoleLines().size(), History::kMaxBytes / History::kMaxLineBytes);

    host.ClearConsole();
    EXPECT_EQ(host.ConsoleLineCount(), 0U);
    host.Log("after");
    EXPECT_EQ(host.ConsoleLines(), std::vector<std::string>{"after"});
    EXPECT_EQ(sunk, total + 102);
}

} // namespace
