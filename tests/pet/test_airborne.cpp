// The falling entrance and the air twists, step by step in virtual time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"
#include "pet.h"

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::Not;

namespace {

constexpr double ArcK = 0.009333333333333334;

int32_t Round(double v) {
    return static_cast<int32_t>(std::nearbyint(v));
}

// The four bounce steps and the closing frame, x fixed, around ground y g.
Script Bounce(bool left, int32_t x, int32_t g, int32_t closing) {
    const std::string sheet = left ? "falling~" : "falling";
    Script s;
    const int32_t above[4] = {16, 12, 8, 4};
    const int32_t frame[4] = {5, 4, 3, 2};
    for (int32_t i = 0; i < 4; ++i) {
        s.Move(x, g - above[i]).Show(sheet, left ? 14 - frame[i] : frame[i], 80);
    }
    return s.Move(x, g).Frame("standard", closing).Sleep(500);
}

// The falling entrance for a window that starts at (x, y), the ground y g and
// n moves per fall frame.
Script EntranceScript(int32_t x, int32_t y, int32_t g, int32_t n) {
    Script s;
    s.Behaviour("FallingEntrance").Sheet("falling");
    s.Frame("standard", 4).Sleep(1000).Show("falling", 1, 1000);
    for (int32_t f = 1; f <= 13; ++f) {
        const int32_t top = y;
        for (int32_t q = 1; q <= n; ++q) {
            y = top + q > g ? g : top + q;
            s.Move(x, y);
        }
        s.Show("falling", f, 80);
    }
    return s.Then(Bounce(false, x, g, 4));
}

// The two rises of an air twist from (x, y), frames cycling over the
// "airtwist" sheet as loaded.
Script RisesScript(bool left, int32_t x, int32_t y) {
    const std::string sheet = left ? "airtwist~" : "airtwist";
    const int32_t s = left ? -1 : 1;
    Script r;
    for (int32_t rise = 0; rise < 2; ++rise) {
        for (int32_t m = 1; m <= 50; ++m) {
            const int32_t stored = (m - 1) % 8 + 1;
            r.Move(x + s * (100 * rise + 2 * m), y - 100 * rise - 2 * m)
                .Show(sheet, left ? 9 - stored : stored, rise == 0 ? 1 : m);
        }
    }
    return r;
}

// The arc from (x, y) down to ground y g, read off the table row by row.
Script ArcScript(bool left, int32_t x, int32_t y, int32_t g) {
    const std::string sheet = left ? "falling~" : "falling";
    const int32_t s = left ? -1 : 1;
    auto frame = [&](int32_t stored) { return left ? 14 - stored : stored; };
    Script a;
    const double radicand = (g + 23 - y) / ArcK;
    if (radicand < 0) {
        return a;
    }
    const int32_t t = Round(std::sqrt(radicand) - 1.0);
    for (int32_t j = -50; j <= t; ++j) {
        const int32_t ax = x + s * (j + 50);
        const int32_t ay = y + Round(ArcK * j * j - 23);
        if (j <= 30) {
            a.Move(ax, ay).Show(sheet, frame(3), 6);
        } else if (j <= 85) {
            a.Move(ax, ay).Show(sheet, frame(4), 4);
        } else if (j <= 120) {
            a.Move(ax, ay).Show(sheet, frame(5), 2);
        } else if (j < t) {
            a.Move(ax, ay).Show(sheet, frame(12), 1);
        } else {
            a.Move(ax, g).Show(sheet, frame(13), 100);
        }
    }
    return a;
}

// A whole air twist that twists itself, from (x, y) on a ground y g that
// stays put; the arc's x is where the rises end, its last x where it lands.
Script AirTwistScript(bool left, int32_t x, int32_t y, int32_t g, int32_t landX) {
    const std::string name = left ? "AirTwistLeft" : "AirTwistRight";
    Script s;
    s.Behaviour(name).Sheet(left ? "airtwist~" : "airtwist").Then(RisesScript(left, x, y));
    s.Sheet(left ? "falling~" : "falling");
    s.Then(ArcScript(left, x + (left ? -200 : 200), y - 200, g));
    return s.Then(Bounce(left, landX, g, left ? 6 : 5));
}

int32_t MoveX(const std::string& move) {
    return std::stoi(move.substr(5));
}

int32_t MoveY(const std::string& move) {
    return std::stoi(move.substr(move.rfind(' ') + 1));
}

// The first lines of an air twist: who runs and where the window goes first.
std::vector<std::string> Opening(const std::string& name, int32_t width, int32_t x) {
    RunOptions o = At(x, 706);
    o.desktopWidth = width;
    std::vector<std::string> texts = TraceBehaviour(name, o).Texts();
    texts.resize(4);
    return texts;
}

}  // namespace

// --- The falling entrance ------------------------------------------------------

TEST(FallingEntrance, FallsFromTheMiddleOfTheDesktopOntoTheTaskbar) {
    // 768 high, taskbar at 738: ground y 706, n = nearest(340 / 13) = 26;
    // from y 366 thirteen frames of 26 px bring the window to 704.
    const PetTrace trace = TraceBehaviour("FallingEntrance", At(494, 366));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(EntranceScript(494, 366, 706, 26).lines));
    const std::vector<std::string> moves = trace.Of("move");
    ASSERT_EQ(moves.size(), 13u * 26u + 5u);
    EXPECT_EQ(moves[13 * 26 - 1], "move 494 704");
    EXPECT_EQ(moves[13 * 26], "move 494 690");
    EXPECT_EQ(moves.back(), "move 494 706");
    EXPECT_EQ(trace.PauseSum(), 3860);
    EXPECT_EQ(trace.result.endTime, 3860);
}

TEST(FallingEntrance, NeverPassesTheGroundLine) {
    // Already on the ground: every move of the fall stays there.
    const PetTrace on = TraceBehaviour("FallingEntrance", At(494, 706));
    EXPECT_THAT(on.Texts(), ElementsAreArray(EntranceScript(494, 706, 706, 26).lines));
    EXPECT_EQ(on.Count("move 494 706"), 13 * 26 + 1);

    // 16 px above it: 16 one-pixel moves, then the ground y.
    const PetTrace near = TraceBehaviour("FallingEntrance", At(494, 690));
    const std::vector<std::string> moves = near.Of("move");
    EXPECT_EQ(moves[0], "move 494 691");
    EXPECT_EQ(moves[15], "move 494 706");
    EXPECT_EQ(moves[16], "move 494 706");
    EXPECT_EQ(near.Count("move 494 706"), 13 * 26 - 15 + 1);

    // Below it: put back up onto it by the first move.
    const PetTrace below = TraceBehaviour("FallingEntrance", At(494, 720));
    EXPECT_THAT(below.Texts(), ElementsAreArray(EntranceScript(494, 720, 706, 26).lines));
    EXPECT_EQ(below.Of("move")[0], "move 494 706");
}

TEST(FallingEntrance, GroundLineNearTheTopLeavesTheWindowStillUntilTheBounce) {
    // No taskbar: ground y 3, n = nearest((3 - 384 + 18) / 13) = -28.
    RunOptions o = At(494, 366);
    o.taskbarTop = 0;
    const PetTrace trace = TraceBehaviour("FallingEntrance", o);
    EXPECT_THAT(trace.Texts(), ElementsAreArray(EntranceScript(494, 366, 3, 0).lines));
    EXPECT_THAT(trace.Of("move"), ElementsAreArray({"move 494 -13", "move 494 -9", "move 494 -5",
                                                    "move 494 -1", "move 494 3"}));
    EXPECT_EQ(trace.Count("sleep 80"), 13 + 4);
    EXPECT_EQ(trace.PauseSum(), 3860);
}

TEST(FallingEntrance, FallStepRoundsHalvesToEven) {
    // On a 767-pixel desktop the middle is 383.5; (ground y - 383.5 + 18) / 13:
    struct Case {
        int32_t ground;
        int32_t n;
    };
    const Case cases[] = {
        {372, 0},  // 6.5 / 13 = 0.5
        {373, 1},  // 0.58
        {385, 2},  // 1.5
        {398, 2},  // 2.5
        {359, 0},  // -0.5
    };
    for (const Case& c : cases) {
        RunOptions o = At(100, 0);
        o.desktopHeight = 767;
        o.taskbarTop = c.ground + 32;
        const PetTrace trace = TraceBehaviour("FallingEntrance", o);
        EXPECT_THAT(trace.Texts(), ElementsAreArray(EntranceScript(100, 0, c.ground, c.n).lines))
            << "ground y " << c.ground;
    }
}

TEST(FallingEntrance, FollowsATaskbarThatMovesDuringTheFall) {
    // Fall frame f moves at t = 2000 + 80 (f - 1). From t = 2400, when the
    // sixth frame's moves begin, the taskbar top is 500: ground y 468, and
    // the remaining eight frames fall nearest(102 / 13) = 8 px each from
    // 366 + 5 * 26 = 496, below the new ground: every move goes to 468,
    // and the bounce settles on it.
    RunOptions o = At(494, 366);
    o.taskbarChanges = {{2400, 500}};
    const PetTrace trace = TraceBehaviour("FallingEntrance", o);
    const std::vector<std::string> moves = trace.Of("move");
    ASSERT_EQ(moves.size(), 5u * 26u + 8u * 8u + 5u);
    EXPECT_EQ(moves[5 * 26 - 1], "move 494 496");
    for (size_t i = 5 * 26; i < 5 * 26 + 8 * 8; ++i) {
        EXPECT_EQ(moves[i], "move 494 468") << i;
    }
    EXPECT_EQ(trace.TimeOf("frame falling 6"), 2400);
    EXPECT_EQ(moves[5 * 26 + 8 * 8], "move 494 452");
    EXPECT_EQ(moves.back(), "move 494 468");
}

// --- The air twists -------------------------------------------------------------

TEST(AirTwist, RightFromTheGroundLineLandsAbout404PxAway) {
    const PetTrace trace = TraceBehaviour("AirTwistRight", At(494, 706));
    EXPECT_THAT(trace.Texts(),
                ElementsAreArray(AirTwistScript(false, 494, 706, 706, 898).lines));

    const std::vector<std::string> moves = trace.Of("move");
    // Rises: 100 moves of (+2, -2); the arc starts at (694, 506).
    EXPECT_EQ(moves[49], "move 594 606");
    EXPECT_EQ(moves[99], "move 694 506");
    // Offsets of the arc above or below its start at selected steps j (the
    // arc's m-th move has j = m - 51).
    const int32_t j[] = {-40, -20, 0, 20, 30, 31, 50, 60, 75, 85, 86, 100, 120, 121, 140, 153};
    const int32_t offset[] = {-8, -19, -23, -19, -15, -14, 0, 11, 30, 44, 46, 70, 111, 114, 160, 195};
    for (size_t i = 0; i < std::size(j); ++i) {
        const std::string& m = moves[100 + 50 + j[i]];
        EXPECT_EQ(MoveX(m), 694 + j[i] + 50) << "j " << j[i];
        EXPECT_EQ(MoveY(m) - 506, offset[i]) << "j " << j[i];
    }
    // T = 154: the landing step, then the bounce.
    EXPECT_EQ(moves[100 + 50 + 154], "move 898 706");
    EXPECT_EQ(moves.size(), 100u + 205u + 5u);
    EXPECT_EQ(trace.Count("frame falling 13"), 1);
    EXPECT_EQ(trace.Count("frame falling 12"), 33);
    // 50 + 1275 + 486 + 220 + 70 + 33 + 100 + 320 + 500
    EXPECT_EQ(trace.PauseSum(), 3054);
}

TEST(AirTwist, LeftIsTheMirrorImage) {
    const PetTrace trace = TraceBehaviour("AirTwistLeft", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(AirTwistScript(true, 494, 706, 706, 90).lines));
    EXPECT_EQ(trace.Count("frame falling~ 1"), 1);
    EXPECT_EQ(trace.Count("frame falling~ 2"), 33);
    EXPECT_EQ(trace.Count("frame falling~ 12"), 1);  // the last bounce step
    EXPECT_EQ(trace.Of("frame").back(), "frame standard 6");
    EXPECT_EQ(trace.PauseSum(), 3054);
}

TEST(AirTwist, RisesCycleTheFramesAndTheSecondSlowsDown) {
    for (const bool left : {false, true}) {
        const std::string sheet = left ? "airtwist~" : "airtwist";
        const PetTrace trace = TraceBehaviour(left ? "AirTwistLeft" : "AirTwistRight");
        const std::vector<std::string> frames = trace.Of("frame");
        const std::vector<std::string> sleeps = trace.Of("sleep");
        // m = 50 of the first rise shows 2 (7 mirrored); the second restarts.
        EXPECT_EQ(frames[49], "frame " + sheet + (left ? " 7" : " 2"));
        EXPECT_EQ(frames[50], "frame " + sheet + (left ? " 8" : " 1"));
        EXPECT_EQ(frames[57], "frame " + sheet + (left ? " 1" : " 8"));
        EXPECT_EQ(frames[58], "frame " + sheet + (left ? " 8" : " 1"));
        for (int32_t m = 1; m <= 50; ++m) {
            EXPECT_EQ(sleeps[m - 1], "sleep 1");
            EXPECT_EQ(sleeps[49 + m], "sleep " + std::to_string(m));
        }
        // Only then is the "falling" sheet built.
        EXPECT_EQ(trace.Texts()[2 + 300], "sheet " + std::string(left ? "falling~" : "falling"));
    }
}

TEST(AirTwist, HandsOverAtTheMiddleBandOnce) {
    // 1024 wide: the band is 412 to 612.
    using V = std::vector<std::string>;
    EXPECT_EQ(Opening("AirTwistRight", 1024, 612),
              (V{"behaviour AirTwistRight", "sheet airtwist", "move 614 704", "frame airtwist 1"}));
    EXPECT_EQ(Opening("AirTwistRight", 1024, 613),
              (V{"behaviour AirTwistRight", "behaviour AirTwistLeft", "sheet airtwist~",
                 "move 611 704"}));
    EXPECT_EQ(Opening("AirTwistLeft", 1024, 412),
              (V{"behaviour AirTwistLeft", "sheet airtwist~", "move 410 704", "frame airtwist~ 8"}));
    EXPECT_EQ(Opening("AirTwistLeft", 1024, 411),
              (V{"behaviour AirTwistLeft", "behaviour AirTwistRight", "sheet airtwist",
                 "move 413 704"}));
    // 1023 wide: the band is 411.5 to 611.5, never met exactly.
    EXPECT_EQ(Opening("AirTwistRight", 1023, 611)[1], "sheet airtwist");
    EXPECT_EQ(Opening("AirTwistRight", 1023, 612)[1], "behaviour AirTwistLeft");
    EXPECT_EQ(Opening("AirTwistLeft", 1023, 412)[1], "sheet airtwist~");
    EXPECT_EQ(Opening("AirTwistLeft", 1023, 411)[1], "behaviour AirTwistRight");

    // Far out on either side, the twist heads for the middle after one
    // hand-over, the whole way through.
    const PetTrace far = TraceBehaviour("AirTwistRight", At(900, 706));
    EXPECT_EQ(far.Of("behaviour").size(), 2u);
    EXPECT_THAT(far.Texts(), ElementsAreArray(Script()
                                                  .Behaviour("AirTwistRight")
                                                  .Then(AirTwistScript(true, 900, 706, 706, 496))
                                                  .lines));
}

TEST(AirTwist, DirectionComesFromPetXAsLastReadNotFromTheWindow) {
    // An earlier behaviour left PetX far right; the window stands at 494.
    const PetTrace trace =
        TraceBehaviour("AirTwistRight", At(494, 706), [](const TraceEvent& e) {
            if (e.kind == TraceEvent::Kind::Behaviour && std::string(e.name) == "AirTwistRight") {
                PetX = 900;
            }
        });
    EXPECT_THAT(trace.Texts(), ElementsAreArray(Script()
                                                    .Behaviour("AirTwistRight")
                                                    .Then(AirTwistScript(true, 494, 706, 706, 90))
                                                    .lines));
}

TEST(AirTwist, NoArcWhenTheWindowIsWellBelowTheGroundLine) {
    // After the rises the window is at y 730, 24 px below the ground y: the
    // radicand is negative and the bounce follows the rises at once.
    const PetTrace none = TraceBehaviour("AirTwistRight", At(494, 930));
    Script want;
    want.Behaviour("AirTwistRight").Sheet("airtwist").Then(RisesScript(false, 494, 930));
    want.Sheet("falling").Then(Bounce(false, 694, 706, 5));
    EXPECT_THAT(none.Texts(), ElementsAreArray(want.lines));

    // 23 px below: the radicand is 0, T = -1, 50 steps along the parabola
    // ending at offset nearest(k - 23) = -23.
    const PetTrace zero = TraceBehaviour("AirTwistRight", At(494, 929));
    EXPECT_THAT(zero.Texts(), ElementsAreArray(AirTwistScript(false, 494, 929, 706, 743).lines));
    const std::vector<std::string> moves = zero.Of("move");
    ASSERT_EQ(moves.size(), 100u + 50u + 5u);
    EXPECT_EQ(moves[100], "move 694 729");
    EXPECT_EQ(moves[149], "move 743 706");
}

TEST(AirTwist, ShortArcEndsOnTheParabolaWithoutTheLandingFrame) {
    // 137 px from the arc's start down to the ground + 23: T = 120; the last
    // step is drawn from the parabola at offset 111, 3 px above the ground.
    const PetTrace short120 = TraceBehaviour("AirTwistRight", At(494, 792));
    EXPECT_THAT(short120.Texts(),
                ElementsAreArray(AirTwistScript(false, 494, 792, 706, 864).lines));
    EXPECT_THAT(short120.Texts(), Not(Contains("frame falling 13")));
    EXPECT_THAT(short120.Texts(), Not(Contains("frame falling 12")));
    EXPECT_EQ(short120.Of("move")[100 + 170], "move 864 703");

    // 138 px: T = 121, the landing step comes right after j = 120.
    const PetTrace t121 = TraceBehaviour("AirTwistRight", At(494, 791));
    EXPECT_EQ(t121.Of("move")[100 + 171], "move 865 706");
    EXPECT_EQ(t121.Count("frame falling 13"), 1);
    EXPECT_EQ(t121.Count("frame falling 12"), 0);

    // 141 px: T = 122, one step of frame 12.
    const PetTrace t122 = TraceBehaviour("AirTwistRight", At(494, 788));
    EXPECT_THAT(t122.Texts(), ElementsAreArray(AirTwistScript(false, 494, 788, 706, 866).lines));
    EXPECT_EQ(t122.Count("frame falling 12"), 1);

    // Mirrored, T <= 120 never shows frame 1 of the mirrored "falling".
    const PetTrace left = TraceBehaviour("AirTwistLeft", At(494, 792));
    EXPECT_THAT(left.Texts(), ElementsAreArray(AirTwistScript(true, 494, 792, 706, 124).lines));
    EXPECT_THAT(left.Texts(), Not(Contains("frame falling~ 1")));
}

TEST(AirTwist, RisesBeyondTheTopOfTheDesktopAndComesBack) {
    // No taskbar: the ground y is 3; the rises take the window to -197 and
    // the arc's apex is at -220.
    RunOptions o = At(494, 3);
    o.taskbarTop = 0;
    const PetTrace trace = TraceBehaviour("AirTwistRight", o);
    EXPECT_THAT(trace.Texts(), ElementsAreArray(AirTwistScript(false, 494, 3, 3, 898).lines));
    EXPECT_EQ(trace.Of("move")[99], "move 694 -197");
    EXPECT_EQ(trace.Of("move")[150], "move 744 -220");
}

TEST(AirTwist, LandsOnATaskbarThatMovedDuringTheArc) {
    // T (154) is fixed when the arc starts at t = 1325; at t = 2000 the
    // taskbar rises to 700, and the landing step (t = 2134) and the bounce
    // use the new ground y 668.
    RunOptions o = At(494, 706);
    o.taskbarChanges = {{2000, 700}};
    const PetTrace trace = TraceBehaviour("AirTwistRight", o);
    EXPECT_EQ(trace.TimeOf("move 898 668"), 2134);
    const std::vector<std::string> moves = trace.Of("move");
    ASSERT_EQ(moves.size(), 310u);
    EXPECT_EQ(moves[303], "move 897 701");  // j = 153, from the parabola
    EXPECT_THAT(std::vector<std::string>(moves.end() - 6, moves.end()),
                ElementsAreArray({"move 898 668", "move 898 652", "move 898 656", "move 898 660",
                                  "move 898 664", "move 898 668"}));
}

TEST(AirTwist, FreesTheTwistSheetAndLeavesTheFallingSheetLive) {
    // The "airtwist" sheet is freed inside (a leak shows under the leak
    // checker); the "falling" sheet is CurrentSheet when the twist returns.
    const Surface* falling = nullptr;
    const Surface* atEnd = nullptr;
    const PetTrace trace = TraceBehaviour("AirTwistLeft", At(494, 706), [&](const TraceEvent& e) {
        if (e.kind == TraceEvent::Kind::Sheet && std::string(e.name) == "falling") {
            falling = e.sheet;
        }
        if (e.kind == TraceEvent::Kind::Sleep) {
            atEnd = CurrentSheet;
        }
    });
    ASSERT_NE(falling, nullptr);
    EXPECT_EQ(atEnd, falling);
    EXPECT_EQ(trace.Of("sheet").size(), 2u);
}
