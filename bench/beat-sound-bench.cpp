// The beat sound: one beat's lookup, load and hand-over to the audio device.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "plugin-session.h"

namespace {

using spinbeat_test::ModulePath;
using spinbeat_test::PluginSession;
using Clock = std::chrono::steady_clock;

// With a negative tempo every tick after the first is a beat, so a tick is one PlayBeatSound plus
// the hook's own few nanoseconds. Median and 99th percentile of single calls, in microseconds.
void BeatTick(benchmark::State& state, bool fileThere) {
    PluginSession session(ModulePath());
    if (fileThere) {
        session.InstallSound();
    }
    session.Console("spinbeat_bpm -1");
    session.host.SetRoll(session.car, 1.0F);
    session.host.Tick();
    session.host.Tick();
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = Clock::now();
        session.host.Tick();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

void BeatWithSoundFile(benchmark::State& state) { BeatTick(state, true); }
BENCHMARK(BeatWithSoundFile);

void BeatWithMissingFile(benchmark::State& state) { BeatTick(state, false); }
BENCHMARK(BeatWithMissingFile);

} // namespace

BENCHMARK_MAIN();
