// Slides, twists and fall-overs, step by step in virtual time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "behaviours.h"
#include "harness.h"
#include "pet.h"
#include "sim/sim.h"

using ::testing::ElementsAreArray;

namespace {

// A slide from x on ground y g: opening frame, run-up, glide start, glide.
Script SlideScript(bool left, int32_t x, int32_t g) {
    const std::string sheet = left ? "slide~" : "slide";
    const int32_t s = left ? -1 : 1;
    auto f = [&](int32_t stored) { return left ? 7 - stored : stored; };
    Script want;
    want.Behaviour(left ? "SlideLeft" : "SlideRight").Sheet(sheet);
    want.Show(sheet, f(1), 200).Show(sheet, f(2), 80).Show(sheet, f(3), 80);
    want.Move(x + 1, g).Show(sheet, f(4), 80);  // 1 px right either way
    for (int32_t i = 1; i <= 10; ++i) {
        want.Move(x + s * i, g).Show(sheet, f(5), i);
    }
    for (int32_t i = 1; i <= 150; ++i) {
        // 0, 0, then five steps each of 1 .. 29, then 30, 30, 30.
        want.Move(x + s * (10 + i), g).Show(sheet, f(6), (i + 2) / 5);
    }
    return want.Frame("standard", left ? 6 : 5).Sleep(500);
}

Script TwistRightScript(int32_t x, int32_t g) {
    Script want;
    want.Behaviour("TwistRight").Sheet("twist").Show("twist", 1, 500);
    const int32_t windUp[] = {16, 24, 32, 40, 48, 56};
    for (int32_t i = 0; i < 6; ++i) {
        want.Move(x + windUp[i], g).Show("twist", i + 2, 80);
    }
    for (int32_t d = 8; d <= 176; d += 8) {
        want.Move(x + 56 + d, g).Show("twist", 8, 10).Move(x + 56 + d, g).Show("twist", 9, 10);
    }
    const int32_t windDown[] = {10, 20, 30, 40, 50, 60, 70};
    for (int32_t i = 0; i < 7; ++i) {
        want.Move(x + 232 + windDown[i], g).Show("twist", 7 - i, 50);
    }
    return want.Frame("standard", 5).Sleep(500);
}

Script TwistLeftScript(int32_t x, int32_t g) {
    Script want;
    want.Behaviour("TwistLeft").Sheet("twist~").Show("twist~", 9, 500);
    const int32_t windUp[] = {0, -8, -16, -24, -32, -40};
    for (int32_t i = 0; i < 6; ++i) {
        want.Move(x + windUp[i], g).Show("twist~", 8 - i, 80);
    }
    for (int32_t d = 8; d <= 176; d += 8) {
        want.Move(x - 40 - d, g).Show("twist~", 2, 10).Move(x - 40 - d, g).Show("twist~", 1, 10);
    }
    const int32_t windDown[] = {-30, -40, -50, -60, -70, -80, -90};
    for (int32_t i = 0; i < 7; ++i) {
        want.Move(x - 216 + windDown[i], g).Show("twist~", 3 + i, 50);
    }
    return want.Frame("standard", 6).Sleep(500);
}

Script FallOverScript(bool left, int32_t x, int32_t g) {
    const std::string sheet = left ? "umfall~" : "umfall";
    const int32_t s = left ? 1 : -1;  // the window shifts against the facing
    auto f = [&](int32_t stored) { return left ? 6 - stored : stored; };
    Script want;
    want.Behaviour(left ? "FallOverLeft" : "FallOverRight").Sheet(sheet);
    for (int32_t i = 1; i <= 4; ++i) {
        want.Move(x + s * 5 * i, g).Show(sheet, f(i), 100);
    }
    want.Sleep(200).Move(x + s * 20, g).Show(sheet, f(5), 100);
    want.Sleep(2000).Show(sheet, f(4), 100).Show(sheet, f(3), 100);
    return want.Frame("standard", left ? 6 : 5).Sleep(500);
}

std::string LastMove(const PetTrace& trace) {
    const std::vector<std::string> moves = trace.Of("move");
    return moves.empty() ? "" : moves.back();
}

// Only the behaviour start and its sheet: returned at the start test.
std::vector<std::string> Refused(const std::string& name, const std::string& sheet) {
    return {"behaviour " + name, "sheet " + sheet};
}

}  // namespace

// --- Slides -------------------------------------------------------------------

TEST(Slide, RightRunsUpAndGlides160Px) {
    const PetTrace trace = TraceBehaviour("SlideRight", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(SlideScript(false, 494, 706).lines));
    const std::vector<std::string> moves = trace.Of("move");
    ASSERT_EQ(moves.size(), 161u);
    // The first glide-start step repeats the run-up's position.
    EXPECT_EQ(moves[0], "move 495 706");
    EXPECT_EQ(moves[1], "move 495 706");
    EXPECT_EQ(moves.back(), "move 654 706");
    // The glide's first two pauses are SleepMs(0); the last three 30.
    const std::vector<std::string> sleeps = trace.Of("sleep");
    EXPECT_EQ(sleeps[14], "sleep 0");
    EXPECT_EQ(sleeps[15], "sleep 0");
    EXPECT_EQ(sleeps[16], "sleep 1");
    EXPECT_EQ(sleeps[160], "sleep 29");
    EXPECT_EQ(sleeps[161], "sleep 30");
    EXPECT_EQ(trace.Count("frame slide 6"), 150);
    EXPECT_EQ(trace.PauseSum(), 3260);
}

TEST(Slide, LeftRunsUpOnePixelRightThenGlidesLeft) {
    const PetTrace trace = TraceBehaviour("SlideLeft", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(SlideScript(true, 494, 706).lines));
    const std::vector<std::string> moves = trace.Of("move");
    EXPECT_EQ(moves[0], "move 495 706");
    EXPECT_EQ(moves[1], "move 493 706");
    EXPECT_EQ(moves.back(), "move 334 706");
    EXPECT_EQ(trace.Of("frame").front(), "frame slide~ 6");
    EXPECT_EQ(trace.PauseSum(), 3260);
}

TEST(Slide, StartTestsLookAtTheWindowsLeftEdge) {
    EXPECT_EQ(LastMove(TraceBehaviour("SlideRight", At(824, 706))), "move 984 706");
    EXPECT_EQ(TraceBehaviour("SlideRight", At(825, 706)).Texts(), Refused("SlideRight", "slide"));
    EXPECT_EQ(LastMove(TraceBehaviour("SlideRight", Narrowed(At(600, 706), 800))), "move 760 706");
    EXPECT_EQ(TraceBehaviour("SlideRight", Narrowed(At(601, 706), 800)).Texts(),
              Refused("SlideRight", "slide"));
    EXPECT_EQ(LastMove(TraceBehaviour("SlideLeft", At(200, 706))), "move 40 706");
    EXPECT_EQ(TraceBehaviour("SlideLeft", At(199, 706)).Texts(), Refused("SlideLeft", "slide~"));
}

TEST(Slide, AboveTheGroundDropsAtTheThirdRunUpFrame) {
    const PetTrace trace = TraceBehaviour("SlideRight", At(494, 500));
    const std::vector<std::string> texts = trace.Texts();
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 2, texts.begin() + 9),
              (std::vector<std::string>{"frame slide 1", "sleep 200", "frame slide 2", "sleep 80",
                                        "frame slide 3", "sleep 80", "move 495 706"}));
}

TEST(Slide, FollowsATaskbarThatChangesDuringTheGlide) {
    // The glide starts at t = 495; from t = 1000 the bar is at the top, so
    // the ground y is 3 for every later move.
    RunOptions o = At(494, 706);
    o.taskbarChanges = {{1000, 0}};
    const PetTrace trace = TraceBehaviour("SlideRight", o);
    int32_t before = 0;
    int32_t after = 0;
    for (const TraceLine& line : trace.lines) {
        if (line.text.rfind("move ", 0) == 0) {
            const int32_t y = std::stoi(line.text.substr(line.text.rfind(' ') + 1));
            EXPECT_EQ(y, line.t < 1000 ? 706 : 3) << line.t << " " << line.text;
            ++(line.t < 1000 ? before : after);
        }
    }
    EXPECT_GT(before, 11);
    EXPECT_GT(after, 0);
    EXPECT_EQ(LastMove(trace), "move 654 3");
}

TEST(Slide, ARefusedSlideLeavesItsSheetLoaded) {
    // Straight on the headless backend, without the harness that frees
    // what a run leaves.
    SimReset();
    GetDesktopSize(DesktopWidth, DesktopHeight);
    ASSERT_EQ(OpenPetWindow(35, 35), 0);
    CurrentSheet = nullptr;
    SimPlaceWindow(199, 706);
    SlideLeft();
    EXPECT_NE(CurrentSheet, nullptr);
    FreeSheet(CurrentSheet);
    SimPlaceWindow(735, 706);
    TwistRight();
    EXPECT_NE(CurrentSheet, nullptr);
    FreeSheet(CurrentSheet);
    SimReset();
}

// --- Twists -------------------------------------------------------------------

TEST(Twist, RightWindsUpSpinsAndWindsDown302Px) {
    const PetTrace trace = TraceBehaviour("TwistRight", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(TwistRightScript(494, 706).lines));
    EXPECT_EQ(trace.Of("move").size(), 57u);
    EXPECT_EQ(trace.Of("frame").size(), 59u);
    EXPECT_EQ(trace.Count("frame twist 8"), 22);
    EXPECT_EQ(LastMove(trace), "move 796 706");
    EXPECT_EQ(trace.PauseSum(), 2270);
}

TEST(Twist, LeftIsNotTheMirrorImageInItsMoves) {
    const PetTrace trace = TraceBehaviour("TwistLeft", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(TwistLeftScript(494, 706).lines));
    const std::vector<std::string> moves = trace.Of("move");
    EXPECT_EQ(moves[0], "move 494 706");   // no jump at the first wind-up frame
    EXPECT_EQ(moves[5], "move 454 706");   // 40 px of wind-up
    EXPECT_EQ(moves[49], "move 278 706");  // 176 px of spin
    EXPECT_EQ(moves[50], "move 248 706");  // wind-down starts 30 px further
    EXPECT_EQ(LastMove(trace), "move 188 706");
    EXPECT_EQ(trace.Count("frame twist~ 1"), 22);
    EXPECT_EQ(trace.PauseSum(), 2270);
}

TEST(Twist, StartTestsAndTheEndsTheyAllow) {
    EXPECT_EQ(LastMove(TraceBehaviour("TwistRight", At(734, 706))), "move 1036 706");
    EXPECT_EQ(TraceBehaviour("TwistRight", At(735, 706)).Texts(), Refused("TwistRight", "twist"));
    EXPECT_EQ(LastMove(TraceBehaviour("TwistRight", Narrowed(At(510, 706), 800))), "move 812 706");
    EXPECT_EQ(TraceBehaviour("TwistRight", Narrowed(At(511, 706), 800)).Texts(),
              Refused("TwistRight", "twist"));
    EXPECT_EQ(LastMove(TraceBehaviour("TwistLeft", At(290, 706))), "move -16 706");
    EXPECT_EQ(TraceBehaviour("TwistLeft", At(289, 706)).Texts(), Refused("TwistLeft", "twist~"));
}

TEST(Twist, AboveTheGroundDropsAtTheFirstWindUpFrame) {
    const std::vector<std::string> right = TraceBehaviour("TwistRight", At(494, 500)).Texts();
    EXPECT_EQ(std::vector<std::string>(right.begin() + 2, right.begin() + 5),
              (std::vector<std::string>{"frame twist 1", "sleep 500", "move 510 706"}));
    const std::vector<std::string> left = TraceBehaviour("TwistLeft", At(494, 500)).Texts();
    EXPECT_EQ(std::vector<std::string>(left.begin() + 2, left.begin() + 5),
              (std::vector<std::string>{"frame twist~ 9", "sleep 500", "move 494 706"}));
}

// --- Fall-overs ---------------------------------------------------------------

TEST(FallOver, RightTopplesLeftwardsAndStaysThere) {
    const PetTrace trace = TraceBehaviour("FallOverRight", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(FallOverScript(false, 494, 706).lines));
    EXPECT_EQ(LastMove(trace), "move 474 706");
    EXPECT_EQ(trace.PauseSum(), 3400);
}

TEST(FallOver, LeftTopplesRightwards) {
    const PetTrace trace = TraceBehaviour("FallOverLeft", At(494, 706));
    EXPECT_THAT(trace.Texts(), ElementsAreArray(FallOverScript(true, 494, 706).lines));
    EXPECT_EQ(LastMove(trace), "move 514 706");
    EXPECT_EQ(trace.PauseSum(), 3400);
}

TEST(FallOver, NoStartTestNearTheEdgesAndDropsAtOnce) {
    EXPECT_THAT(TraceBehaviour("FallOverRight", At(10, 706)).Texts(),
                ElementsAreArray(FallOverScript(false, 10, 706).lines));
    EXPECT_THAT(TraceBehaviour("FallOverLeft", At(1000, 706)).Texts(),
                ElementsAreArray(FallOverScript(true, 1000, 706).lines));
    // From above the ground line, the first move lands on it.
    EXPECT_THAT(TraceBehaviour("FallOverLeft", At(494, 400)).Texts(),
                ElementsAreArray(FallOverScript(true, 494, 706).lines));
}
