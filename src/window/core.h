// State of the window layer's platform-neutral core, for the backends and the
// tests. The pet itself uses window.h only.
#pragma once

#include <cstdint>

#include "window.h"

constexpr int32_t MaxRows = 35;

// The surface the window shows (pitch exactly width * 4), its per-row marks
// and the rows as presented: the framebuffer with the alpha byte cleared.
extern Surface Framebuffer;
extern bool RowMarks[MaxRows];
extern uint32_t* ConvertedRows;  // Framebuffer.width * Framebuffer.height pixels

// The one lock over the framebuffer, the row marks and the key buffer. The
// nesting count and the held flag belong to the logic thread's side.
struct ScreenLockState {
    int32_t count = 0;
    bool held = false;
};
extern ScreenLockState ScreenLock;
void TakeScreenLock();
void ReleaseScreenLock();

// The ring of typed keys: 16 slots, at most 15 keys.
struct KeyRing {
    int32_t slot[16] = {};
    int32_t read = 0;
    int32_t write = 0;
};
extern KeyRing KeyBuffer;
extern bool KeyHitFlag;

extern uint32_t ForegroundColour;
extern uint32_t BackgroundColour;

// The caption: at most 127 characters and a terminating zero.
extern char TitleBuffer[128];
// True from a successful OpenPetWindow until closing begins.
extern bool WindowOpen;
// Effective flags of the open window.
extern int32_t WindowFlags;
// Why the last OpenPetWindow failed, in a few words for the user ("no
// memory for its pixels"); empty after a success. A backend that knows
// better writes its own reason here before it reports the failure.
extern char OpenFailure[128];

// Key buffer codes of keys without a character, the same on every platform:
// one code after another from 256.
enum : int32_t {
    KeyOther = 256,  // any other key without a character
    KeyUp,           // 257
    KeyDown,
    KeyLeft,
    KeyRight,
    KeyInsert,
    KeyDelete,
    KeyHome,
    KeyEnd,
    KeyPageUp,
    KeyPageDown,     // 266
    KeyF1,           // 267: F1 ... F10 are 267 ... 276
    KeyF11 = KeyF1 + 10,
    KeyF12,          // 278
};

// Codes 256 to 276 of extended keys as the second character of PollKey.
extern const char ExtendedKeyTable[21];

// Rounds a pixel coordinate to the nearest integer, halves away from zero.
int32_t RoundCoordinate(float v);

// Back to the state before any window was opened (tests and the simulator).
void ResetWindowCore();
