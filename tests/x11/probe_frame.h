// The frame that the probe puts into the window when told "frame test", and
// that the end-to-end tests expect to see.
#pragma once

#include <cstdint>

// Transparent: 0xFFFF00FF and, since only RGB counts, 0x00FF00FF.
// Opaque: a disc around the middle, a row of alternating opaque 0xFFFF00FE
// (one bit off the mask) and transparent 0x00FF00FF pixels, and the corner
// pixel (34, 0) in black with a clear alpha byte.
inline uint32_t TestFramePixel(int32_t x, int32_t y) {
    const int32_t dx = x - 17, dy = y - 15;
    if (dx * dx + dy * dy <= 100) return (x + y) % 5 == 0 ? 0xFFFF00FEu : 0xFFFF80C0u;
    if (y == 30) return x % 2 == 0 ? 0x00FF00FFu : 0xFFFF00FEu;
    if (x == 34 && y == 0) return 0x00000000u;
    return y < 3 ? 0x00FF00FFu : 0xFFFF00FFu;
}

inline bool TestFrameOpaque(int32_t x, int32_t y) {
    return (TestFramePixel(x, y) & 0x00FFFFFFu) != 0x00FF00FFu;
}

// A pixel the pointer can go through, and one that stops it.
constexpr int32_t ClearX = 3, ClearY = 10;
constexpr int32_t SolidX = 17, SolidY = 15;
