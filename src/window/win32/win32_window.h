// What the Win32 backend shows of itself to its own tests and probes. The pet
// uses window.h only.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The pet window, null while none is open.
HWND PetWindowHandle();
// Whether the window is the active window and not minimised, as its window
// procedure last learned.
bool PetWindowActive();
// Window cycles run since the window opened.
long PetWindowCycles();
// Times the window thread woke from its wait since the window opened.
long PetWindowWakeups();
