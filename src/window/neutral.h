// Helpers that more than one desktop backend needs and that know nothing of
// any desktop: which pixels of a picture are opaque, how a picture looks in
// a buffer with an alpha channel, and which key code a keysym gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A run of opaque pixels within one row.
struct PixelRun {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    bool operator==(const PixelRun&) const = default;
};

// The opaque pixels of width x height presented pixels (rows top first, no
// padding) as runs one row high, sorted by y and then x. With alpha, the
// pixels whose alpha byte is not 0; otherwise those whose RGB is not
// 0xFF00FF (the alpha byte does not count).
void OpaquePixelRuns(const uint32_t* pixels, int32_t width, int32_t height, bool alpha,
                     std::vector<PixelRun>& runs);

// Presented pixels (count of them) as a buffer with alpha shows them: RGB
// 0xFF00FF, whatever the alpha byte, becomes 0 (fully transparent); any
// other pixel keeps its RGB with alpha 0xFF.
void MaskToAlpha(const uint32_t* rows, size_t count, uint32_t* out);

// The key buffer code of a key press, from its keysym (X11 and xkbcommon
// share the values) and the Latin-1 character it types, or -1 when it types
// none. -1 for a press that gives no key (modifiers such as Shift or Num
// Lock on their own).
int32_t KeyCodeOfKeysym(uint32_t keysym, int32_t character);
