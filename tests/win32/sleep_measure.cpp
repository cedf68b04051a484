// How long SleepMs(1) and SleepMs(6) last on this system, with the pet
// window open and before it opens, and whether the pauses wait for
// high-resolution timers or with the system's timer resolution raised.
// Prints figures; it is not a test.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "win32_window.h"
#include "window.h"

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Measure(const char* when, int32_t ms, int calls) {
    std::vector<double> took;
    took.reserve(calls);
    for (int i = 0; i < calls; ++i) {
        const double start = Now();
        SleepMs(ms);
        took.push_back(Now() - start);
    }
    std::sort(took.begin(), took.end());
    double sum = 0;
    for (double t : took) sum += t;
    std::printf("%-14s SleepMs(%d) x %d: median %.3f ms, mean %.3f ms, 99th %.3f ms, worst %.3f ms\n",
                when, static_cast<int>(ms), calls, took[took.size() / 2], sum / calls,
                took[took.size() * 99 / 100], took.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : 300;
    Measure("window closed", 1, calls);
    Measure("window closed", 6, calls);
    std::printf("pauses: %s\n", HighResolutionPauses() ? "high-resolution timers"
                                                        : "the system's timer resolution raised to 1 ms");
    if (OpenPetWindow(35, 35) != 0) {
        std::printf("the window did not open\n");
        return 1;
    }
    Measure("window open", 1, calls);
    Measure("window open", 6, calls);
    return 0;
}
