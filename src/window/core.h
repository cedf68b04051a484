// State of the window layer's platform-neutral core, for the backends and the
// tests. The pet itself uses window.h only.
#pragma once

#include <atomic>
#include <cstdint>

#include "neutral.h"
#include "window.h"

constexpr int32_t MaxRows = 35;

// The surface the window shows (pitch exactly width * 4), its per-row marks
// and the rows as presented: the framebuffer with the alpha byte cleared,
// enlarged to the window's device size.
extern Surface Framebuffer;
extern bool RowMarks[MaxRows];
extern uint32_t* ConvertedRows;  // Scaling.deviceWidth * Scaling.deviceHeight pixels

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
extern std::atomic<bool> KeyHitFlag;  // also read without the lock, by the pauses

extern uint32_t ForegroundColour;
extern uint32_t BackgroundColour;

// The record of the pet window, kept here once for every backend. The
// logic thread writes it, except the position, which the window thread
// stores after every move it carries out (or the compositor reports).
struct WindowRecord {
    bool open = false;    // from a successful OpenPetWindow until closing begins
    int32_t flags = 0;    // the effective flags
    int32_t width = 0;
    int32_t height = 0;
    char title[128] = "pomfy";  // the caption: at most 127 characters
    // Why the last OpenPetWindow failed, in a few words for the user ("there
    // is no memory for its pixels"); empty after a success.
    char failure[128] = "";
};
extern WindowRecord PetWindow;

// The desktop's scale for the run, read once with its size (backend.cpp),
// and the window's size in device pixels. The pet works in logical pixels;
// positions and sizes are converted here, at the seam to the backend
// (scale.cpp).
constexpr double MostScale = 5;  // 480 dpi, the most Windows offers
struct DeviceScale {
    double factor = 1;            // device pixels per logical pixel, 1 to MostScale
    bool devicePositions = true;  // the backend's positions are device pixels
    int32_t deviceWidth = 0;      // the open window's, round(width * factor)
    int32_t deviceHeight = 0;
};
extern DeviceScale Scaling;
// A length of the window in device pixels: round(logical * factor).
int32_t DeviceLength(int32_t logical);
// A position from logical pixels to the backend's and back, halves away
// from zero; for every factor from 1 up, ToLogicalPosition(ToDevicePosition(x))
// is x, so a pet that stands still does not drift.
int32_t ToDevicePosition(int32_t logical);
int32_t ToLogicalPosition(int32_t device);
// An extent of the desktop (its width or height) in logical pixels, rounded
// down so that it lies within the device one.
int32_t ToLogicalExtent(int32_t device);
// The column and row maps of a window width x height enlarged to
// deviceWidth x deviceHeight; false when memory runs out. At the same size
// nothing is mapped and ConvertRow copies as it is.
bool PrepareEnlargement(int32_t width, int32_t height, int32_t deviceWidth, int32_t deviceHeight);
void FreeEnlargement();
// The first device row of framebuffer row y (y == height: the device height).
int32_t FirstDeviceRow(int32_t y);
// Framebuffer row y into its block of ConvertedRows, alpha byte cleared.
void ConvertRow(int32_t y);
// The opaque pixels of ConvertedRows (neutral.h) in logical pixels: one
// run per run of opaque sprite pixels. On the window thread.
void OpaqueLogicalRuns(std::vector<PixelRun>& runs);
// The window's position as last carried out; (0, 0) before it opens.
void WindowPosition(int32_t& x, int32_t& y);

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

// The backend this program runs on, picked at the first call into the
// window layer (backend.cpp). Ends the program with one line when none of
// the program's backends can start.
const struct PlatformBackend& Backend();
// The backend's monotonic clock, in nanoseconds.
int64_t NowNs();

// The window thread that the core runs for a desktop backend (cycle.cpp).
// Each returns what the direct backend's entry point would.
const char* StartWindowThread(int32_t x, int32_t y);  // nullptr, or why it failed
void StopWindowThread();
void QueueWindowMove(int32_t x, int32_t y);
void QueueWindowTitle(const char* title);  // returns once the caption is set
void AnnounceMarkedRows();                 // the logic thread let go of the lock with new marks
// Whether the calling thread is the window thread.
bool OnWindowThread();
// Forgets the desktop size read (tests and the simulator; backend.cpp).
void ResetDesktopKnowledge();
// The lock under ScreenLock, on either kind of backend (lock.cpp).
void LockForLogic();
void UnlockForLogic();
// Blocks the logic thread until NowNs() reaches until or, with keys, until
// a key arrives (the key-hit flag is set); may return early (pauses.cpp).
void WaitOnLogic(int64_t until, bool keys);
// PutKey calls it: it ends a wait for keys (pauses.cpp).
void KeyArrivedForLogic();
void ResetKeys();
// When the key-hit flag was set, on the NowNs clock.
int64_t KeyHitTime();

// The framebuffer and ConvertedRows of a window of this size (ConvertedRows
// at its device size), black and unmarked, with the colours as at opening
// (drawing.cpp); false when memory runs out.
bool AllocateFramebuffer(int32_t width, int32_t height);
void FreeFramebuffer();
// Rows that the window thread marked wait for a cycle (cycle.cpp).
void RowsMarkedByWindow();
// The key buffer empty and the generator as if seeded with 0 (keys.cpp,
// chance.cpp).
void ResetKeysAndChance();

// How much the window layer has done since the program started: read from
// outside, by the benchmarks (through a debugger), never by the program.
struct WindowCounts {
    std::atomic<uint64_t> pauses{0};         // SleepMs calls
    std::atomic<uint64_t> cycles{0};         // window cycles run
    std::atomic<uint64_t> visibleCycles{0};  // of them, those that presented or moved
};
extern WindowCounts Counts;

// Back to the state before any window was opened (tests and the simulator).
void ResetWindowCore();
