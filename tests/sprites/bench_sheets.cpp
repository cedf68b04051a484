// How long building a sheet takes: the "freeze" sheet is the largest, and
// its build adds to the pause before the first frame of the behaviour.
#include <benchmark/benchmark.h>

#include "pet.h"
#include "sim.h"

namespace {

void OpenWindow() {
    SimReset(SimConfig{1024, 768, 738, false});
    OpenPetWindow(35, 35);
}

void LoadFreeze(benchmark::State& state) {
    OpenWindow();
    for (auto _ : state) {
        LoadSheet(20, "freeze", false);
        benchmark::DoNotOptimize(CurrentSheet);
        FreeSheet(CurrentSheet);
    }
    state.SetItemsProcessed(state.iterations() * 20 * 35 * 35);
}
BENCHMARK(LoadFreeze)->Unit(benchmark::kMicrosecond);

void LoadFreezeMirrored(benchmark::State& state) {
    OpenWindow();
    for (auto _ : state) {
        LoadSheet(20, "freeze", true);
        benchmark::DoNotOptimize(CurrentSheet);
        FreeSheet(CurrentSheet);
    }
}
BENCHMARK(LoadFreezeMirrored)->Unit(benchmark::kMicrosecond);

void ShowOneFrame(benchmark::State& state) {
    OpenWindow();
    LoadSheet(20, "freeze", false);
    int32_t k = 0;
    for (auto _ : state) {
        ShowFrame(CurrentSheet, k % 20 + 1);
        ++k;
    }
    FreeSheet(CurrentSheet);
}
BENCHMARK(ShowOneFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
