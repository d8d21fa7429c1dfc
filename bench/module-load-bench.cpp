// Module load to ready: open, create, fill the host pointers, onLoad; then the whole way back.
#include <benchmark/benchmark.h>

#include "plugin-session.h"

namespace {

void LoadToReadyAndUnload(benchmark::State& state) {
    spinbeat_test::TempDir data;
    pluginsdk::host::Host host(data.path());
    const auto module = spinbeat_test::ModulePath();
    for (auto _ : state) {
        auto& plugin = host.LoadPlugin(module);
        host.UnloadPlugin(plugin);
    }
}
BENCHMARK(LoadToReadyAndUnload)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
