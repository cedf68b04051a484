// The soak: the whole program on the headless backend for 100 000 passes of
// the main loop. Run under AddressSanitizer and UndefinedBehaviorSanitizer it
// must finish without a report; LeakSanitizer then checks at exit that every
// sheet was freed. Prints what it ran.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "runner.h"

int main(int argc, char** argv) {
    RunOptions options;
    options.passes = argc > 1 ? std::atoll(argv[1]) : 100000;
    options.seed = argc > 2 ? std::atof(argv[2]) : 20261208;
    options.keepTrace = false;

    std::map<std::string, int64_t> behaviours;
    int64_t events = 0;
    const auto begin = std::chrono::steady_clock::now();
    const RunResult result = RunPet(options, [&](const TraceEvent& e) {
        ++events;
        if (e.kind == TraceEvent::Kind::Behaviour) {
            ++behaviours[e.name];
        }
    });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    std::printf("%lld passes, %lld events, %.1f virtual hours, %.1f s\n",
                static_cast<long long>(result.passes), static_cast<long long>(events),
                static_cast<double>(result.endTime) / 3.6e6, seconds);
    for (const auto& [name, count] : behaviours) {
        std::printf("  %-14s %lld\n", name.c_str(), static_cast<long long>(count));
    }
    if (result.exited || result.passes != options.passes) {
        std::printf("FAILED: the program %s after %lld passes\n",
                    result.exited ? "ended" : "stopped", static_cast<long long>(result.passes));
        return 1;
    }
    return 0;
}
