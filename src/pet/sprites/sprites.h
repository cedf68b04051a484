// The pet's art: twelve sprite sheets compiled into the program, each 35 rows
// of palette indices (1 to 24, 1 where the pet is transparent). A sheet is a
// strip of frames 35 x 35 pixels side by side, so every row holds
// frames x 35 values: the 35 columns of frame 1, then those of frame 2 ...
// Value x of row y is pixel (x, y) of the sheet as stored (facing right).
#pragma once

#include <cstdint>

struct SheetData {
    const char* name;       // "standard", "walking" ...
    int32_t frames;         // frames side by side
    const uint8_t* values;  // 35 rows of frames * 35 values, top row first
};

constexpr int32_t SheetCount = 12;
// Width and height of one frame in pixels.
constexpr int32_t SheetFrameSize = 35;

// The twelve sheets, in the order in which a name is looked up.
extern const SheetData SpriteData[SheetCount];
