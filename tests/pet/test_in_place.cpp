// The behaviours that stay where the pet stands: sleeping, freezing,
// sneezing, shouting and idling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "harness.h"
#include "pet.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

// A Right trace turned into what its Left variant must show: the same
// script on the mirrored sheet, frame N + 1 - k for frame k.
std::vector<std::string> Mirrored(const std::vector<std::string>& right,
                                  const std::string& rightName, const std::string& leftName,
                                  const std::string& sheet, int32_t frames) {
    std::vector<std::string> out;
    const std::regex frame("frame " + sheet + " ([0-9]+)");
    for (const std::string& line : right) {
        std::smatch m;
        if (line == "behaviour " + rightName) {
            out.push_back("behaviour " + leftName);
        } else if (line == "sheet " + sheet) {
            out.push_back("sheet " + sheet + "~");
        } else if (std::regex_match(line, m, frame)) {
            out.push_back("frame " + sheet + "~ " +
                          std::to_string(frames + 1 - std::stoi(m[1].str())));
        } else {
            out.push_back(line);
        }
    }
    return out;
}

}  // namespace

TEST(Sleeping, RightFallsAsleepSleepsWholeSecondsAndWakes) {
    RunOptions o;
    o.seed = 5;
    const int32_t m = FirstDraw(5, 15);
    const PetTrace t = TraceBehaviour("SleepingRight", o);
    Script want;
    want.Behaviour("SleepingRight").Sheet("sleeping");
    for (int32_t k = 1; k <= 8; ++k) {
        want.Show("sleeping", k, 200);
    }
    want.Sleep(1000 * m);
    for (int32_t k = 9; k <= 14; ++k) {
        want.Show("sleeping", k, 200);
    }
    want.Show("sleeping", 1, 500);
    EXPECT_THAT(t.Texts(), ElementsAreArray(want.lines));
    EXPECT_EQ(t.PauseSum(), 3300 + 1000 * m);
    EXPECT_TRUE(t.Of("move").empty());
}

TEST(Sleeping, LeftIsTheMirrorOfRight) {
    RunOptions o;
    o.seed = 9;
    const PetTrace right = TraceBehaviour("SleepingRight", o);
    const PetTrace left = TraceBehaviour("SleepingLeft", o);
    EXPECT_THAT(left.Texts(), ElementsAreArray(Mirrored(right.Texts(), "SleepingRight",
                                                        "SleepingLeft", "sleeping", 14)));
    EXPECT_EQ(left.Of("frame")[7], "frame sleeping~ 7");  // stays on through the sleep
    EXPECT_EQ(left.Of("frame").back(), "frame sleeping~ 14");
}

TEST(Sleeping, TakesEachOfItsFifteenSleeps) {
    std::set<std::string> sleeps;
    for (double seed = 1; seed <= 200 && sleeps.size() < 15; ++seed) {
        RunOptions o;
        o.seed = seed;
        sleeps.insert(TraceBehaviour("SleepingRight", o).Of("sleep")[8]);
    }
    std::set<std::string> want;
    for (int32_t m = 1; m <= 15; ++m) {
        want.insert("sleep " + std::to_string(1000 * m));
    }
    EXPECT_EQ(sleeps, want);
}

TEST(Sleeping, AKeyEndsTheSleepEarlyAndTheWakeFollows) {
    RunOptions o;
    o.seed = 5;
    o.keys = {{2000, 'q'}};
    const int32_t m = FirstDraw(5, 15);
    ASSERT_GE(m, 2);
    const PetTrace t = TraceBehaviour("SleepingRight", o);
    // The sleep begins at 1600 and checks every 50 ms: it ends at 2000.
    EXPECT_EQ(t.TimeOf("frame sleeping 9"), 2000);
    EXPECT_EQ(t.Of("frame").size(), 15u);
    EXPECT_TRUE(t.Of("key").empty());  // nobody polls
}

TEST(Freeze, SomersaultShiverAndThaw) {
    const PetTrace t = TraceBehaviour("Freeze", At(400, 706));
    Script want;
    want.Behaviour("Freeze").Sheet("freeze");
    for (int32_t i = 1; i <= 20; ++i) {
        if (i >= 7 && i <= 11) {
            want.Move(400, 706 - 2 * i);
        } else if (i >= 13 && i <= 17) {
            want.Move(400, 706 - 34 + 2 * i);
        }
        want.Show("freeze", i, 80);
    }
    for (int32_t n = 0; n < 20; ++n) {
        want.Show("freeze", 19, 50).Show("freeze", 20, 50);
    }
    want.Frame("freeze", 19).Show("freeze", 6, 80).Show("freeze", 5, 80).Show("freeze", 4, 80);
    want.Show("standard", 4, 200);
    EXPECT_THAT(t.Texts(), ElementsAreArray(want.lines));
    EXPECT_EQ(t.PauseSum(), 4040);
}

TEST(Freeze, HeightsAboveTheGroundLine) {
    // Started well above the ground: it stays there for frames 1 to 6.
    const PetTrace t = TraceBehaviour("Freeze", At(50, 300));
    EXPECT_THAT(t.Of("move"),
                ElementsAre("move 50 692", "move 50 690", "move 50 688", "move 50 686",
                            "move 50 684", "move 50 698", "move 50 700", "move 50 702",
                            "move 50 704", "move 50 706"));
    EXPECT_EQ(t.TimeOf("move 50 692"), 6 * 80);

    // Every move asks for the ground afresh.
    RunOptions o = At(50, 706);
    o.taskbarChanges = {{9 * 80, 0}, {12 * 80, 500}};  // before the moves for 10 and 13
    EXPECT_THAT(TraceBehaviour("Freeze", o).Of("move"),
                ElementsAre("move 50 692", "move 50 690", "move 50 688", "move 50 -17",
                            "move 50 -19", "move 50 460", "move 50 462", "move 50 464",
                            "move 50 466", "move 50 468"));
}

TEST(Sneeze, RightAndItsMirror) {
    const PetTrace right = TraceBehaviour("SneezeRight");
    Script want;
    want.Behaviour("SneezeRight").Sheet("hatschi");
    want.Show("hatschi", 1, 1000).Show("hatschi", 2, 150).Show("hatschi", 3, 80);
    want.Show("hatschi", 4, 80).Show("hatschi", 5, 200).Show("hatschi", 4, 80);
    want.Show("hatschi", 1, 500);
    EXPECT_THAT(right.Texts(), ElementsAreArray(want.lines));
    EXPECT_EQ(right.PauseSum(), 2090);
    EXPECT_THAT(TraceBehaviour("SneezeLeft").Texts(),
                ElementsAreArray(Mirrored(want.lines, "SneezeRight", "SneezeLeft", "hatschi", 5)));
}

TEST(Shout, RightAndItsMirror) {
    const PetTrace right = TraceBehaviour("ShoutRight");
    Script want;
    want.Behaviour("ShoutRight").Sheet("shout");
    want.Show("shout", 1, 500).Show("shout", 2, 80).Show("shout", 3, 80).Show("shout", 4, 80);
    want.Sleep(320);
    want.Show("shout", 4, 90).Show("shout", 3, 90).Show("shout", 2, 90).Show("shout", 1, 90);
    want.Sleep(110);
    EXPECT_THAT(right.Texts(), ElementsAreArray(want.lines));
    EXPECT_EQ(right.PauseSum(), 1530);
    const PetTrace left = TraceBehaviour("ShoutLeft");
    EXPECT_THAT(left.Texts(),
                ElementsAreArray(Mirrored(want.lines, "ShoutRight", "ShoutLeft", "shout", 4)));
    EXPECT_EQ(left.Of("frame").back(), "frame shout~ 4");
}

TEST(Idle, StandsForATenthOfASecond) {
    bool currentUntouched = true;
    const PetTrace t = TraceBehaviour("Idle", {}, [&](const TraceEvent&) {
        currentUntouched = currentUntouched && CurrentSheet == nullptr;
    });
    EXPECT_THAT(t.Texts(), ElementsAre("behaviour Idle", "frame standard 5", "sleep 100"));
    EXPECT_TRUE(currentUntouched);
}
