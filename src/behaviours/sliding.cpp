// Sideways along the ground line while an animation plays: the slide (a
// run-up and a long, slowing glide), the twist (wind-up, spin, wind-down) and
// the fall-over (topple, lie still, get up). Slides and twists first make
// sure there is room towards the edge they travel to; fall-overs do not.
#include <cmath>
#include <cstdint>

#include "behaviours.h"
#include "pet.h"

namespace {

// Every move puts the window on the ground line as it is now.
void MoveTo(int32_t x) {
    SetWindowPosition(x, GroundY());
}

// The slide after its start test. dir is +1 (right) or -1 (left); frame(k)
// gives the loaded frame for stored frame k. The run-up move goes 1 px to
// the right in both directions.
void Slide(int32_t dir, int32_t (*frame)(int32_t), int32_t runUpShift, int32_t closingFrame) {
    Show(frame(1), 200);
    Show(frame(2), 80);
    Show(frame(3), 80);
    MoveTo(PetX + runUpShift);
    Show(frame(4), 80);
    // Glide start: 1 px per step from the position read at the start.
    for (int32_t i = 1; i <= 10; ++i) {
        MoveTo(PetX + dir * i);
        Show(frame(5), i);
    }
    // Glide: 1 px per step, slowing down by 1 ms every five steps.
    GetWindowPosition(PetX, PetY);
    for (int32_t i = 1; i <= 150; ++i) {
        MoveTo(PetX + dir * i);
        Show(frame(6), Nearest(i / 5.0));
    }
    ShowFrame(StandardSheet, closingFrame);
    SleepMs(500);
}

// The loaded frame for stored frame k: the same frame on a sheet loaded as
// stored, frame N + 1 - k on a mirrored one.
int32_t UnmirroredFrame(int32_t k) { return k; }
int32_t MirroredSlideFrame(int32_t k) { return 7 - k; }

// The spin of a twist: 22 passes of two frames at one x, 8 px further each.
void Spin(int32_t dir, int32_t first, int32_t second) {
    GetWindowPosition(PetX, PetY);
    for (int32_t d = 8; d <= 176; d += 8) {
        MoveTo(PetX + dir * d);
        Show(first, 10);
        MoveTo(PetX + dir * d);
        Show(second, 10);
    }
}

// The fall-over: four shifts of 5 px, a pause, the last frame at the same x,
// lying still, then getting up. dir is the way the window shifts.
void FallOver(int32_t dir, int32_t (*frame)(int32_t), int32_t closingFrame) {
    GetWindowPosition(PetX, PetY);
    for (int32_t i = 1; i <= 4; ++i) {
        MoveTo(PetX + dir * 5 * i);
        Show(frame(i), 100);
    }
    SleepMs(200);
    MoveTo(PetX + dir * 20);
    Show(frame(5), 100);
    SleepMs(2000);
    Show(frame(4), 100);
    Show(frame(3), 100);
    ShowFrame(StandardSheet, closingFrame);
    SleepMs(500);
}

int32_t MirroredFallOverFrame(int32_t k) { return 6 - k; }

}  // namespace

void SlideRight() {
    BehaviourStarts("SlideRight");
    LoadSheet(6, "slide", false);
    GetWindowPosition(PetX, PetY);
    if (PetX > DesktopWidth - 200) {
        return;
    }
    Slide(+1, UnmirroredFrame, Nearest(4 / 3.0), 5);
}

void SlideLeft() {
    BehaviourStarts("SlideLeft");
    LoadSheet(6, "slide", true);
    GetWindowPosition(PetX, PetY);
    if (PetX < 200) {
        return;
    }
    Slide(-1, MirroredSlideFrame, Nearest(3 / 3.0), 6);
}

void TwistRight() {
    BehaviourStarts("TwistRight");
    LoadSheet(9, "twist", false);
    GetWindowPosition(PetX, PetY);
    if (PetX > DesktopWidth - 290) {
        return;
    }
    Show(1, 500);
    // Wind-up: +16 ... +56.
    for (int32_t i = 2; i <= 7; ++i) {
        MoveTo(PetX + 8 * i);
        Show(i, 80);
    }
    Spin(+1, 8, 9);
    // Wind-down: +10 ... +70.
    GetWindowPosition(PetX, PetY);
    for (int32_t i = 7; i >= 1; --i) {
        MoveTo(PetX + 80 - 10 * i);
        Show(i, 50);
    }
    ShowFrame(StandardSheet, 5);
    SleepMs(500);
}

// Not the mirror image of TwistRight in its moves: the wind-up starts where
// the pet stands and covers 40 px, the wind-down covers 90 px.
void TwistLeft() {
    BehaviourStarts("TwistLeft");
    LoadSheet(9, "twist", true);
    GetWindowPosition(PetX, PetY);
    if (PetX < 290) {
        return;
    }
    Show(9, 500);
    // Wind-up: 0 ... -40.
    for (int32_t k = 8; k >= 3; --k) {
        MoveTo(PetX + 8 * k - 64);
        Show(k, 80);
    }
    Spin(-1, 2, 1);
    // Wind-down: -30 ... -90.
    GetWindowPosition(PetX, PetY);
    for (int32_t k = 3; k <= 9; ++k) {
        MoveTo(PetX - 10 * k);
        Show(k, 50);
    }
    ShowFrame(StandardSheet, 6);
    SleepMs(500);
}

// The fall-overs shift the window against the way the pet faces.
void FallOverRight() {
    BehaviourStarts("FallOverRight");
    LoadSheet(5, "umfall", false);
    FallOver(-1, UnmirroredFrame, 5);
}

void FallOverLeft() {
    BehaviourStarts("FallOverLeft");
    LoadSheet(5, "umfall", true);
    FallOver(+1, MirroredFallOverFrame, 6);
}
