// Walking along the ground line, 3 px a step and ten steps a lap, and the
// happy jump: a hop in place, on its own or when a walk turns round at an
// edge of the desktop.
#include <cstdint>

#include "behaviours.h"
#include "pet.h"

namespace {

// What tells one walk from the other.
struct Walk {
    bool mirrored;      // the sheet as loaded; step i shows frame i, or 11 - i
    int32_t dx;         // the move of one step
    int32_t endingDraw; // the RandomInt(5) that ends the walk after a lap
    void (*opposite)(); // run by the edge turn
};

constexpr Walk Right = {false, +3, 2, WalkLeft};
constexpr Walk Left = {true, -3, 4, WalkRight};

bool AtEdge(const Walk& walk) {
    return walk.dx > 0 ? PetX >= DesktopWidth - 32 : PetX <= 0;
}

// At an edge: hop, then walk the other way from inside this walk. The
// opposite walk leaves its sheet in CurrentSheet, and the interrupted walk
// goes on drawing from it.
void EdgeTurn(const Walk& walk) {
    FreeSheet(CurrentSheet);  // this walk's own sheet
    HappyJump();
    FreeSheet(CurrentSheet);  // the hop's sheet
    SleepMs(500);
    walk.opposite();
}

void RunWalk(const Walk& walk) {
    LoadSheet(10, "walking", walk.mirrored);
    do {
        for (int32_t i = 1; i <= 10; ++i) {
            GetWindowPosition(PetX, PetY);
            SetWindowPosition(PetX + walk.dx, GroundY());
            Show(walk.mirrored ? 11 - i : i, 80);
            // The position before this step's move decides.
            if (AtEdge(walk)) {
                EdgeTurn(walk);
            }
            QuitCheck();
        }
    } while (RandomInt(5) != walk.endingDraw);
}

}  // namespace

void WalkRight() {
    BehaviourStarts("WalkRight");
    RunWalk(Right);
}

void WalkLeft() {
    BehaviourStarts("WalkLeft");
    RunWalk(Left);
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
