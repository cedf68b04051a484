// pomfy-trace: runs the pet on the headless backend and prints what it does
// as JSON Lines, one event per line in time order, t in virtual milliseconds.
//
//   pomfy-trace --behaviour WalkRight --start 990,706
//   pomfy-trace --session 60000 --seed 7 --keys 30000:esc
#include <cstdio>
#include <cstring>
#include <string>

#include "runner.h"

namespace {

// Names in the trace are behaviour and sheet names: letters only, but a
// quote or a backslash would still come out as valid JSON.
void PrintString(const char* s) {
    std::putchar('"');
    for (; *s; ++s) {
        if (*s == '"' || *s == '\\') {
            std::putchar('\\');
        }
        std::putchar(*s);
    }
    std::putchar('"');
}

// The trace's JSON Lines: behaviours, moves, frames, pauses and the exit.
// Every other kind of event (sheets built, keys, the caption, presents, the
// main loop's passes) stays out of the output.
void Print(const TraceEvent& e) {
    const long long t = static_cast<long long>(e.t);
    switch (e.kind) {
    case TraceEvent::Kind::Behaviour:
        std::printf("{\"t\":%lld,\"ev\":\"behaviour\",\"name\":", t);
        PrintString(e.name);
        std::printf("}\n");
        break;
    case TraceEvent::Kind::Move:
        std::printf("{\"t\":%lld,\"ev\":\"move\",\"x\":%d,\"y\":%d}\n", t, e.x, e.y);
        break;
    case TraceEvent::Kind::Frame:
        std::printf("{\"t\":%lld,\"ev\":\"frame\",\"sheet\":", t);
        PrintString(e.name);
        std::printf(",\"mirrored\":%s,\"frame\":%d}\n", e.mirrored ? "true" : "false", e.frame);
        break;
    case TraceEvent::Kind::Sleep:
        std::printf("{\"t\":%lld,\"ev\":\"sleep\",\"ms\":%d}\n", t, e.ms);
        break;
    case TraceEvent::Kind::Exit:
        std::printf("{\"t\":%lld,\"ev\":\"exit\",\"code\":%d}\n", t, e.status);
        break;
    default:
        break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: pomfy-trace (--behaviour NAME | --session MS) [options]\n%s",
                        RunOptionsUsage());
            return 0;
        }
    }
    RunOptions options;
    std::string error;
    if (!ParseRunOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "pomfy-trace: %s\n", error.c_str());
        return 2;
    }
    RunPet(options, Print);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
