// pomfy-script: the real pet on the real desktop, running one behaviour and
// nothing else, so that its timing can be measured from outside.
//
//   pomfy-script --behaviour NAME [--seed S] [--start X,Y]
//
// It opens the pet's window as start-up does, parks it at (-300, -300), puts
// it at the start position (default: centred on the ground line), pauses
// LeadMs, runs the behaviour, and parks the window at (-300, -300) again
// before it ends with status 0. An observer that times the window's moves
// sees the script begin with the move to the start and end with the move
// back to the park, both carried out by the window thread in the same way;
// the time between them, ideally, is LeadMs plus the behaviour's pauses.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "behaviours.h"
#include "pet.h"
#include "window.h"

namespace {

constexpr int32_t Park = -300;
constexpr int32_t LeadMs = 40;

void (*Named(const std::string& name))() {
    if (name == "FallingEntrance") return FallingEntrance;
    for (const Action& a : ActionTable)
        if (name == a.name) return a.run;
    return nullptr;
}

int Usage(const char* why) {
    std::fprintf(stderr,
                 "pomfy-script: %s\nusage: pomfy-script --behaviour NAME [--seed S] [--start X,Y]\n",
                 why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string name;
    double seed = 1;
    bool hasStart = false;
    int startX = 0, startY = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
        const char* value = argv[++i];
        char* end = nullptr;
        if (arg == "--behaviour") {
            name = value;
        } else if (arg == "--seed") {
            seed = std::strtod(value, &end);
            if (*end) return Usage("bad --seed");
        } else if (arg == "--start") {
            if (std::sscanf(value, "%d,%d", &startX, &startY) != 2) return Usage("bad --start");
            hasStart = true;
        } else {
            return Usage(("unknown option " + arg).c_str());
        }
    }
    void (*behaviour)() = Named(name);
    if (!behaviour) return Usage(name.empty() ? "give --behaviour NAME" : "no such behaviour");

    GetDesktopSize(DesktopWidth, DesktopHeight);
    if (OpenPetWindow(35, 35) != 0) {
        std::fprintf(stderr, "pomfy-script: cannot open the window\n");
        return 1;
    }
    SetColours(MaskColour, MaskColour);
    ClearScreen();
    SetWindowTitle("Pomfy");
    RemoveFromTaskbar("Pomfy");
    SeedRandom(seed);
    BuildStandardSheet();
    ShowFrame(StandardSheet, 5);
    SetWindowPosition(Park, Park);
    SleepMs(300);

    if (!hasStart) {
        startX = (DesktopWidth - 35) >> 1;
        startY = GroundY();
    }
    SetWindowPosition(startX, startY);
    SleepMs(LeadMs);
    GetWindowPosition(PetX, PetY);
    behaviour();
    SetWindowPosition(Park, Park);
    SleepMs(100);
    FreeSheet(CurrentSheet);
    FreeSheet(StandardSheet);
    EndProgram(0);
}
