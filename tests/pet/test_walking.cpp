// Walking, the edge turn and the happy jump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "harness.h"
#include "pet.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

// A seed whose first draws of RandomInt(5) satisfy want (the walks draw
// nothing else). The generator is seeded the way the harness seeds it.
double SeedFor(int32_t draws, const std::function<bool(const std::vector<int32_t>&)>& want) {
    for (double seed = 1; seed < 200000; ++seed) {
        SimReset();
        SeedRandom(seed);
        std::vector<int32_t> d;
        for (int32_t n = 0; n < draws; ++n) {
            d.push_back(RandomInt(5));
        }
        if (want(d)) {
            return seed;
        }
    }
    ADD_FAILURE() << "no seed found";
    return 1;
}

// A seed whose first draws of RandomInt(5) are exactly these.
double SeedForDraws(const std::vector<int32_t>& draws) {
    return SeedFor(static_cast<int32_t>(draws.size()),
                   [&](const std::vector<int32_t>& d) { return d == draws; });
}

// One lap of a walk from x0 on ground y: its moves and frames.
Script Lap(int32_t x0, int32_t y, int32_t dx, const std::string& sheet, bool leftFrames) {
    Script s;
    for (int32_t i = 1; i <= 10; ++i) {
        s.Move(x0 + dx * i, y).Show(sheet, leftFrames ? 11 - i : i, 80);
    }
    return s;
}

// HappyJump standing at x on ground y, as its table gives it.
Script Hop(int32_t x, int32_t y) {
    Script s;
    s.Behaviour("HappyJump").Sheet("happyjump");
    const int32_t above[8] = {0, 4, 8, 12, 12, 8, 4, 0};
    const int32_t frame[8] = {1, 2, 3, 4, 3, 2, 1, 1};
    for (int32_t n = 0; n < 8; ++n) {
        s.Move(x, y - above[n]).Show("happyjump", frame[n], 80);
    }
    return s.Sleep(500);
}

}  // namespace

TEST(Walk, OneLapEachWayIsTenStepsOfThreePixels) {
    const PetTrace right = TraceBehaviour("WalkRight", At(494, 706, SeedForDraws({2})));
    Script want;
    want.Behaviour("WalkRight").Sheet("walking").Then(Lap(494, 706, +3, "walking", false));
    EXPECT_THAT(right.Texts(), ElementsAreArray(want.lines));
    EXPECT_FALSE(right.Exited());
    EXPECT_EQ(right.result.endTime, 800);

    const PetTrace left = TraceBehaviour("WalkLeft", At(494, 706, SeedForDraws({4})));
    Script wantLeft;
    wantLeft.Behaviour("WalkLeft").Sheet("walking~").Then(Lap(494, 706, -3, "walking~", true));
    EXPECT_THAT(left.Texts(), ElementsAreArray(wantLeft.lines));
}

TEST(Walk, EndsOnlyOnItsOwnDrawAfterAWholeLap) {
    // WalkRight ends on 2 and WalkLeft on 4; the other's value goes on walking.
    const PetTrace right = TraceBehaviour("WalkRight", At(100, 706, SeedForDraws({4, 1, 2})));
    Script want;
    want.Behaviour("WalkRight").Sheet("walking");
    want.Then(Lap(100, 706, 3, "walking", false)).Then(Lap(130, 706, 3, "walking", false));
    want.Then(Lap(160, 706, 3, "walking", false));
    EXPECT_THAT(right.Texts(), ElementsAreArray(want.lines));  // one sheet for all laps

    const PetTrace left = TraceBehaviour("WalkLeft", At(500, 706, SeedForDraws({2, 4})));
    EXPECT_EQ(left.Of("frame").size(), 20u);
    EXPECT_EQ(left.Of("sheet").size(), 1u);
    EXPECT_EQ(left.PauseSum(), 20 * 80);
}

TEST(Walk, StartedOffTheGroundStepsOntoIt) {
    const PetTrace t = TraceBehaviour("WalkRight", At(200, 100, SeedForDraws({2})));
    EXPECT_EQ(t.Of("move").front(), "move 203 706");
}

TEST(Walk, FollowsATaskbarThatMoves) {
    RunOptions o = At(200, 706, SeedForDraws({2}));
    o.taskbarChanges = {{240, 0}, {480, 700}};
    const PetTrace t = TraceBehaviour("WalkRight", o);
    EXPECT_THAT(t.Of("move"),
                ElementsAre("move 203 706", "move 206 706", "move 209 706", "move 212 3",
                            "move 215 3", "move 218 3", "move 221 668", "move 224 668",
                            "move 227 668", "move 230 668"));
}

TEST(EdgeTurn, RightEdgeIsTestedBeforeTheStepsMove) {
    // From 991 the first step reads 991 < 992 and walks on; the second reads
    // 994 and turns, with the window already at 997.
    const double seed = SeedForDraws({4, 2});
    const PetTrace from991 = TraceBehaviour("WalkRight", At(991, 706, seed));
    EXPECT_THAT(from991.Of("behaviour"), ElementsAre("behaviour WalkRight", "behaviour HappyJump",
                                                     "behaviour WalkLeft"));
    EXPECT_EQ(from991.Count("frame walking 2"), 1);
    EXPECT_LT(from991.TimeOf("frame walking 2"), from991.TimeOf("behaviour HappyJump"));
    EXPECT_GT(from991.TimeOf("frame walking 2"), from991.TimeOf("frame walking 1"));
    EXPECT_EQ(from991.Of("move")[2], "move 997 706");  // the hop's first move

    // On a desktop 500 wide the edge is at 468.
    RunOptions narrow = At(467, 706, seed);
    narrow.desktopWidth = 500;
    EXPECT_EQ(TraceBehaviour("WalkRight", narrow).Of("move")[2], "move 473 706");
}

TEST(EdgeTurn, SingleTurnAtTheRightEdgeLeavesTheMirroredSheet) {
    // The nested WalkLeft ends after one lap (draw 4), then the resumed
    // WalkRight finishes its lap on the sheet WalkLeft left (draw 2).
    const PetTrace t = TraceBehaviour("WalkRight", At(992, 706, SeedForDraws({4, 2})));
    Script want;
    want.Behaviour("WalkRight").Sheet("walking").Move(995, 706).Show("walking", 1, 80);
    want.Then(Hop(995, 706)).Sleep(500);
    want.Behaviour("WalkLeft").Sheet("walking~").Then(Lap(995, 706, -3, "walking~", true));
    for (int32_t i = 2; i <= 10; ++i) {  // the rest of WalkRight's lap, from x = 965
        want.Move(965 + 3 * (i - 1), 706).Show("walking~", i, 80);
    }
    EXPECT_THAT(t.Texts(), ElementsAreArray(want.lines));
    // The turn itself: eight hop frames, then 500 ms twice.
    EXPECT_EQ(t.TimeOf("behaviour WalkLeft") - t.TimeOf("behaviour HappyJump"), 8 * 80 + 1000);
}

TEST(EdgeTurn, SingleTurnAtTheLeftEdge) {
    const PetTrace t = TraceBehaviour("WalkLeft", At(0, 706, SeedForDraws({2, 4})));
    Script want;
    want.Behaviour("WalkLeft").Sheet("walking~").Move(-3, 706).Show("walking~", 10, 80);
    want.Then(Hop(-3, 706)).Sleep(500);
    want.Behaviour("WalkRight").Sheet("walking").Then(Lap(-3, 706, 3, "walking", false));
    for (int32_t i = 2; i <= 10; ++i) {
        want.Move(27 - 3 * (i - 1), 706).Show("walking", 11 - i, 80);
    }
    EXPECT_THAT(t.Texts(), ElementsAreArray(want.lines));

    // x = 1 is not yet at the edge: the turn comes in the step that reads -2.
    const PetTrace from1 = TraceBehaviour("WalkLeft", At(1, 706, SeedForDraws({2, 4})));
    EXPECT_EQ(from1.Of("frame")[1], "frame walking~ 9");
    EXPECT_EQ(from1.Of("behaviour")[1], "behaviour HappyJump");
    EXPECT_EQ(from1.Of("move")[2], "move -5 706");
}

TEST(EdgeTurn, DoubleTurnRestoresTheMatchingSheet) {
    // Desktop 100 wide: the right edge is at 68. WalkRight turns at once; the
    // nested WalkLeft walks 71 -> -1 (two laps and five steps) and turns; the
    // WalkRight nested in it walks one lap; then the WalkLeft and the first
    // WalkRight finish their laps.
    RunOptions o = At(68, 706, SeedFor(5, [](const std::vector<int32_t>& d) {
                          return d[0] != 4 && d[1] != 4 && d[2] == 2 && d[3] == 4 && d[4] == 2;
                      }));
    o.desktopWidth = 100;
    const PetTrace t = TraceBehaviour("WalkRight", o);
    EXPECT_THAT(t.Of("behaviour"),
                ElementsAre("behaviour WalkRight", "behaviour HappyJump", "behaviour WalkLeft",
                            "behaviour HappyJump", "behaviour WalkRight"));
    EXPECT_THAT(t.Of("sheet"), ElementsAre("sheet walking", "sheet happyjump", "sheet walking~",
                                           "sheet happyjump", "sheet walking"));
    const std::vector<std::string> frames = t.Of("frame");
    // 1 + 8 hop + 25 left + 8 hop + 10 right + 5 left resumed + 9 right resumed
    ASSERT_EQ(frames.size(), 66u);
    // The resumed WalkLeft shows 5..1 of the unmirrored sheet ...
    EXPECT_THAT(std::vector<std::string>(frames.begin() + 52, frames.begin() + 57),
                ElementsAre("frame walking 5", "frame walking 4", "frame walking 3",
                            "frame walking 2", "frame walking 1"));
    // ... and the first WalkRight 2..10 of the sheet that matches it again.
    EXPECT_EQ(frames[57], "frame walking 2");
    EXPECT_EQ(frames.back(), "frame walking 10");
    const std::vector<std::string> moves = t.Of("move");
    EXPECT_EQ(moves[1 + 8 + 24], "move -4 706");  // the turning step, which read -1
    EXPECT_EQ(moves[1 + 8 + 25 + 8 + 10 + 5 - 1], "move 11 706");
    EXPECT_EQ(moves.back(), "move 38 706");
}

TEST(EdgeTurn, TooNarrowToLeaveBothEdgesTurnsWithoutNesting) {
    // 20 px wide: at x = -6 both edges hold. Each step turns, in the same
    // walk, and reaches its quit check: the Escape ends the program.
    RunOptions o = Narrowed(At(-6, 706, SeedForDraws({1, 1, 1})), 20);
    o.keys = {{3000, EscapeKey}};
    const PetTrace t = TraceBehaviour("WalkRight", o);
    EXPECT_TRUE(t.Exited());
    EXPECT_EQ(t.ExitCode(), 0);
    EXPECT_THAT(t.Of("behaviour"),
                ElementsAre("behaviour WalkRight", "behaviour HappyJump", "behaviour WalkLeft",
                            "behaviour HappyJump", "behaviour WalkRight"));
    // Turned round in place: right to -3, hop, back to -6, hop.
    EXPECT_EQ(t.Of("move")[0], "move -3 706");
    EXPECT_EQ(t.Of("move")[9], "move -6 706");
}

TEST(HappyJump, RisesTwelvePixelsAndComesDown) {
    const PetTrace t = TraceBehaviour("HappyJump", At(300, 706, 1));
    EXPECT_THAT(t.Texts(), ElementsAreArray(Hop(300, 706).lines));
    EXPECT_EQ(t.PauseSum(), 1140);
    EXPECT_EQ(t.Count("frame happyjump 4"), 1);

    // Off the ground line: on the ground y from its first frame.
    const PetTrace off = TraceBehaviour("HappyJump", At(300, 200, 1));
    EXPECT_EQ(off.Of("move").front(), "move 300 706");
    EXPECT_EQ(off.Of("move").back(), "move 300 706");

    // Its heights are taken from the ground y of each step.
    RunOptions moving = At(300, 706, 1);
    moving.taskbarChanges = {{160, 500}};
    EXPECT_THAT(TraceBehaviour("HappyJump", moving).Of("move"),
                ElementsAre("move 300 706", "move 300 702", "move 300 460", "move 300 456",
                            "move 300 456", "move 300 460", "move 300 464", "move 300 468"));
}

TEST(WalkKeys, EscapeEndsTheWalkAfterTheFarewell) {
    // Typed during the second step's pause: seen by that step's quit check.
    RunOptions o = At(300, 706, SeedForDraws({1, 1}));
    o.keys = {{100, EscapeKey}};
    bool sheetsFreed = false;
    const PetTrace t = TraceBehaviour("WalkRight", o, [&](const TraceEvent& e) {
        if (e.kind == TraceEvent::Kind::Exit) {
            sheetsFreed = CurrentSheet == nullptr && StandardSheet == nullptr;
        }
    });
    Script want;
    want.Behaviour("WalkRight").Sheet("walking");
    want.Move(303, 706).Show("walking", 1, 80).Move(306, 706).Show("walking", 2, 80);
    want.Line("key 27").Show("standard", 1, 2000).Line("exit 0");
    EXPECT_THAT(t.Texts(), ElementsAreArray(want.lines));
    EXPECT_TRUE(t.Exited());
    EXPECT_EQ(t.ExitCode(), 0);
    EXPECT_EQ(t.TimeOf("exit 0"), 160 + 2000);
    EXPECT_TRUE(sheetsFreed);
}

TEST(WalkKeys, OtherKeysAreDroppedAndDelayTheEscape) {
    // A letter is taken by a quit check of its own and lost, so the Escape
    // behind it needs a second step; a close request before the letter goes
    // with it and costs no step.
    RunOptions o = At(300, 706, SeedForDraws({1, 1}));
    o.keys = {{10, CloseKey}, {20, 'a'}, {30, EscapeKey}};
    const PetTrace t = TraceBehaviour("WalkRight", o);
    EXPECT_THAT(t.Of("key"), ElementsAre("key " + std::to_string(CloseKey), "key 97", "key 27"));
    EXPECT_EQ(t.Of("frame").size(), 2u + 1u);
    EXPECT_EQ(t.TimeOf("frame standard 1"), 160);
    EXPECT_EQ(t.TimeOf("exit 0"), 2160);

    // A further key cuts the farewell short at its next 50 ms check.
    o.keys = {{100, EscapeKey}, {1000, 'x'}};
    const PetTrace cut = TraceBehaviour("WalkRight", o);
    EXPECT_EQ(cut.TimeOf("exit 0"), 160 + 17 * 50);
}

TEST(WalkKeys, EscapeDuringAnEdgeTurnEndsInTheOppositeWalk) {
    // Typed during the turning step's pause. The hop does not look at keys,
    // but the key cuts its 500 ms pause short; the turn's own 500 ms runs in
    // full, and the nested walk's first step sees the Escape.
    RunOptions o = At(992, 706, SeedForDraws({1, 1}));
    o.keys = {{40, EscapeKey}};
    const PetTrace t = TraceBehaviour("WalkRight", o);
    Script want;
    want.Behaviour("WalkRight").Sheet("walking").Move(995, 706).Show("walking", 1, 80);
    want.Then(Hop(995, 706)).Sleep(500);
    want.Behaviour("WalkLeft").Sheet("walking~").Move(992, 706).Show("walking~", 10, 80);
    want.Line("key 27").Show("standard", 1, 2000).Line("exit 0");
    EXPECT_THAT(t.Texts(), ElementsAreArray(want.lines));
    const int64_t hopEnd = 80 + 8 * 80;
    EXPECT_EQ(t.TimeOf("behaviour WalkLeft"), hopEnd + 0 + 500);
    EXPECT_EQ(t.TimeOf("exit 0"), hopEnd + 500 + 80 + 2000);
}
