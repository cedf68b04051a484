// The generator against the library's MT19937 loaded with the same state.
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>

#include "fixture.h"

namespace {

// std::mt19937 holding the linear fill of this 32-bit seed, positioned at
// the end of its state so that its first call regenerates all 624 words.
std::mt19937 Oracle(uint32_t seed) {
    std::stringstream state;
    uint32_t word = seed;
    for (int i = 0; i < 624; ++i) {
        state << word << ' ';
        word = word * 1664525u + 1013904223u;
    }
    state << 624;
    std::mt19937 gen;
    state >> gen;
    EXPECT_FALSE(state.fail());
    return gen;
}

TEST(Random, MatchesMt19937WithTheLinearFill) {
    const struct {
        double seed;
        uint32_t low;
    } seeds[] = {
        {1.0, 1u}, {12.9, 12u}, {0.0, 0u}, {-3.7, 0xFFFFFFFDu},
        {4294967301.0, 5u},  // only the low 32 bits count
        {1712345678.25, 1712345678u},
    };
    for (const auto& s : seeds) {
        SeedRandom(s.seed);
        std::mt19937 oracle = Oracle(s.low);
        for (int i = 0; i < 2000; ++i) {  // crosses three regenerations
            const double expected = oracle() / 4294967296.0;
            ASSERT_EQ(RandomUnit(), expected) << "seed " << s.seed << " draw " << i;
        }
    }
}

TEST(Random, SeedsAreTruncatedAndStepsAre2ToTheMinus32) {
    SeedRandom(12.9);
    double a[50];
    for (double& v : a) v = RandomUnit();
    SeedRandom(12.0);
    for (double v : a) EXPECT_EQ(RandomUnit(), v);
    SeedRandom(13.0);
    int same = 0;
    for (double v : a) same += RandomUnit() == v;
    EXPECT_LT(same, 3);

    // Seeds no integer can hold are taken without undefined behaviour.
    SeedRandom(std::nan(""));
    SeedRandom(1e300);
    SeedRandom(-1e300);
    for (int i = 0; i < 5000; ++i) {
        const double v = RandomUnit();
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
        const double scaled = v * 4294967296.0;
        ASSERT_EQ(scaled, std::floor(scaled));
    }
}

}  // namespace
