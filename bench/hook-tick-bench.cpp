// The car-input hook: what one input update costs the host, against one bare clock reading.
#include <benchmark/benchmark.h>

#include "clock.h"
#include "host-state.h"
#include "plugin-session.h"

namespace {

using spinbeat_test::ModulePath;
using spinbeat_test::PluginSession;

// The baseline: a rolling tick reads the clock once, so it can hardly cost less than this.
void BareClockReading(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(MonotonicNowNs());
    }
}
BENCHMARK(BareClockReading);

// One update of one car, holding the roll between beats (the tempo is too slow to ever beat).
void RollingTick(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.Console("spinbeat_bpm 0");
    session.host.SetRoll(session.car, 1.0F);
    session.host.Tick();
    for (auto _ : state) {
        session.host.Tick();
    }
    benchmark::DoNotOptimize(session.Object().elapsedMs.load());
}
BENCHMARK(RollingTick);

// The plugin's hook alone, called the way the host calls it, without the host's own bookkeeping;
// guarded, through the host's boundary that stops a plugin whose callback fails.
void HookCalls(benchmark::State& state, bool guarded) {
    PluginSession session(ModulePath());
    session.Console("spinbeat_bpm 0");
    session.host.SetRoll(session.car, 1.0F);
    session.host.Tick();
    auto& host = session.host.State();
    const auto& plugin = *session.host.Plugins().front();
    // The plugin's own callback, as the host holds it beside the way it calls it.
    const auto& callback = *static_cast<const std::function<void(CarWrapper, void*, std::string)>*>(
        host.hooks.front()->fn.callback.get());
    const pluginsdk::detail::CarState& car = *host.cars.front();
    // The host makes each hook its car, and its own copy of the event's name (a tick pays for both,
    // see RollingTick); the plugin ignores the name, and its share is measured without it.
    const auto call = [&] { callback(pluginsdk::detail::Handles::Car(car), nullptr, std::string()); };
    for (auto _ : state) {
        if (guarded) {
            session.host.CallPlugin(plugin, "its hook", call);
        } else {
            call();
        }
    }
    benchmark::DoNotOptimize(session.Object().elapsedMs.load());
}

void RollingHookCall(benchmark::State& state) { HookCalls(state, false); }
BENCHMARK(RollingHookCall);

void GuardedRollingHookCall(benchmark::State& state) { HookCalls(state, true); }
BENCHMARK(GuardedRollingHookCall);

// Outside free play the hook must cost the host next to nothing.
void TickOutsideFreeplay(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.host.SetFreeplay(false);
    session.host.SetRoll(session.car, 1.0F);
    for (auto _ : state) {
        session.host.Tick();
    }
}
BENCHMARK(TickOutsideFreeplay);

// The host's own share: a tick with no plugin hooked at all.
void TickWithoutPlugin(benchmark::State& state) {
    pluginsdk::host::Host host;
    host.AddCar();
    for (auto _ : state) {
        host.Tick();
    }
}
BENCHMARK(TickWithoutPlugin);

} // namespace

BENCHMARK_MAIN();
