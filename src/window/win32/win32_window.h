// The Win32 backend's parts, for each other and for its own tests and
// probes. The pet uses window.h only.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform.h"

// The window thread's mechanism (win32_window.cpp), for the backend's table
// (win32_desktop.cpp).
extern const WindowMechanism Win32Mechanism;
// Makes what Wake and SetTimer reach the window thread by, and what the
// logic thread's pauses sleep on; false when the system refused.
bool MakeWaitObjects();
// Asks the window thread to take the foreground for its window, and waits
// until it has.
void BringPetWindowToFront();

// The pet window, null while none is open.
HWND PetWindowHandle();
// Whether the window is the active window and not minimised, as its window
// procedure last learned.
bool PetWindowActive();
// Times the window thread's wait has returned, and bands it has drawn, since
// the program started.
long PetWindowWakeups();
long PetWindowPresents();
// Whether the window thread sleeps in its wait.
bool PetWindowResting();
// Whether the window holds the display on (its power request was granted).
bool PetWindowHoldsDisplay();
// The system's power-request calls the window makes, which the backend's
// tests replace to see them (Wine grants no power request).
struct PowerRequestCalls {
    HANDLE(WINAPI* create)(PREASON_CONTEXT reason);
    BOOL(WINAPI* set)(HANDLE request, POWER_REQUEST_TYPE type);
    BOOL(WINAPI* clear)(HANDLE request, POWER_REQUEST_TYPE type);
};
extern PowerRequestCalls PowerRequests;
// Whether pauses and cycles wait for high-resolution timers, rather than
// raising the system's timer resolution for the run.
bool HighResolutionPauses();
