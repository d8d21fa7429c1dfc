// The revolution bar's drawable, against the fourteen canvas calls it makes.
#include <benchmark/benchmark.h>

#include "host-state.h"
#include "plugin-session.h"

namespace {

using spinbeat_test::ModulePath;
using spinbeat_test::PluginSession;

constexpr Vector2 kFrame{1920, 1080};

// The fourteen calls with their arguments already known: the floor for any drawable of this bar.
// Colour channels are the bytes of chars, as the host takes them.
void DrawFourteenCalls(CanvasWrapper canvas) {
    constexpr char full = static_cast<char>(255);
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

// Drawables called directly on a canvas, the way the host calls them, without its frame set-up.
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

void FourteenCanvasCalls(benchmark::State& state) { DrawRepeatedly(state, &DrawFourteenCalls); }
BENCHMARK(FourteenCanvasCalls);

void RevolutionBarDrawable(benchmark::State& state) {
    PluginSession session(ModulePath());
    session.Console("spinbeat_barVerticalPosition 0.5");
    session.RollAt(0, 1.0F);
    session.RollAt(1, 1.0F);
    DrawRepeatedly(state, session.host.State().drawables.front()->fn);
}
BENCHMARK(RevolutionBarDrawable);

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
