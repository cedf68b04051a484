// The window layer: everything the pet calls to show itself, move, read keys,
// pause and draw random numbers. A program carries one or more backends
// (Wayland and X11 on Linux, Win32 on Windows, the headless one in the tests
// and tools) and runs on the first that starts; this header is the same for
// all.
#pragma once

#include <cstdint>
#include <string>

// An image in memory: width x height pixels 0xAARRGGBB, rows top first.
// pitch is the distance in bytes from one row to the next, width * 4 rounded
// up to a multiple of 16 (the framebuffer's is exactly width * 4).
struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    uint32_t* pixels = nullptr;
};

// Pixel at (x, y) of a surface, without any checks.
inline uint32_t& PixelAt(const Surface& s, int32_t x, int32_t y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(s.pixels) +
                                       static_cast<intptr_t>(y) * s.pitch)[x];
}

constexpr uint32_t MaskColour = 0xFFFF00FFu;

// A coordinate of SetWindowPosition that keeps the window's current one.
constexpr int32_t KeepCoordinate = INT32_MIN;

// The key a close request puts into the key buffer (PollKey: "\xFF" "k").
constexpr int32_t CloseKey = 0x6BFF;

// --- The window ---------------------------------------------------------
// The primary screen's size in pixels, taskbar included; works before the
// window is open.
void GetDesktopSize(int32_t& width, int32_t& height);
// Opens the pet window centred on the primary screen: frameless, out of
// the way of window switching, shaped to the pixels that are not
// MaskColour and never on top. 0 on success, non-zero on failure.
int32_t OpenPetWindow(int32_t width, int32_t height);
// Sets the caption (at most 127 characters); returns once the window can be
// found by it.
void SetWindowTitle(const char* title);
// The window's top-left corner now, each coordinate cut to 16 bits; (0, 0)
// when no window is open.
void GetWindowPosition(int32_t& x, int32_t& y);
// Queues a move of the window's top-left corner; the window thread carries
// it out in its next cycle, in request order, unclamped.
void SetWindowPosition(int32_t x, int32_t y);

// --- The desktop ----------------------------------------------------------
// Top edge, in desktop pixels, of the bar that reserves the bottom of the
// screen (taskbar or panel); 0 when there is none.
int32_t GetTaskbarTop();
// Takes the top-level window with this title out of the taskbar and shows it
// again, with its shape, position and picture unchanged.
void RemoveFromTaskbar(const char* title);

// --- Surfaces and drawing ---------------------------------------------------
// A new surface with every pixel MaskColour; null when the window is not
// open, a size is not positive, or memory runs out.
Surface* CreateSurface(int32_t width, int32_t height);
// Frees a surface; null is ignored.
void DestroySurface(Surface* surface);
// Writes one pixel; coordinates are rounded with halves away from zero and
// pixels outside the surface are dropped.
void SetPixel(Surface* surface, float x, float y, uint32_t colour);
// Copies the rectangle with corners (x1, y1) and (x2, y2) of source into the
// window at (x, y). 0 when carried out (also when clipped away entirely),
// non-zero when refused (no window, null source).
int32_t PutRect(float x, float y, const Surface* source, int32_t x1, int32_t y1, int32_t x2,
                int32_t y2);
void SetColours(uint32_t foreground, uint32_t background);
// Fills the window with the background colour.
void ClearScreen();

// --- Keys, time and chance ------------------------------------------------
// Takes one key: "" for none, one character for a character key (Escape is
// "\x1B"), two characters, the first '\xFF', for any other key.
std::string PollKey();
// Pauses n milliseconds. A pause of 100 ms or more checks for keys every
// 50 ms and ends at once when one has arrived.
void SleepMs(int32_t n);
// Seconds since an arbitrary fixed point.
double SecondsTimer();
void SeedRandom(double seed);
// The next number in [0, 1), in steps of 2^-32.
double RandomUnit();

// --- Ending ---------------------------------------------------------------
// Ends the program with this exit status; the window closes with it. Ending
// with a status other than 0 after OpenPetWindow failed first tells the user
// why the window could not be opened, where the desktop has a way to (a
// message box on Windows).
[[noreturn]] void EndProgram(int32_t code);
