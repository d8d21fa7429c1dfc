// The revolution bar's drawable, against the sixteen host calls it must make.
#include <benchmark/benchmark.h>

#include "host-state.h"
#include "plugin-session.h"

namespace {

using spinbeat_test::ModulePath;
using spinbeat_test::PluginSession;

constexpr Vector2 kFrame{1920, 1080};

// The sixteen calls any drawable of this bar must make, with their arguments already known: whether
// the player is in free play, the canvas's size, then the fourteen canvas calls. The floor for it.
// Colour channels are the bytes of chars, as the host takes them.
void DrawSixteenCalls(GameWrapper& game, CanvasWrapper canvas) {
    constexpr char full = static_cast<char>(255);
    benchmark::DoNotOptimize(game.IsInFreeplay());
    benchmark::DoNotOptimize(canvas.GetSize());
    canvas.SetPosition(Vector2{548, 530});
    canvas.SetColor(full, full, full, static_cast<char>(130));
    canvas.FillBox(Vector2{825, 20});
    canvas.SetPosition(Vector2{548, 530});
    canvas.SetColor(0, static_cast<char>(206), static_cast<char>(209), static_cast<char>(224));
    canvas.FillBox(Vector2{412, 20});
    canvas.SetPosition(Vector2{548, 530});
    canvas.SetColor(full, full, full, full);
    canvas.DrawBox(Vector2{206, 20});
    canvas.DrawBox(Vector2{618, 20});
    canvas.SetColor(0, 0, 0, full);
    canvas.DrawBox(Vector2{412, 20});
    canvas.SetColor(full, full, full, full);
    canvas.DrawBox(Vector2{825, 20});
}

// Each frame on a canvas the way the host hands one to a drawable, without its frame set-up.
template <typename Drawable>
void DrawRepeatedly(benchmark::State& state, Drawable&& draw) {
    pluginsdk::detail::CanvasState canvas;
    canvas.size = kFrame;
    canvas.calls.reserve(14);
    for (auto _ : state) {
        canvas.calls.clear();
        draw(pluginsdk::detail::Handles::Canvas(canvas));
        benchmark::DoNotOptimize(canvas.calls.data());
    }
}

void SixteenHostCalls(benchmark::State& state) {
    PluginSession session(ModulePath());
    GameWrapper game = session.host.GameFor(session.host.Plugins().front()->Id());
    DrawRepeatedly(state, [&](CanvasWrapper canvas) { DrawSixteenCalls(game, std::move(canvas)); });
}
BENCHMARK(SixteenHostCalls);

void RevolutionBarDrawable(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.Console("spinbeat_barVerticalPosition 0.5");
    session.RollAt(0, 1.0F);
    session.RollAt(1, 1.0F);
    DrawRepeatedly(state, session.host.State().drawables.front()->fn);
}
BENCHMARK(RevolutionBarDrawable);

// The same through the host's boundary, which stops a plugin whose callback fails: what guarding a
// drawable costs when nothing fails.
void GuardedRevolutionBarDrawable(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.Console("spinbeat_barVerticalPosition 0.5");
    session.RollAt(0, 1.0F);
    session.RollAt(1, 1.0F);
    const auto& plugin = *session.host.Plugins().front();
    const auto& drawable = *session.host.State().drawables.front();
    DrawRepeatedly(state, [&](CanvasWrapper canvas) {
        session.host.CallPlugin(plugin, "its drawable", [&] { drawable.fn(std::move(canvas)); });
    });
}
BENCHMARK(GuardedRevolutionBarDrawable);

// A whole host frame with the bar in it.
void RevolutionBarFrame(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.Console("spinbeat_barVerticalPosition 0.5");
    session.RollAt(0, 1.0F);
    session.RollAt(1, 1.0F);
    for (auto _ : state) {
        benchmark::DoNotOptimize(session.host.Frame(kFrame).data());
    }
}
BENCHMARK(RevolutionBarFrame);

void HiddenBarFrame(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.host.SetFreeplay(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(session.host.Frame(kFrame).data());
    }
}
BENCHMARK(HiddenBarFrame);

} // namespace

BENCHMARK_MAIN();
