// Walking, the edge turn and the happy jump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "pet.h"

using ::testing::ElementsAreArray;

namespace {

// The laps a walk makes when the generator, seeded with seed, gives draws of
// RandomInt(5) until the ending value; the walk draws nothing else.
int32_t LapsFor(double seed, int32_t ending) {
    SimReset();
    SeedRandom(seed, 0);
    int32_t laps = 1;
    while (RandomInt(5) != ending) {
        ++laps;
    }
    return laps;
}

// A seed whose walk makes exactly `laps` laps.
double SeedForLaps(int32_t laps, int32_t ending) {
    for (double seed = 1;; ++seed) {
        if (LapsFor(seed, ending) == laps) {
            return seed;
        }
    }
}

}  // namespace

TEST(Walk, OneLapRightIsTenStepsOfThreePixels) {
    RunOptions o;
    o.seed = SeedForLaps(1, 2);
    const PetTrace trace = TraceBehaviour("WalkRight", o);
    Script want;
    want.Behaviour("WalkRight").Sheet("walking");
    for (int32_t i = 1; i <= 10; ++i) {
        want.Move(494 + 3 * i, 706).Show("walking", i, 80);
    }
    EXPECT_THAT(trace.Texts(), ElementsAreArray(want.lines));
    EXPECT_FALSE(trace.Exited());
    EXPECT_EQ(trace.result.endTime, 800);
}
