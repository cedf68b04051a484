// The random generator: MT19937 with its own seeding.
#include <cmath>
#include <cstdint>

#include "core.h"
#include "window.h"

// MT19937 with its own seeding: a linear congruential fill of the state.
static struct {
    uint32_t state[624];
    int32_t position = 624;
    bool seeded = false;
} Generator;

void SeedRandom(double seed) {
    int64_t whole = 0;
    if (std::isnan(seed))
        whole = 0;
    else if (seed >= 9223372036854775807.0)
        whole = INT64_MAX;
    else if (seed <= -9223372036854775808.0)
        whole = INT64_MIN;
    else
        whole = static_cast<int64_t>(seed);  // truncated toward zero
    uint32_t* const mt = Generator.state;
    mt[0] = static_cast<uint32_t>(static_cast<uint64_t>(whole));
    for (int i = 1; i < 624; ++i) mt[i] = mt[i - 1] * 1664525u + 1013904223u;
    Generator.position = 624;
    Generator.seeded = true;
}

static void Regenerate() {
    uint32_t* const mt = Generator.state;
    for (int i = 0; i < 624; ++i) {
        const uint32_t y = (mt[i] & 0x80000000u) | (mt[(i + 1) % 624] & 0x7FFFFFFFu);
        mt[i] = mt[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    Generator.position = 0;
}

double RandomUnit() {
    if (!Generator.seeded) SeedRandom(0.0);
    if (Generator.position >= 624) Regenerate();
    uint32_t y = Generator.state[Generator.position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y * (1.0 / 4294967296.0);
}

// Before any SeedRandom the generator runs as if seeded with 0.
void ResetKeysAndChance() {
    ResetKeys();
    SeedRandom(0.0);
}
