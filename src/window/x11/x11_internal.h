// What the files of the X11 backend share among themselves. Nothing outside
// src/window/x11/ and its tests includes this.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <string>
#include <vector>

// --- x11_desktop.cpp: the logic thread's connection --------------------------

// A rectangle of the root window in root coordinates.
struct X11Area {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Makes Xlib safe for threads and installs the error handlers; idempotent.
// Called before any connection is opened.
void X11Prepare();
// Opens a connection to the display named by DISPLAY, or prints one line to
// standard error and ends the process with status 1.
Display* X11OpenOrDie();
// The desktop connection, opened on first use (see the top of
// x11_window.cpp). Callers hold X11DesktopLock while they use it.
Display* X11DesktopDisplay();
void X11DesktopLock();
void X11DesktopUnlock();
// The primary monitor: the RandR primary one where there are several
// monitors, the whole screen otherwise.
X11Area X11PrimaryMonitor(Display* display);
// Bottom edge (exclusive) of the work area in root coordinates, or -1 when
// nothing says where it is.
int32_t X11WorkAreaBottom(Display* display, const X11Area& monitor);

// --- x11_window.cpp ---------------------------------------------------------

// The pet window's id once it exists, else None.
Window X11PetWindow();

// --- x11_pixels.cpp: pure helpers, also used by the tests --------------------

// The opaque pixels of width x height presented pixels (rows top first, no
// padding) as rectangles one row high, sorted by y and then x: every run of
// pixels whose RGB is not 0xFF00FF (the alpha byte does not count).
void OpaqueRuns(const uint32_t* pixels, int32_t width, int32_t height,
                std::vector<XRectangle>& runs);

// The key buffer code of a key press: keysym as XLookupString found it and
// the text it produced (length bytes). -1 for a press that gives no key
// (modifiers such as Shift or Num Lock on their own).
int32_t KeyCodeOf(KeySym keysym, const char* text, int length);

// Latin-1 bytes (the caption buffer's encoding) as UTF-8, for _NET_WM_NAME.
std::string Latin1ToUtf8(const char* text);
