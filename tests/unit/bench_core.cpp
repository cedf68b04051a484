// Figures for the drawing core: building a sheet pixel by pixel, and
// putting one frame into the window.
#include <benchmark/benchmark.h>

#include "core.h"
#include "sim.h"

static void BuildSheet700x35(benchmark::State& state) {
    SimReset();
    OpenPetWindow(35, 35);
    for (auto _ : state) {
        Surface* sheet = CreateSurface(700, 35);
        for (int32_t y = 0; y < 35; ++y)
            for (int32_t x = 0; x < 700; ++x)
                SetPixel(sheet, static_cast<float>(x), static_cast<float>(y),
                         0xFF000000u | static_cast<uint32_t>(x * 35 + y));
        benchmark::DoNotOptimize(sheet->pixels);
        DestroySurface(sheet);
    }
    state.counters["SetPixel/s"] =
        benchmark::Counter(24500.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    SimReset();
}
BENCHMARK(BuildSheet700x35)->Unit(benchmark::kMillisecond);

static void PutOneFrame(benchmark::State& state) {
    SimReset();
    OpenPetWindow(35, 35);
    Surface* sheet = CreateSurface(210, 35);
    int32_t k = 0;
    for (auto _ : state) {
        k = k % 6 + 1;
        benchmark::DoNotOptimize(PutRect(0, 0, sheet, 35 * k - 35, 0, 35 * k, 35));
        benchmark::ClobberMemory();
    }
    DestroySurface(sheet);
    SimReset();
}
BENCHMARK(PutOneFrame)->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
