// The window layer's platform-neutral core: its record of the window and
// what its files share, for the backends and the tests. The pet itself uses
// window.h only.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "neutral.h"
#include "platform.h"
#include "window.h"

constexpr int32_t MaxRows = 35;

// The record of the pet window, kept here once for every backend; a backend
// keeps beside it only its native handles and caches. The logic thread
// writes it, except the position, which the window thread stores after
// every move it carries out (or the desktop reports), and the converted
// rows and the shape, which the window thread makes under the lock.
struct WindowRecord {
    bool open = false;  // from a successful OpenPetWindow until closing begins
    int32_t width = 0;
    int32_t height = 0;
    char title[128] = "pomfy";  // the caption: at most 127 characters
    // Why the last OpenPetWindow failed, in a few words for the user ("there
    // is no memory for its pixels"); empty after a success.
    char failure[128] = "";
    // The top-left corner as last carried out, packed (x high, y low); (0,
    // 0) before the window opens. WindowPosition reads it.
    std::atomic<uint64_t> position{0};

    // The picture: the framebuffer the pet draws into (pitch exactly width *
    // 4), its rows marked since they were last converted, and the rows as
    // the backend shows them (width * height pixels, in rowForm).
    Surface framebuffer;
    bool rowMarks[MaxRows] = {};
    bool unannouncedMarks = false;  // marked since the driver last heard of marks
    uint32_t* convertedRows = nullptr;
    RowForm rowForm = RowForm::Opaque;
    // The opaque pixels of the converted rows as ShapeChange last gave them.
    std::vector<PixelRun> shape;
    bool shapeGiven = false;
    uint32_t foreground = 0xFFFFFFFFu;  // SetColours
    uint32_t background = 0xFF000000u;

    // The desktop's size in logical pixels and its scale, read once: the
    // window's place and the edges of every walk are measured against it.
    bool desktopKnown = false;
    int32_t desktopWidth = 0;
    int32_t desktopHeight = 0;
    // Device pixels per logical pixel, 1 to MostScale, and whether the
    // backend's positions are device pixels (else logical, as the pet's).
    double scale = 1;
    bool devicePositions = true;
    // The window's size in device pixels, round(width * scale): the size of
    // the converted rows and of the window on the screen.
    int32_t deviceWidth = 0;
    int32_t deviceHeight = 0;
};
extern WindowRecord PetWindow;
// The window's position as last carried out; (0, 0) before it opens.
void WindowPosition(int32_t& x, int32_t& y);

// --- The desktop's scale (scale.cpp) -------------------------------------
// The pet works in logical pixels; positions and sizes are converted here,
// at the seam to the backend, and the converted rows are the framebuffer
// enlarged to the window's device size, each sprite pixel a block of whole
// device pixels (nearest neighbour), so that the mask colour stays exact
// and the shape follows the sprite pixel for pixel.
constexpr double MostScale = 5;  // 480 dpi, the most Windows offers
// A length of the window in device pixels: round(logical * scale).
int32_t DeviceLength(int32_t logical);
// A position from logical pixels to the backend's and back, halves away
// from zero; for every scale from 1 up ToLogicalPosition(ToDevicePosition(x))
// is x, so that a pet that stands still does not drift.
int32_t ToDevicePosition(int32_t logical);
int32_t ToLogicalPosition(int32_t device);
// An extent of the desktop (its width or height), or the taskbar's top
// edge, in logical pixels, rounded down so that it lies within the device
// one.
int32_t ToLogicalExtent(int32_t device);
// The column and row maps of the window of PetWindow's width x height at
// its device size; false when memory runs out. At scale 1 nothing is mapped
// and rows are converted as they are.
bool PrepareEnlargement(int32_t width, int32_t height);
void FreeEnlargement();
// The first device row of framebuffer row y (y == height: the device height).
int32_t FirstDeviceRow(int32_t y);
// Framebuffer row y into its block of the converted rows, in their form.
void ConvertRow(int32_t y);
// Runs of device pixels (rows of the converted rows) as runs of logical
// pixels: one for each run in the first device row of a block.
void ToLogicalRuns(const std::vector<PixelRun>& device, std::vector<PixelRun>& logical);

// The screen lock, over the framebuffer, the row marks, the converted rows
// and the key buffer. The logic thread takes it with TakeScreenLock, which
// nests (this is its count); the window thread with a
// ScreenLockOnWindowThread.
struct ScreenLockState {
    int32_t count = 0;
    bool held = false;
};
extern ScreenLockState ScreenLock;
void TakeScreenLock();
void ReleaseScreenLock();

// The ring of typed keys: 16 slots, at most 15 keys, and the key-hit flag,
// also read without the lock by the pauses.
struct KeyRing {
    int32_t slot[16] = {};
    int32_t read = 0;
    int32_t write = 0;
    std::atomic<bool> hit{false};
    std::atomic<int64_t> hitAt{0};  // when hit was last set after being clear, on NowNs
};
extern KeyRing Keys;

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
const PlatformBackend& Backend();
// Its driver.
const WindowDriver& Driver();
// The backend's monotonic clock, in nanoseconds.
int64_t NowNs();

// Whether the calling thread is the window thread.
bool OnWindowThread();
// The parts of WindowThreadDriver kept beside what they serve: the logic
// thread's side of the screen lock (lock.cpp) and its wait (pauses.cpp).
void LogicTakesScreenLock();
void LogicReleasesScreenLock();
void LogicWaits(int64_t until, bool keys);
// PutKey calls it: it ends a wait for keys (pauses.cpp).
void KeyArrivedForLogic();

// The framebuffer and the converted rows of a window of this size, black
// and unmarked, with the colours as at opening (drawing.cpp); false when
// memory runs out.
bool AllocateFramebuffer(int32_t width, int32_t height);
void FreeFramebuffer();
// Rows that the window thread marked wait for a cycle (cycle.cpp).
void RowsMarkedByWindow();
// The key buffer empty and the generator as if seeded with 0 (keys.cpp,
// chance.cpp).
void ResetKeys();
void ResetKeysAndChance();

// Watches the window layer from outside: the headless backend's trace.
// nullptr: nothing watches.
struct WindowObserver {
    void (*PauseStarts)(int32_t ms);  // SleepMs's argument, as each pause begins
    void (*KeyTaken)(int32_t code);   // under the lock, as PollKey takes a key
};
extern const WindowObserver* Observer;

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
