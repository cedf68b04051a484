// The seam between the platform-neutral core of the window layer and the one
// backend linked into a program (x11/, win32/ or sim/). The core calls the
// Platform* functions; a backend calls back into the core only through the
// functions at the end of this file. Each backend keeps its own state inside
// its own files.
#pragma once

#include <cstdint>

// --- Provided by every backend --------------------------------------------

// Opens the window (width x height, centred on the primary screen, with the
// effective flags and the caption in TitleBuffer) and starts its window
// thread; returns only when the thread runs its cycle (0) or opening failed
// (non-zero). The framebuffer and the colours are set up by the core first.
int32_t PlatformOpenWindow(int32_t width, int32_t height, int32_t flags);
// Stops the window thread after its current cycle, destroys the window and
// restores what opening changed (the screen saver). Called once, at exit,
// without the lock held by the logic thread.
void PlatformCloseWindow();
// Sets the caption of the open window; returns when it has changed. Called
// without the lock.
void PlatformSetTitle(const char* title);
// The window's current top-left corner.
void PlatformGetWindowPosition(int32_t& x, int32_t& y);
// Queues a move, carried out by the window thread's next cycle.
void PlatformQueueMove(int32_t x, int32_t y);
void PlatformGetDesktopSize(int32_t& width, int32_t& height);
int32_t PlatformTaskbarTop();
void PlatformRemoveFromTaskbar(const char* title);

// The lock under ScreenLock (a plain, non-recursive mutual exclusion).
void PlatformLock();
void PlatformUnlock();

// Tells the window thread that the logic thread has marked framebuffer rows
// that it has not been told about yet. Called on the logic thread right after
// it let go of the lock, at most once per batch of marks, so a backend can
// sleep until there is something to present.
void PlatformRowsMarked();

// Blocks the calling thread for ms > 0 milliseconds.
void PlatformSleep(int32_t ms);
// Seconds since an arbitrary fixed point.
double PlatformSeconds();

// Ends the process with this status (after the exit handlers have run). With
// a status other than 0 and a reason in OpenFailure, a backend may first tell
// the user that the window could not be opened.
[[noreturn]] void PlatformExit(int32_t code);

// --- Provided by the core, for backends ---------------------------------
// All of these expect the backend's window thread to hold the lock
// (PlatformLock) while it calls them.

// Puts a key code into the key buffer and sets the key-hit flag.
void PutKey(int32_t code);
// Marks every framebuffer row, so that the next cycle redraws the window.
void MarkAllRows();
// Copies the marked framebuffer rows into ConvertedRows with the alpha byte
// cleared and clears the marks. Returns false when no row was marked;
// otherwise first..last is the band to draw (unmarked rows inside it
// included).
bool TakeMarkedBand(int32_t& first, int32_t& last);

// --- Provided by every backend, for tracing ---------------------------------
// Called by SleepMs at the start of every pause with its argument as passed.
// The simulator records it; the real backends do nothing.
void PlatformPauseStarts(int32_t ms);
