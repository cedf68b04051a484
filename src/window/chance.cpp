// The random generator: MT19937 with its own seeding.
#include <cmath>
#include <cstdint>

#include "core.h"
#include "window.h"

// MT19937 with its own seeding: a linear congruential fill of the state.
static uint32_t MtState[624];
static int32_t MtPosition = 624;
static bool MtSeeded = false;

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
    MtState[0] = static_cast<uint32_t>(static_cast<uint64_t>(whole));
    for (int i = 1; i < 624; ++i) MtState[i] = MtState[i - 1] * 1664525u + 1013904223u;
    MtPosition = 624;
    MtSeeded = true;
}

static void Regenerate() {
    for (int i = 0; i < 624; ++i) {
        const uint32_t y = (MtState[i] & 0x80000000u) | (MtState[(i + 1) % 624] & 0x7FFFFFFFu);
        MtState[i] = MtState[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    MtPosition = 0;
}

double RandomUnit() {
    if (!MtSeeded) SeedRandom(0.0);
    if (MtPosition >= 624) Regenerate();
    uint32_t y = MtState[MtPosition++];
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
