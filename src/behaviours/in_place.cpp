// The behaviours in which the pet stays where it stands: sleeping, freezing
// into a block of ice, sneezing, shouting and idling. Each Left variant loads
// the sheet mirrored and shows frame N + 1 - k where the Right one shows k.
#include <cstdint>

#include "behaviours.h"
#include "pet.h"

namespace {

struct Step {
    int32_t frame;
    int32_t ms;
};

// Plays rows of the script on CurrentSheet; a mirrored N-frame sheet shows
// frame N + 1 - k for frame k.
template <int32_t Rows>
void Play(const Step (&script)[Rows], int32_t frames, bool mirrored) {
    for (const Step& step : script) {
        Show(mirrored ? frames + 1 - step.frame : step.frame, step.ms);
    }
}

// "sleeping", 14 frames
constexpr Step FallAsleep[] = {{1, 200}, {2, 200}, {3, 200}, {4, 200},
                               {5, 200}, {6, 200}, {7, 200}, {8, 200}};
constexpr Step Wake[] = {{9, 200}, {10, 200}, {11, 200}, {12, 200}, {13, 200}, {14, 200},
                         {1, 500}};  // the last row closes

void Sleeping(bool mirrored) {
    LoadSheet(14, "sleeping", mirrored);
    Play(FallAsleep, 14, mirrored);
    SleepMs(1000 * RandomInt(15));  // the last frame stays on
    Play(Wake, 14, mirrored);
}

// "hatschi", 5 frames
constexpr Step Sneeze[] = {{1, 1000}, {2, 150}, {3, 80}, {4, 80}, {5, 200}, {4, 80},
                           {1, 500}};

void Sneezing(bool mirrored) {
    LoadSheet(5, "hatschi", mirrored);
    Play(Sneeze, 5, mirrored);
}

// "shout", 4 frames; after the rise frame 4 holds on, after the sink frame 1.
constexpr Step ShoutAndRise[] = {{1, 500}, {2, 80}, {3, 80}, {4, 80}};
constexpr Step Sink[] = {{4, 90}, {3, 90}, {2, 90}, {1, 90}};

void Shouting(bool mirrored) {
    LoadSheet(4, "shout", mirrored);
    Play(ShoutAndRise, 4, mirrored);
    SleepMs(320);  // hold
    Play(Sink, 4, mirrored);
    SleepMs(110);  // close
}

}  // namespace

void SleepingRight() {
    BehaviourStarts("SleepingRight");
    Sleeping(false);
}

void SleepingLeft() {
    BehaviourStarts("SleepingLeft");
    Sleeping(true);
}

void SneezeRight() {
    BehaviourStarts("SneezeRight");
    Sneezing(false);
}

void SneezeLeft() {
    BehaviourStarts("SneezeLeft");
    Sneezing(true);
}

void ShoutRight() {
    BehaviourStarts("ShoutRight");
    Shouting(false);
}

void ShoutLeft() {
    BehaviourStarts("ShoutLeft");
    Shouting(true);
}

void Freeze() {
    BehaviourStarts("Freeze");
    LoadSheet(20, "freeze", false);
    // The somersault: frames 1 to 20, 80 ms each. Frames 1-6 leave the window
    // where it is; from frame 7 on it stands this high above the ground y.
    for (int32_t i = 1; i <= 20; ++i) {
        if (i >= 7 && i <= 11) {
            GetWindowPosition(PetX, PetY);
            SetWindowPosition(PetX, GroundY() - 2 * i);  // 14 up to 22
        } else if (i >= 13 && i <= 17) {
            GetWindowPosition(PetX, PetY);
            SetWindowPosition(PetX, GroundY() - 34 + 2 * i);  // 8 down to 0
        }
        Show(i, 80);
    }
    // The shiver: crouched and frozen in turn.
    for (int32_t n = 0; n < 20; ++n) {
        Show(19, 50);
        Show(20, 50);
    }
    ShowFrame(CurrentSheet, 19);  // replaced at once
    // The thaw, and the calm standard frame to close.
    constexpr Step Thaw[] = {{6, 80}, {5, 80}, {4, 80}};
    Play(Thaw, 20, false);
    ShowFrame(StandardSheet, 4);
    SleepMs(200);
}

void Idle() {
    BehaviourStarts("Idle");
    ShowFrame(StandardSheet, 5);
    SleepMs(100);
}
