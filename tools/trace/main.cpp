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

void Print(const PetEvent& e) {
    const long long t = static_cast<long long>(e.t);
    switch (e.kind) {
    case PetEvent::Kind::Behaviour:
        std::printf("{\"t\":%lld,\"ev\":\"behaviour\",\"name\":", t);
        PrintString(e.name);
        std::printf("}\n");
        break;
    case PetEvent::Kind::Move:
        std::printf("{\"t\":%lld,\"ev\":\"move\",\"x\":%d,\"y\":%d}\n", t, e.x, e.y);
        break;
    case PetEvent::Kind::Frame:
        std::printf("{\"t\":%lld,\"ev\":\"frame\",\"sheet\":", t);
        PrintString(e.name);
        std::printf(",\"mirrored\":%s,\"frame\":%d}\n", e.mirrored ? "true" : "false", e.frame);
        break;
    case PetEvent::Kind::Sleep:
        std::printf("{\"t\":%lld,\"ev\":\"sleep\",\"ms\":%d}\n", t, e.ms);
        break;
    case PetEvent::Kind::Exit:
        std::printf("{\"t\":%lld,\"ev\":\"exit\",\"code\":%d}\n", t, e.code);
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
