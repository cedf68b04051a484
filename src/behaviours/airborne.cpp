// The falling entrance and the two air twists: the pet drops onto the ground
// line, or leaps up spinning, flies along an arc and lands some 400 px away.
// Every fall ends with the same four-frame landing bounce.
#include <cmath>
#include <cstdint>

#include "behaviours.h"
#include "pet.h"

namespace {

// The arc is the parabola ArcCoefficient * j^2 + ArcLift, j = -50 at take-off.
constexpr double ArcCoefficient = 0.009333333333333334;
constexpr double ArcLift = -23.0;
constexpr double ArcEndShift = -1.0;
constexpr int32_t FallFrames = 13;  // the fall covers its way down in this many frames
constexpr double FallOffset = 18.0;
constexpr double DirectionMargin = 100.0;

// Frames of one direction of an air twist, in the sheets as loaded.
struct TwistFrames {
    bool mirrored;
    int32_t xSign;          // +1 flies right, -1 flies left
    int32_t riseFirst;      // the rises cycle through all 8 frames from here
    int32_t riseStep;       // +1 or -1
    int32_t arc[5];         // j in -50..30, 31..85, 86..120, 121..T-1, T
    int32_t bounce[4];      // b = 2, 3, 4, 5
    int32_t closingFrame;   // of StandardSheet
};

constexpr TwistFrames TwistRightFrames = {false, +1, 1, +1, {3, 4, 5, 12, 13}, {5, 4, 3, 2}, 5};
constexpr TwistFrames TwistLeftFrames = {true, -1, 8, -1, {11, 10, 9, 2, 1}, {9, 10, 11, 12}, 6};

// Rows of the arc, tested from the top: the last j of the row and its pause.
// The landing step j = T comes before them.
constexpr int32_t ArcLastJ[4] = {30, 85, 120, INT32_MAX};
constexpr int32_t ArcPause[4] = {6, 4, 2, 1};
constexpr int32_t LandingPause = 100;

// The common end of every fall; the "falling" sheet is loaded. The window
// jumps to 16 px above the ground y and settles in steps of 4 px.
void LandingBounce(const int32_t (&frames)[4], int32_t closingFrame) {
    for (int32_t b = 2; b <= 5; ++b) {
        GetWindowPosition(PetX, PetY);
        SetWindowPosition(PetX, GroundY() - 24 + 4 * b);
        Show(frames[b - 2], 80);
    }
    SetWindowPosition(PetX, GroundY());
    ShowFrame(StandardSheet, closingFrame);
    SleepMs(500);
}

// One rise: 50 moves of 2 px up and 2 px sideways from where the window
// stands, the frames running round the 8 of the "airtwist" sheet.
void Rise(const TwistFrames& f, bool slowing) {
    GetWindowPosition(PetX, PetY);
    const int32_t x = PetX;
    const int32_t y = PetY;
    for (int32_t m = 1; m <= 50; ++m) {
        SetWindowPosition(x + f.xSign * 2 * m, y - 2 * m);
        Show(f.riseFirst + f.riseStep * ((m - 1) % 8), slowing ? m : 1);
    }
}

// From wherever the rises left the window, along the parabola and down onto
// the ground line. T is one less than the step at which the parabola meets
// the ground y; a window already well below the ground y takes no step.
void Arc(const TwistFrames& f) {
    GetWindowPosition(PetX, PetY);
    const int32_t x = PetX;
    const int32_t y = PetY;
    const double radicand = (static_cast<double>(GroundY()) - ArcLift - y) / ArcCoefficient;
    if (radicand < 0.0) {
        return;
    }
    const int32_t last = Nearest(std::sqrt(radicand) + ArcEndShift);
    for (int32_t j = -50; j <= last; ++j) {
        const int32_t stepX = x + f.xSign * (j + 50);
        int32_t row = 0;
        while (j > ArcLastJ[row]) {
            ++row;
        }
        if (j == last && j > ArcLastJ[2]) {
            SetWindowPosition(stepX, GroundY());
            Show(f.arc[4], LandingPause);
        } else {
            const double jSquared = static_cast<double>(j) * j;
            SetWindowPosition(stepX, y + Nearest(ArcCoefficient * jSquared + ArcLift));
            Show(f.arc[row], ArcPause[row]);
        }
    }
}

void AirTwist(const TwistFrames& f) {
    LoadSheet(8, "airtwist", f.mirrored);
    Rise(f, false);
    Rise(f, true);
    FreeSheet(CurrentSheet);
    LoadSheet(13, "falling", f.mirrored);
    Arc(f);
    LandingBounce(f.bounce, f.closingFrame);
}

}  // namespace

void FallingEntrance() {
    BehaviourStarts("FallingEntrance");
    LoadSheet(13, "falling", false);
    ShowFrame(StandardSheet, 4);
    SleepMs(1000);
    Show(1, 1000);
    for (int32_t f = 1; f <= FallFrames; ++f) {
        GetWindowPosition(PetX, PetY);
        // Pixels per frame: the way from FallOffset above the desktop's
        // middle down to the ground y, shared among the frames.
        const int32_t n =
            Nearest((GroundY() - DesktopHeight / 2.0 + FallOffset) / FallFrames);
        // One pixel down per move, never past the ground y (a window below
        // it is put back up onto it).
        for (int32_t q = 1; q <= n; ++q) {
            const int32_t ground = GroundY();
            if (static_cast<int64_t>(q) > static_cast<int64_t>(ground) - PetY) {
                SetWindowPosition(PetX, ground);
            } else {
                SetWindowPosition(PetX, PetY + q);
            }
        }
        Show(f, 80);
    }
    LandingBounce({5, 4, 3, 2}, 4);
}

// Right of the middle band the pet twists to the left instead: towards the
// middle of the desktop. PetX is what an earlier behaviour last read.
void AirTwistRight() {
    BehaviourStarts("AirTwistRight");
    if (PetX > DesktopWidth / 2.0 + DirectionMargin) {
        AirTwistLeft();
        return;
    }
    AirTwist(TwistRightFrames);
}

void AirTwistLeft() {
    BehaviourStarts("AirTwistLeft");
    if (PetX < DesktopWidth / 2.0 - DirectionMargin) {
        AirTwistRight();
        return;
    }
    AirTwist(TwistLeftFrames);
}
