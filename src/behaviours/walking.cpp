// Walking along the ground line, 3 px a step and ten steps a lap, and the
// happy jump: a hop in place, on its own or when a walk turns round at an
// edge of the desktop.
#include <cstdint>

#include "behaviours.h"
#include "pet.h"

namespace {

// What tells one walk from the other.
struct Walk {
    const char* name;
    bool mirrored;      // the sheet as loaded; step i shows frame i, or 11 - i
    int32_t dx;         // the move of one step
    int32_t endingDraw; // the RandomInt(5) that ends the walk after a lap
    int32_t opposite;   // the walk the edge turn runs, in Walks
};

constexpr Walk Walks[2] = {
    {"WalkRight", false, +3, 2, 1},
    {"WalkLeft", true, -3, 4, 0},
};

bool AtEdge(const Walk& walk) {
    return walk.dx > 0 ? PetX >= DesktopWidth - 32 : PetX <= 0;
}

void RunWalk(const Walk* walk);

void StartWalk(const Walk& walk) {
    BehaviourStarts(walk.name);
    RunWalk(&walk);
}

// At an edge: hop, then walk the other way from inside this walk. The
// opposite walk leaves its sheet in CurrentSheet, and the interrupted walk
// goes on drawing from it. Returns the walk that goes on.
//
// On a desktop too narrow for the pet to leave both edges (35 px or less)
// the opposite walk would meet its own edge at its first step and turn back
// at once, nesting without end before any QuitCheck. There the walk turns
// round without nesting: it goes on as the opposite walk, with that walk's
// sheet, and returns when its laps end.
const Walk* EdgeTurn(const Walk& walk) {
    FreeSheet(CurrentSheet);  // this walk's own sheet
    HappyJump();
    FreeSheet(CurrentSheet);  // the hop's sheet
    SleepMs(500);
    const Walk& other = Walks[walk.opposite];
    // The hop read the window's place into PetX: where the opposite walk's
    // first edge test would look.
    if (!AtEdge(other)) {
        StartWalk(other);
        return &walk;
    }
    BehaviourStarts(other.name);
    LoadSheet(10, "walking", other.mirrored);
    return &other;
}

void RunWalk(const Walk* walk) {
    LoadSheet(10, "walking", walk->mirrored);
    do {
        for (int32_t i = 1; i <= 10; ++i) {
            GetWindowPosition(PetX, PetY);
            SetWindowPosition(PetX + walk->dx, GroundY());
            Show(walk->mirrored ? 11 - i : i, 80);
            // The position before this step's move decides.
            if (AtEdge(*walk)) {
                walk = EdgeTurn(*walk);
            }
            QuitCheck();
        }
    } while (RandomInt(5) != walk->endingDraw);
}

}  // namespace

void WalkRight() {
    StartWalk(Walks[0]);
}

void WalkLeft() {
    StartWalk(Walks[1]);
}

void HappyJump() {
    BehaviourStarts("HappyJump");
    LoadSheet(4, "happyjump", false);
    // pixels above the ground y and frame, step by step
    static constexpr struct {
        int32_t height;
        int32_t frame;
    } Hop[8] = {
        {0, 1}, {4, 2}, {8, 3}, {12, 4},   // rise
        {12, 3}, {8, 2}, {4, 1}, {0, 1},   // descent
    };
    for (const auto& step : Hop) {
        GetWindowPosition(PetX, PetY);
        SetWindowPosition(PetX, GroundY() - step.height);
        Show(step.frame, 80);
    }
    SleepMs(500);
}
