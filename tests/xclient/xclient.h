// Looking at windows from a separate X client: what the X tests, the product
// tests' pomfy-xprobe and the Windows tests' host checker share. Plain Xlib
// and the shape extension, so that it also builds with the host's compiler
// in a cross build.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

// Opens the display named by DISPLAY for a checking program; errors about
// windows that vanish while it looks at them are ignored from then on. On
// failure it says so on standard error, naming the program, and returns null.
Display* OpenCheckingDisplay(const char* program);

// Milliseconds on the monotonic clock (CLOCK_MONOTONIC).
double NowMs();

// A text property as raw bytes ("" when missing).
std::string TextProperty(Display* d, Window w, const char* property);
// The window's atoms in a property of type ATOM.
std::vector<Atom> AtomProperty(Display* d, Window w, const char* property);
// The window's title: _NET_WM_NAME when it has one, WM_NAME otherwise.
std::string WindowTitle(Display* d, Window w);

enum class Mapped { Any, ViewableOnly };
// The window with this title among the root's children and, below each of
// them, down to `below` levels of their own children (where a window manager
// or Wine puts a window inside one of its own); the topmost first. None when
// there is none.
Window FindByTitle(Display* d, const std::string& title, Mapped mapped = Mapped::Any,
                   int below = 0);

// A window's position in root coordinates and its size; false when the
// window is gone.
struct WindowBox {
    int x = 0, y = 0, width = 0, height = 0;
};
bool RootGeometry(Display* d, Window w, WindowBox& box);
// A window's position in root coordinates (-99999 when it is gone).
void RootPosition(Display* d, Window w, int& x, int& y);

// Sends the window a close request (WM_DELETE_WINDOW), as a window manager
// does when the user closes it, and flushes it; false when it was refused.
bool SendCloseRequest(Display* d, Window w);

// Which pixels of a width x height window the given shape (ShapeBounding or
// ShapeInput) covers, row by row.
std::vector<bool> ShapeCover(Display* d, Window w, int kind, int width, int height);
