// The pet's own arithmetic: random draws and rounding to whole numbers.
#include <cmath>
#include <cstdint>

#include "pet.h"

int32_t RandomInt(int32_t n) {
    // RandomUnit has 32 bits of resolution, so u * n is exact for every n the
    // pet uses and the floor never lands on n itself.
    const double u = RandomUnit();
    return static_cast<int32_t>(std::floor(u * n)) + 1;
}

int32_t Nearest(double v) {
    // The default rounding mode rounds halves to even.
    return static_cast<int32_t>(std::nearbyint(v));
}
