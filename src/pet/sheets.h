// Building sprite sheets from their palette indices: the pieces under
// LoadSheet, open to the tests and the tools that look at the art.
#pragma once

#include <cstdint>

#include "sprites.h"
#include "window.h"

// The pixel colour a value of the sprite data stands for: Palette[v] for
// 1 <= v <= 24, the value itself otherwise.
uint32_t SheetColour(int32_t value);

// The stored sheet called name (first match in SpriteData's order), or null.
const SheetData* FindSheet(const char* name);

// Writes the values of data into every pixel of sheet, row after row, each
// row left to right (right to left when mirrored), continuing with the next
// value wherever a row ends; the reading stops at the end of data, leaving
// the remaining pixels as they were. A null sheet or null data writes
// nothing.
void FillSheet(Surface* sheet, const SheetData* data, bool mirrored);
